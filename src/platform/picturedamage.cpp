#include "platform/picturedamage.h"

#include <QtEndian>
#include <cstdlib>

namespace platform {

namespace {

quint32 le32(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 le16(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

QString bmpDamage(const QByteArray &head, qint64 fileSize)
{
    if (head.size() < 26 || !head.startsWith("BM"))
        return {};
    const qint64 offBits = le32(head, 10);
    const quint32 infoSize = le32(head, 14);
    qint64 width = 0, height = 0, bits = 0, compression = 0;
    if (infoSize == 12) {
        width = le16(head, 18);
        height = le16(head, 20);
        bits = le16(head, 24);
    } else if (infoSize >= 40 && head.size() >= 34) {
        width = static_cast<qint32>(le32(head, 18));
        height = std::llabs(static_cast<qint32>(le32(head, 22)));
        bits = le16(head, 28);
        compression = le32(head, 30);
    } else {
        return {};
    }
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    if (!uncompressed || width <= 0 || height <= 0 || bits <= 0 || bits > 32)
        return {};
    const qint64 stride = (width * bits + 31) / 32 * 4;
    const qint64 needed = offBits + stride * height;
    if (fileSize < needed)
        return QStringLiteral("The file ends inside the picture's pixel data (%1 of %2 bytes).")
            .arg(fileSize)
            .arg(needed);
    return {};
}

QString jpegDamage(const QByteArray &tail)
{
    // Entropy-coded data never holds FF D9, so a file cut inside it has no end marker.
    if (!tail.contains(QByteArrayLiteral("\xff\xd9")))
        return QStringLiteral("The JPEG data ends before its end-of-image marker.");
    return {};
}

QString gifDamage(const QByteArray &tail)
{
    if (tail.isEmpty() || tail.back() != '\x3b')
        return QStringLiteral("The GIF data ends before its trailer.");
    return {};
}

} // namespace

QString findDamage(const QByteArray &format, const QByteArray &head, const QByteArray &tail,
                   qint64 fileSize)
{
    if (format == "bmp")
        return bmpDamage(head, fileSize);
    if (format == "jpeg" || format == "jpg")
        return jpegDamage(tail);
    if (format == "gif")
        return gifDamage(tail);
    return {};
}

} // namespace platform
