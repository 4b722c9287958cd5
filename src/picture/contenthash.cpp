#include "picture/contenthash.h"

#include <QFile>
#include <QFileInfo>
#include <memory>
#include <xxhash.h>

namespace picture {

Result<FileState> regularFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return Failure{QStringLiteral("This is not a picture file: it is a folder, a pipe or a "
                                      "device, not a regular file.")};
    if (!info.exists()) {
        QFile file(path);
        static_cast<void>(file.open(QIODevice::ReadOnly)); // for the system's own reason
        return Failure{file.errorString()};
    }
    return FileState{info.size(), info.lastModified()};
}

Result<QString> contentHash(QIODevice &device, const std::atomic<bool> *cancel)
{
    const std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(),
                                                                         XXH3_freeState);
    if (!state || XXH3_128bits_reset(state.get()) != XXH_OK || !device.seek(0))
        return Failure{device.errorString()};
    char piece[1 << 16];
    for (qint64 n; (n = device.read(piece, sizeof piece)) != 0;) {
        if (n < 0)
            return Failure{device.errorString()};
        if (cancel && cancel->load(std::memory_order_relaxed))
            return Failure{QStringLiteral("The reading was cancelled.")};
        XXH3_128bits_update(state.get(), piece, std::size_t(n));
    }
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state.get()));
    return QStringLiteral("xxh3-128:") +
           QString::fromLatin1(
               QByteArray(reinterpret_cast<const char *>(canonical.digest), 16).toHex());
}

Result<QString> contentHash(const QString &path, const std::optional<FileState> &state,
                            const std::atomic<bool> *cancel)
{
    const auto unchanged = [&]() -> Result<void> {
        const Result<FileState> now = regularFile(path);
        if (!now)
            return now.failure();
        if (state && !(*now == *state))
            return Failure{QStringLiteral("The picture has been written since it was loaded.")};
        return {};
    };
    if (const Result<void> before = unchanged(); !before)
        return before.failure();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{file.errorString()};
    Result<QString> hash = contentHash(file, cancel);
    if (const Result<void> after = unchanged(); hash && !after)
        return after.failure();
    return hash;
}

Result<FileState> openRegularFile(const QString &path, QFile &file)
{
    const Result<FileState> state = regularFile(path);
    if (!state)
        return state;
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{file.errorString()};
    return state;
}

} // namespace picture
