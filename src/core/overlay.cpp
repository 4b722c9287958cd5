#include "core/overlay.h"

#include "core/measurements.h"

#include <QPainter>
#include <algorithm>

namespace overlay {

QRect blockRect(const Grid &g, int bx, int by)
{
    return {bx * g.rx, by * g.ry, g.rx, g.ry};
}

Marks marksOf(const QImage &plane, Channel channel)
{
    const QRgb marker = core::toArgb(scan::markerColour(channel));
    const QImage rgb = plane.convertToFormat(QImage::Format_RGB32);
    Marks marks(std::size_t(std::max(0, rgb.width())) * std::size_t(std::max(0, rgb.height())));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            marks[std::size_t(y) * std::size_t(rgb.width()) + std::size_t(x)] = line[x] == marker;
    }
    return marks;
}

namespace {

bool marked(const Grid &g, const Marks &m, int bx, int by)
{
    if (bx < 0 || by < 0 || bx >= g.nx || by >= g.ny)
        return false;
    const std::size_t at = std::size_t(by) * std::size_t(g.nx) + std::size_t(bx);
    return at < m.size() && m[at];
}

} // namespace

QImage compose(const QImage &picture, const Grid &g, const PerChannel<Layer> &layers,
               const Style &style)
{
    QImage out = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&out);
    p.setClipRect(out.rect());
    for (const Layer &layer : layers) {
        if (!layer.shown || g.nx <= 0 || g.ny <= 0)
            continue;
        QColor colour = layer.colour;
        colour.setAlphaF(float(std::clamp(style.opacity, 0.0, 1.0)));
        if (!style.outline) {
            // One pixel a block, enlarged to the blocks' size without smoothing: each block's
            // pixel covers exactly its rx x ry pixels.
            QImage blocks(g.nx, g.ny, QImage::Format_ARGB32_Premultiplied);
            blocks.fill(Qt::transparent);
            const QRgb marker = qPremultiply(colour.rgba());
            for (int by = 0; by < g.ny; ++by) {
                auto *line = reinterpret_cast<QRgb *>(blocks.scanLine(by));
                for (int bx = 0; bx < g.nx; ++bx)
                    if (marked(g, layer.marks, bx, by))
                        line[bx] = marker;
            }
            p.drawImage(QRect(0, 0, g.nx * g.rx, g.ny * g.ry), blocks);
            continue;
        }
        for (int by = 0; by < g.ny; ++by)
            for (int bx = 0; bx < g.nx; ++bx) {
                if (!marked(g, layer.marks, bx, by))
                    continue;
                const QRect r = blockRect(g, bx, by);
                // Each side that borders an unmarked block or the grid's edge, drawn on the
                // block's own outermost pixels; a pixel on two such sides is drawn once.
                QRegion border;
                if (!marked(g, layer.marks, bx, by - 1))
                    border += QRect(r.left(), r.top(), r.width(), 1);
                if (!marked(g, layer.marks, bx, by + 1))
                    border += QRect(r.left(), r.bottom(), r.width(), 1);
                if (!marked(g, layer.marks, bx - 1, by))
                    border += QRect(r.left(), r.top(), 1, r.height());
                if (!marked(g, layer.marks, bx + 1, by))
                    border += QRect(r.right(), r.top(), 1, r.height());
                for (const QRect &piece : border)
                    p.fillRect(piece, colour);
            }
    }
    p.end();
    return out.convertToFormat(QImage::Format_RGB32);
}

QImage imageOf(const core::ColourSurface &surface)
{
    QImage image(surface.rect.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const core::Colour *from = surface.row(surface.rect.top() + y);
        for (int x = 0; x < image.width(); ++x)
            line[x] = from[x] == core::NoColour ? qRgb(255, 255, 255) : core::toArgb(from[x]);
    }
    return image;
}

} // namespace overlay
