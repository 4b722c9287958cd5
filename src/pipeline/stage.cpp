#include "pipeline/stage.h"

#include <QPainter>

namespace pipeline {

namespace {

// As the window's shapes draw their outline: one pixel inside the shape's rectangle.
void outline(QPainter &p, const QRect &shape)
{
    p.setPen(core::toQColor(stage::Outline));
    p.setBrush(Qt::NoBrush);
    p.drawRect(shape.adjusted(0, 0, -1, -1));
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
