#include "picture/picturedamage.h"

#include <QBuffer>
#include <QtEndian>
#include <cstdlib>

namespace picture {

namespace {

quint32 le32(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 le16(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

Failure cutInsidePixels()
{
    return {QStringLiteral("The file ends inside the picture's pixel data.")};
}

// An RLE stream is whole when it reaches its end-of-bitmap code inside the file.
Result<void> rleDamage(const QByteArray &b, qsizetype at, bool fourBits)
{
    const qsizetype n = b.size();
    while (at + 1 < n) {
        const auto count = static_cast<quint8>(b[at]);
        const auto code = static_cast<quint8>(b[at + 1]);
        at += 2;
        if (count != 0 || code == 0)
            continue; // a run, or the end of a line
        if (code == 1)
            return {};
        if (code == 2) {
            at += 2; // a jump
            continue;
        }
        qsizetype bytes = fourBits ? (code + 1) / 2 : code;
        at += bytes + (bytes & 1); // literal pixels, padded to a whole word
    }
    return cutInsidePixels();
}

Result<void> bmpDamage(const QByteArray &b, qint64 fileSize)
{
    if (b.size() < 26 || !b.startsWith("BM"))
        return {};
    const qint64 offBits = le32(b, 10);
    const quint32 infoSize = le32(b, 14);
    qint64 width = 0, height = 0, bits = 0, compression = 0;
    if (infoSize == 12) {
        width = le16(b, 18);
        height = le16(b, 20);
        bits = le16(b, 24);
    } else if (infoSize >= 40 && b.size() >= 34) {
        width = static_cast<qint32>(le32(b, 18));
        height = std::llabs(static_cast<qint32>(le32(b, 22)));
        bits = le16(b, 28);
        compression = le32(b, 30);
    } else {
        return {};
    }
    if (compression == 1 || compression == 2)
        return rleDamage(b, offBits, compression == 2);
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    if (!uncompressed || width <= 0 || height <= 0 || bits <= 0 || bits > 32)
        return {};
    const qint64 stride = (width * bits + 31) / 32 * 4;
    if (fileSize < offBits + stride * height)
        return cutInsidePixels();
    return {};
}

// Skips a chain of GIF sub-blocks; -1 when it runs off the end.
qsizetype gifSubBlocks(const QByteArray &b, qsizetype at)
{
    while (at < b.size()) {
        const auto length = static_cast<quint8>(b[at]);
        at += 1 + length;
        if (length == 0)
            return at;
    }
    return -1;
}

Result<void> gifDamage(const QByteArray &b)
{
    const Failure cut{QStringLiteral("The GIF data ends before its trailer.")};
    if (b.size() < 13)
        return cut;
    qsizetype at = 13;
    if (b[10] & 0x80)
        at += 3 * (qsizetype(1) << ((b[10] & 7) + 1));
    while (at >= 0 && at < b.size()) {
        const char block = b[at];
        if (block == 0x3B)
            return {};
        if (block == 0x21) {
            at = at + 2 <= b.size() ? gifSubBlocks(b, at + 2) : -1;
        } else if (block == 0x2C) {
            if (at + 10 > b.size())
                return cut;
            const char flags = b[at + 9];
            at += 10;
            if (flags & 0x80)
                at += 3 * (qsizetype(1) << ((flags & 7) + 1));
            at = at + 1 <= b.size() ? gifSubBlocks(b, at + 1) : -1; // after the LZW code size
        } else {
            return Failure{QStringLiteral("The GIF data is damaged: an unknown block follows its "
                                          "pictures.")};
        }
    }
    return cut;
}

// Chunk by chunk, from one length field to the next, without reading the chunks themselves;
// through a window of the file, so that a file of millions of small chunks takes a read for
// every window of them, not for each.
Result<void> pngDamage(QIODevice &device)
{
    constexpr qint64 Window = 64 * 1024;
    QByteArray window;
    qint64 windowAt = 0;
    for (qint64 at = 8;;) {
        if (at + 8 > windowAt + window.size()) {
            if (!device.seek(at))
                break;
            window = device.read(Window);
            windowAt = at;
            if (window.size() < 8)
                break;
        }
        const char *head = window.constData() + (at - windowAt);
        if (QByteArrayView(head + 4, 4) == "IEND")
            return {};
        at += 12 + qint64(qFromBigEndian<quint32>(head));
    }
    return Failure{QStringLiteral("The PNG data ends before its end chunk.")};
}

// An XBM holds one hexadecimal byte for every eight pixels of each row.
Result<void> xbmDamage(const QByteArray &b)
{
    const auto number = [&](const char *name) {
        const qsizetype at = b.indexOf(name);
        return at < 0 ? -1 : std::atol(b.constData() + at + qstrlen(name));
    };
    const long width = number("_width "), height = number("_height ");
    if (width <= 0 || height <= 0)
        return {};
    const qsizetype start = b.indexOf('{');
    if (start < 0)
        return Failure{QStringLiteral("The XBM data has no pixels.")};
    const qint64 needed = (qint64(width) + 7) / 8 * height;
    qint64 found = 0;
    for (qsizetype at = b.indexOf("0x", start); at >= 0 && found < needed;
         at = b.indexOf("0x", at + 2))
        ++found;
    if (found < needed)
        return Failure{
            QStringLiteral("The XBM data ends after %1 of its %2 bytes.").arg(found).arg(needed)};
    return {};
}

} // namespace

Result<void> findDamage(const QByteArray &format, QIODevice &device)
{
    if (format == "png")
        return pngDamage(device);
    if (format != "bmp" && format != "gif" && format != "xbm")
        return {};
    if (!device.seek(0))
        return Failure{QStringLiteral("The file can no longer be read.")};
    // An uncompressed BMP is judged by its header and its length alone.
    QByteArray data = device.read(64);
    const bool rle = format == "bmp" && data.size() >= 34 &&
                     (le32(data, 30) == 1 || le32(data, 30) == 2) && le32(data, 14) >= 40;
    if (format != "bmp" || rle)
        data += device.readAll();
    if (format == "bmp")
        return bmpDamage(data, rle ? data.size() : device.size());
    return format == "gif" ? gifDamage(data) : xbmDamage(data);
}

Result<void> findDamage(const QByteArray &format, const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return findDamage(format, buffer);
}

} // namespace picture
