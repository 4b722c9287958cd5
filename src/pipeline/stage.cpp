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

} // namespace

void readStage(const QImage &preview, int side, const QRect &region, core::ColourSurface &out)
{
    core::paintSurface(out, region, stage::Client, [&](QImage &into, const QRect &shown) {
        QPainter p(&into);
        p.translate(-shown.topLeft());
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRect frame(stage::FrameAt,
                          QSize(side + 2 * stage::FrameMargin, side + 2 * stage::FrameMargin));
        const QRect picture(stage::PreviewAt, preview.size());
        // The ground shows only around the preview where the preview hides it all: an opaque
        // preview is one copy.
        if (!preview.hasAlphaChannel() && picture.contains(shown))
            p.drawImage(picture, preview);
        else {
            p.fillRect(shown, core::toQColor(stage::Ground));
            outline(p, frame);
            outline(p, stage::Controls);
            if (!preview.isNull())
                p.drawImage(picture, preview);
        }
    });
}

} // namespace pipeline
