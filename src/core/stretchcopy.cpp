#include "core/stretchcopy.h"

#include <vector>

namespace core {

QImage stretchCopy(const QImage &src, const QRect &from, const QSize &to)
{
    // Centre sampling in whole numbers: destination pixel d takes source pixel
    // floor((d + 1/2) * s / t), the same whichever way and however far it scales.
    const QImage source = src.convertToFormat(QImage::Format_RGB32);
    QImage out(to, QImage::Format_RGB32);
    out.fill(Qt::black);
    std::vector<int> columns(static_cast<std::size_t>(to.width()));
    for (int x = 0; x < to.width(); ++x)
        columns[static_cast<std::size_t>(x)] =
            from.left() + static_cast<int>((2LL * x + 1) * from.width() / (2LL * to.width()));
    for (int y = 0; y < to.height(); ++y) {
        const int sy =
            from.top() + static_cast<int>((2LL * y + 1) * from.height() / (2LL * to.height()));
        if (sy < 0 || sy >= source.height())
            continue;
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(sy));
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < to.width(); ++x) {
            const int sx = columns[static_cast<std::size_t>(x)];
            if (sx >= 0 && sx < source.width())
                line[x] = in[sx];
        }
    }
    return out;
}

} // namespace core
