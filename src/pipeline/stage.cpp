#include "pipeline/stage.h"

#include <QPainter>

namespace pipeline {

namespace {

// As the window shows a shape's outline: a closed line of one pixel, corners included, just
// inside the shape's rectangle.
void outline(QPainter &p, const QRect &shape)
{
    const QColor colour = core::toQColor(stage::Outline);
    p.fillRect(QRect(shape.topLeft(), QSize(shape.width(), 1)), colour);
    p.fillRect(QRect(shape.left(), shape.bottom(), shape.width(), 1), colour);
    p.fillRect(QRect(shape.topLeft(), QSize(1, shape.height())), colour);
    p.fillRect(QRect(shape.right(), shape.top(), 1, shape.height()), colour);
}

// Whether a preview's pixels pass unchanged when drawn, and so can be copied straight into a
// surface: an opaque picture of 8 bits a channel.
bool copiedStraight(const QImage &preview)
{
    return preview.format() == QImage::Format_RGB32 || preview.format() == QImage::Format_RGB888;
}

// The preview's pixels, placed at `at`, into the surface where they fall inside it and inside
// the client area: what drawing it there gives, without a painter's conversion by pieces.
void copyPreview(const QImage &preview, QPoint at, core::ColourSurface &out)
{
    const QRect inside = out.rect & stage::Client & QRect(at, preview.size());
    const bool packed = preview.format() == QImage::Format_RGB888;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        core::Colour *to = out.values.data() +
                           std::size_t(y - out.rect.top()) * std::size_t(out.rect.width()) +
                           std::size_t(inside.left() - out.rect.left());
        const uchar *line = preview.constScanLine(y - at.y());
        const int first = inside.left() - at.x();
        if (packed) {
            const uchar *from = line + 3 * first;
            for (int x = 0; x < inside.width(); ++x, from += 3)
                to[x] = core::Colour(from[0] | (from[1] << 8) | (from[2] << 16));
        } else {
            const auto *from = reinterpret_cast<const QRgb *>(line) + first;
            for (int x = 0; x < inside.width(); ++x)
                to[x] = core::fromArgb(from[x]);
        }
    }
}

} // namespace

void readStage(const QImage &preview, int side, const QRect &region, core::ColourSurface &out)
{
    const QRect picture(stage::PreviewAt, preview.size());
    const bool copied = copiedStraight(preview);
    core::paintSurface(out, region, stage::Client, [&](QImage &into, const QRect &shown) {
        // The ground shows only around the preview where the preview hides it all: an opaque
        // preview is one copy.
        if (!preview.hasAlphaChannel() && picture.contains(shown)) {
            if (!copied) {
                QPainter p(&into);
                p.drawImage(picture.translated(-shown.topLeft()), preview);
            }
            return;
        }
        QPainter p(&into);
        p.translate(-shown.topLeft());
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRect frame(stage::FrameAt,
                          QSize(side + 2 * stage::FrameMargin, side + 2 * stage::FrameMargin));
        p.fillRect(shown, core::toQColor(stage::Ground));
        outline(p, frame);
        outline(p, stage::Controls);
        if (!preview.isNull() && !copied)
            p.drawImage(picture, preview);
    });
    if (copied)
        copyPreview(preview, stage::PreviewAt, out);
}

} // namespace pipeline
