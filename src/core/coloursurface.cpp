#include "core/coloursurface.h"

#include <algorithm>

namespace core {

ColourSurface readSurface(const QImage &image, const QRect &region)
{
    ColourSurface s;
    readSurface(image, QPoint(0, 0), region, s);
    return s;
}

void readSurface(const QImage &image, QPoint origin, const QRect &region, ColourSurface &out)
{
    out.rect = region.isValid() ? region : QRect(region.topLeft(), QSize(0, 0));
    const bool direct =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage rgb = direct ? image : image.convertToFormat(QImage::Format_RGB32);
    const QRect covered = out.rect & rgb.rect().translated(origin);
    const std::size_t count =
        static_cast<std::size_t>(out.rect.width()) * static_cast<std::size_t>(out.rect.height());
    if (covered != out.rect)
        out.values.assign(count, NoColour);
    else
        out.values.resize(count);
    for (int y = covered.top(); y <= covered.bottom(); ++y) {
        const auto *src = reinterpret_cast<const QRgb *>(rgb.constScanLine(y - origin.y())) +
                          (covered.left() - origin.x());
        Colour *dst = out.values.data() +
                      static_cast<std::size_t>(y - out.rect.top()) * out.rect.width() +
                      (covered.left() - out.rect.left());
        for (int i = 0; i < covered.width(); ++i)
            dst[i] = fromArgb(src[i]);
    }
}

void clearFourthByte(Colour *first, int width, int height, int stride)
{
    for (int y = 0; y < height; ++y) {
        Colour *row = first + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x)
            row[x] &= 0x00ffffff;
    }
}

} // namespace core
