#include "core/coloursurface.h"

#include <algorithm>

namespace core {

namespace {

// Makes `out` the rectangle `region` (an invalid one is empty), every point outside `covered`
// reading NoColour; returns the part of it covered.
QRect prepare(ColourSurface &out, const QRect &region, const QRect &covered)
{
    out.rect = region.isValid() ? region : QRect(region.topLeft(), QSize(0, 0));
    const QRect part = out.rect & covered;
    const std::size_t count =
        static_cast<std::size_t>(out.rect.width()) * static_cast<std::size_t>(out.rect.height());
    if (part != out.rect)
        out.values.assign(count, NoColour);
    else
        out.values.resize(count);
    return part;
}

} // namespace

ColourSurface readSurface(const QImage &image, const QRect &region)
{
    ColourSurface s;
    readSurface(image, QPoint(0, 0), region, s);
    return s;
}

void readSurface(const QImage &image, QPoint origin, const QRect &region, ColourSurface &out)
{
    const bool direct =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage rgb = direct ? image : image.convertToFormat(QImage::Format_RGB32);
    const QRect covered = prepare(out, region, rgb.rect().translated(origin));
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

void paintSurface(ColourSurface &out, const QRect &region, const QRect &covered,
                  const std::function<void(QImage &into, const QRect &drawn)> &paint)
{
    const QRect drawn = prepare(out, region, covered);
    if (drawn.isEmpty())
        return;
    const int stride = out.rect.width();
    Colour *first = out.values.data() +
                    static_cast<std::size_t>(drawn.top() - out.rect.top()) * stride +
                    (drawn.left() - out.rect.left());
    QImage into(reinterpret_cast<uchar *>(first), drawn.width(), drawn.height(),
                static_cast<qsizetype>(stride) * 4, QImage::Format_RGBX8888);
    into.setDevicePixelRatio(1);
    paint(into, drawn);
    clearFourthByte(first, drawn.width(), drawn.height(), stride);
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
