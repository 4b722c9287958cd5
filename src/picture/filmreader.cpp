// Where the film reader is found, and its one entry called.
#include "picture/filmframes.h"

#include "picture/logging.h"

#include <QDir>
#include <QFileInfo>
#include <dlfcn.h>

namespace picture {

namespace {

using Open = void (*)(const QString *, const FileState *, const std::atomic<bool> *,
                      Result<std::unique_ptr<Frames>> *);

// Beside the binary that holds this code (a program, a test, the Python module), in the build
// folder above it, or where an install puts it: <prefix>/lib/tintara/readers, from <prefix>/bin
// or from <prefix>/lib/python3*/<site>.
Open reader()
{
    static const Open open = []() -> Open {
        Dl_info self{};
        if (!dladdr(reinterpret_cast<void *>(&reader), &self) || !self.dli_fname)
            return nullptr;
        const QDir here = QFileInfo(QFile::decodeName(self.dli_fname)).absoluteDir();
        for (const char *place : {".", "..", "../lib/tintara/readers", "../../tintara/readers"}) {
            const QString path =
                here.absoluteFilePath(QLatin1String(place) + QStringLiteral("/tintara-film.so"));
            if (!QFileInfo::exists(path))
                continue;
            void *library = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
            if (!library) {
                qCInfo(lcPicture) << "film reader not loaded:" << ::dlerror();
                continue;
            }
            if (auto *entry = reinterpret_cast<Open>(::dlsym(library, "tintara_open_film")))
                return entry;
        }
        return nullptr;
    }();
    return open;
}

} // namespace

bool filmSignature(QByteArrayView head)
{
    if (head.size() >= 12 && head.sliced(4, 4) == "ftyp") {
        // An ISO base media file of a still-image brand is HEIF's.
        static constexpr const char *Stills[] = {"heic", "heix", "hevc", "hevx", "heim",
                                                 "heis", "mif1", "msf1", "avif", "avis"};
        for (const char *brand : Stills)
            if (head.sliced(8, 4) == brand)
                return false;
        return true;
    }
    return head.startsWith("\x1a\x45\xdf\xa3") || // Matroska, WebM
           (head.startsWith("RIFF") && head.size() >= 12 && head.sliced(8, 4) == "AVI ") ||
           head.startsWith(QByteArrayView("\x00\x00\x01\xba", 4)) || // MPEG program stream
           head.startsWith("FLV\x01");
}

Result<std::unique_ptr<Frames>> openFilm(const QString &path, const FileState &file,
                                         const std::atomic<bool> *cancel)
{
    const Open open = reader();
    if (!open)
        return Failure{QStringLiteral("Films are not read here: the film reader (tintara-film.so, "
                                      "with FFmpeg's libraries) is not installed.")};
    Result<std::unique_ptr<Frames>> out = Failure{};
    open(&path, &file, cancel, &out);
    return out;
}

} // namespace picture
