#include "picture/formats.h"

#include "picture/allocationguard.h"
#include "picture/source.h"

#include <vector>

namespace picture {

namespace {

// Truevision TGA: true colour, grey and colour-mapped, plain or run-length encoded, in any of
// its four pixel orders. TGA has no signature; its header's fields are checked instead.
class TgaDecoder : public Decoder {
public:
    explicit TgaDecoder(Source &source);

    static bool recognises(QByteArrayView head);
    Result<void> readHeader() override;
    Result<QImage> decode(QSize atLeast) override;
};

} // namespace

namespace {

int word(QByteArrayView b, int at)
{
    return uchar(b[at]) | uchar(b[at + 1]) << 8;
}

bool plausible(int type, int mapType, int depth, int mapDepth)
{
    const int base = type & ~8; // 9, 10, 11 are 1, 2, 3 run-length encoded
    if (type != base && type != base + 8)
        return false;
    // A map, used or not, has entries of a size a colour can take; other programs' headers (an
    // animation's, say) that pass the rest have entries of 0 bits there.
    if (mapType == 1 && mapDepth != 15 && mapDepth != 16 && mapDepth != 24 && mapDepth != 32)
        return false;
    switch (base) {
    case 1: // colour-mapped
        return mapType == 1 && (depth == 8 || depth == 16);
    case 2: // true colour
        return mapType <= 1 && (depth == 15 || depth == 16 || depth == 24 || depth == 32);
    case 3: // grey
        return mapType <= 1 && depth == 8;
    default:
        return false;
    }
}

// One stored pixel of `bytes` bytes as a colour.
QRgb colour(const uchar *p, int depth, bool alpha)
{
    switch (depth) {
    case 8:
        return qRgb(p[0], p[0], p[0]);
    case 15:
    case 16: {
        const int v = p[0] | p[1] << 8;
        const auto five = [](int c) {
            return (c << 3) | (c >> 2);
        };
        return qRgba(five((v >> 10) & 31), five((v >> 5) & 31), five(v & 31),
                     alpha && depth == 16 && !(v & 0x8000) ? 0 : 255);
    }
    case 24:
        return qRgb(p[2], p[1], p[0]);
    default:
        return qRgba(p[2], p[1], p[0], alpha ? p[3] : 255);
    }
}

} // namespace

TgaDecoder::TgaDecoder(Source &source)
    : Decoder(source)
{}

bool TgaDecoder::recognises(QByteArrayView head)
{
    if (head.size() < 18)
        return false;
    // A picture without a colour map leaves its colour-map fields empty; an icon's or a
    // cursor's header, which could otherwise pass, has its count of pictures there.
    if (uchar(head[1]) == 0 && head.sliced(3, 5) != QByteArrayView("\0\0\0\0\0", 5))
        return false;
    return plausible(uchar(head[2]), uchar(head[1]), uchar(head[16]), uchar(head[7])) &&
           word(head, 12) > 0 && word(head, 14) > 0 && (uchar(head[17]) & 0xC0) == 0;
}

Result<void> TgaDecoder::readHeader()
{
    const QByteArray head = source_.head();
    if (!recognises(head))
        return Failure{QStringLiteral("The TGA header is damaged.")};
    size_ = QSize(word(head, 12), word(head, 14));
    // Stored bottom row first unless the descriptor says otherwise, and left to right unless
    // it says otherwise.
    const int descriptor = uchar(head[17]);
    if (!(descriptor & 0x20))
        turn_ |= QImageIOHandler::TransformationFlip;
    if (descriptor & 0x10)
        turn_ |= QImageIOHandler::TransformationMirror;
    return {};
}

Result<QImage> TgaDecoder::decode(QSize)
{
    const QByteArray &data = source_.bytes();
    const QByteArrayView file(data);
    if (!recognises(file))
        return Failure{QStringLiteral("The TGA file can no longer be read.")};
    const int type = uchar(file[2]), depth = uchar(file[16]), descriptor = uchar(file[17]);
    const bool rle = type & 8, mapped = (type & ~8) == 1;
    // The attribute bits say how much of each pixel is alpha; with none, a 32-bit pixel's fourth
    // byte means nothing and the picture is opaque.
    const bool alpha = (descriptor & 15) > 0;
    qsizetype at = 18 + uchar(file[0]);
    // The colour map, when there is one; a true-colour picture may carry one it does not use.
    std::vector<QRgb> map;
    int first = 0;
    if (uchar(file[1]) == 1) {
        const int length = word(file, 5), mapDepth = uchar(file[7]);
        first = word(file, 3);
        const int entry = (mapDepth + 7) / 8;
        if (at + qsizetype(length) * entry > file.size())
            return Failure{QStringLiteral("The TGA file is cut short.")};
        if (mapped) {
            // Entry i holds index first + i; an index below first has no colour.
            map.resize(std::size_t(length));
            for (int i = 0; i < length; ++i)
                map[std::size_t(i)] = colour(
                    reinterpret_cast<const uchar *>(file.data()) + at + i * entry, mapDepth, alpha);
        }
        at += qsizetype(length) * entry;
    }
    Result<QImage> made =
        allocation::image(size_, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (!made)
        return made;
    QImage &image = *made;
    const int bytes = (depth + 7) / 8;
    const auto *p = reinterpret_cast<const uchar *>(file.data());
    const qsizetype end = file.size();
    bool noColour = false;
    const auto pixel = [&](qsizetype from, QRgb &into) {
        if (from + bytes > end)
            return false;
        if (mapped) {
            const int index = (bytes == 1 ? p[from] : p[from] | p[from + 1] << 8) - first;
            if (index < 0 || std::size_t(index) >= map.size()) {
                noColour = true;
                return false;
            }
            into = map[std::size_t(index)];
        } else {
            into = colour(p + from, depth, alpha);
        }
        return true;
    };
    // In the order stored; the loader turns the rows and columns as the header says.
    auto *out = reinterpret_cast<QRgb *>(image.bits());
    const qsizetype perLine = image.bytesPerLine() / 4;
    const int width = size_.width();
    const qint64 total = qint64(width) * size_.height();
    qint64 done = 0;
    int run = 0;
    bool repeat = false;
    QRgb value = 0;
    while (done < total) {
        if ((done & 0xFFFF) == 0 && source_.cancelled())
            return Failure{};
        if (!rle) {
            if (!pixel(at, value))
                break;
            at += bytes;
        } else {
            if (run == 0) {
                if (at >= end)
                    break;
                repeat = p[at] & 0x80;
                run = (p[at] & 0x7F) + 1;
                ++at;
                if (repeat) {
                    if (!pixel(at, value))
                        break;
                    at += bytes;
                }
            }
            if (!repeat) {
                if (!pixel(at, value))
                    break;
                at += bytes;
            }
            --run;
        }
        out[(done / width) * perLine + done % width] = value;
        ++done;
    }
    if (done < total)
        return Failure{noColour ? QStringLiteral("The TGA picture uses a colour its colour map "
                                                 "does not have.")
                                : QStringLiteral("The TGA file is cut short or damaged.")};
    return made;
}

const Format TgaFormat{"tga", "tga", "image/x-tga", TgaDecoder::recognises, make<TgaDecoder>};

} // namespace picture
