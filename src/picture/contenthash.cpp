#include "picture/contenthash.h"

#include <QFile>
#include <memory>
#include <xxhash.h>

namespace picture {

Result<QString> contentHash(QIODevice &device)
{
    const std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(),
                                                                         XXH3_freeState);
    if (!state || XXH3_128bits_reset(state.get()) != XXH_OK || !device.seek(0))
        return Failure{device.errorString()};
    char piece[1 << 16];
    for (qint64 n; (n = device.read(piece, sizeof piece)) != 0;) {
        if (n < 0)
            return Failure{device.errorString()};
        XXH3_128bits_update(state.get(), piece, std::size_t(n));
    }
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state.get()));
    return QStringLiteral("xxh3-128:") +
           QString::fromLatin1(
               QByteArray(reinterpret_cast<const char *>(canonical.digest), 16).toHex());
}

Result<QString> contentHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{file.errorString()};
    return contentHash(file);
}

} // namespace picture
