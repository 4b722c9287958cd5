// Where the film reader is found, checked and loaded.
#include "picture/filmreader.h"

#include "picture/formats.h"
#include "picture/logging.h"
#include "tintara/appinfo.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonObject>
#include <QPluginLoader>
#include <dlfcn.h>

namespace picture {

namespace {

// Beside the binary that holds this code (a program, a test, the Python module), in the build
// folder above it, or where an install puts it: <prefix>/lib/tintara/readers, from <prefix>/bin
// or from <prefix>/lib/python3*/<site>. The first one found is the one taken.
Result<FilmReader *> reader()
{
    static const Result<FilmReader *> found = []() -> Result<FilmReader *> {
        const Failure none{QStringLiteral("Films are not read here: the film reader "
                                          "(tintara-film.so, with FFmpeg's libraries) is not "
                                          "installed.")};
        Dl_info self{};
        if (!dladdr(reinterpret_cast<void *>(&filmReaderAt), &self) || !self.dli_fname)
            return none;
        const QDir here = QFileInfo(QFile::decodeName(self.dli_fname)).absoluteDir();
        for (const char *place : {".", "..", "../lib/tintara/readers", "../../tintara/readers"}) {
            const QString path =
                here.absoluteFilePath(QLatin1String(place) + QStringLiteral("/tintara-film.so"));
            if (QFileInfo::exists(path))
                return filmReaderAt(path);
        }
        return none;
    }();
    return found;
}

} // namespace

Result<FilmReader *> filmReaderAt(const QString &path)
{
    QPluginLoader loader(path);
    // Read from the file before any of its code runs.
    const QJsonObject meta = loader.metaData();
    const QJsonObject build = meta.value(QLatin1String("MetaData")).toObject();
    const QString version = build.value(QLatin1String("version")).toString(),
                  id = build.value(QLatin1String("build")).toString();
    if (meta.value(QLatin1String("IID")).toString() != QLatin1String(TintaraFilmReader_iid))
        return Failure{
            QStringLiteral("Films are not read here: %1 is no film reader of Tintara "
                           "(%2).")
                .arg(QDir::toNativeSeparators(path),
                     meta.isEmpty() ? loader.errorString() : QStringLiteral("another plugin"))};
    if (version != QLatin1String(appinfo::Version) || id != QLatin1String(appinfo::BuildId))
        return Failure{QStringLiteral("Films are not read here: the film reader %1 comes from "
                                      "another build of Tintara (%2, build %3), and this program "
                                      "is %4, build %5. Install the reader built with it.")
                           .arg(QDir::toNativeSeparators(path),
                                version.isEmpty() ? QStringLiteral("unknown") : version,
                                id.isEmpty() ? QStringLiteral("unknown") : id,
                                QLatin1String(appinfo::Version), QLatin1String(appinfo::BuildId))};
    auto *reader = qobject_cast<FilmReader *>(loader.instance());
    if (!reader) {
        qCInfo(lcPicture) << "film reader not loaded:" << loader.errorString();
        return Failure{QStringLiteral("Films are not read here: the film reader %1 cannot be "
                                      "loaded: %2")
                           .arg(QDir::toNativeSeparators(path), loader.errorString())};
    }
    return reader;
}

namespace {

bool signature(QByteArrayView head)
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

} // namespace

bool filmSignature(QByteArrayView head)
{
    if (signature(head))
        return true;
    if (head.size() < 8)
        return false;
    // What Qt's readers know by content is a still picture; only the rest is worth the reader's
    // loading.
    QBuffer buffer;
    buffer.setData(head.data(), head.size());
    if (buffer.open(QIODevice::ReadOnly) && !QImageReader::imageFormat(&buffer).isEmpty())
        return false;
    const Result<FilmReader *> found = reader();
    return found && (*found)->recognises(head);
}

Result<std::unique_ptr<Frames>> openFilm(const QString &path, const FileState &file,
                                         const std::atomic<bool> *cancel)
{
    const Result<FilmReader *> found = reader();
    if (!found)
        return found.failure();
    return (*found)->open(path, file, cancel);
}

const Format FilmFormat{"film",
                        "mp4 m4v mov webm mkv avi mts m2ts ts ogv mpg mpeg 3gp flv",
                        "video/mp4 video/quicktime video/webm video/x-matroska video/x-msvideo "
                        "video/mp2t video/ogg video/mpeg video/3gpp video/x-flv",
                        filmSignature,
                        nullptr,
                        openFilm};

} // namespace picture
