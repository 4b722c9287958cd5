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
    out.rect = region.isValid() ? region : QRect(region.topLeft(), QSize(0, 0));
    const QRect shown = out.rect & stage::Client;
    const std::size_t count =
        static_cast<std::size_t>(out.rect.width()) * static_cast<std::size_t>(out.rect.height());
    if (shown != out.rect)
        out.values.assign(count, core::NoColour);
    else
        out.values.resize(count);
    if (shown.isEmpty())
        return;
    // Painted straight into the values: RGBX8888 lays out its bytes as colour values do, apart
    // from the fourth byte, which is cleared afterwards.
    const int stride = out.rect.width();
    core::Colour *first = out.values.data() +
                          static_cast<std::size_t>(shown.top() - out.rect.top()) * stride +
                          (shown.left() - out.rect.left());
    QImage into(reinterpret_cast<uchar *>(first), shown.width(), shown.height(),
                static_cast<qsizetype>(stride) * 4, QImage::Format_RGBX8888);
    {
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
    }
    core::clearFourthByte(first, shown.width(), shown.height(), stride);
}

} // namespace pipeline
