#include "platform/coloursurface.h"

#include <algorithm>

namespace platform {

ColourSurface readSurface(const QImage &image, const QRect &region)
{
    ColourSurface s;
    s.rect = region.isValid() ? region : QRect(region.topLeft(), QSize(0, 0));
    s.values.assign(static_cast<std::size_t>(s.rect.width()) *
                        static_cast<std::size_t>(s.rect.height()),
                    NoColour);
    const QImage rgb =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    const QRect covered = s.rect & rgb.rect();
    for (int y = covered.top(); y <= covered.bottom(); ++y) {
        const auto *src = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        Colour *dst = s.values.data() +
                      static_cast<std::size_t>(y - s.rect.top()) * s.rect.width() - s.rect.left();
        for (int x = covered.left(); x <= covered.right(); ++x)
            dst[x] = fromArgb(src[x]);
    }
    return s;
}

} // namespace platform
