#include "platform/picturebox.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace platform {

PictureBox::PictureBox(const QString &name, bool bordered, QWidget *parent)
    : Control<QFrame>(parent)
    , surface_(0, 0, QImage::Format_RGB32)
    , back_(core::fromQColor(palette().color(QPalette::Button)))
{
    setObjectName(name);
    if (bordered) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(2);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
    setMouseTracking(true);
}

core::Colour PictureBox::Point(float x, float y) const
{
    const int px = toPixels(x);
    const int py = toPixels(y);
    if (!std::isfinite(x) || !std::isfinite(y) || !surface_.valid(px, py))
        return core::NoColour;
    return core::fromArgb(reinterpret_cast<const QRgb *>(surface_.constScanLine(py))[px]);
}

void PictureBox::PSet(float x, float y, core::Colour c)
{
    const int px = toPixels(x);
    const int py = toPixels(y);
    if (!std::isfinite(x) || !std::isfinite(y) || !surface_.valid(px, py))
        return;
    reinterpret_cast<QRgb *>(surface_.scanLine(py))[px] = core::toArgb(c);
    update(contentsRect().x() + px, contentsRect().y() + py, 1, 1);
}

void PictureBox::PSetBlock(int x, int y, int width, int height, const core::Colour *colours)
{
    const QRect target = QRect(x, y, width, height) & surface_.rect();
    if (target.isEmpty())
        return;
    for (int row = target.top(); row <= target.bottom(); ++row) {
        const core::Colour *src = colours + static_cast<std::ptrdiff_t>(row - y) * width;
        auto *dst = reinterpret_cast<QRgb *>(surface_.scanLine(row));
        for (int col = target.left(); col <= target.right(); ++col)
            dst[col] = core::toArgb(src[col - x]);
    }
    update();
}

void PictureBox::Cls()
{
    surface_.fill(core::toArgb(back_));
    if (!picture_.image.isNull()) {
        QPainter p(&surface_);
        p.drawImage(0, 0, picture_.image);
    }
    update();
}

void PictureBox::setPicture(const Picture &picture)
{
    picture_ = picture;
    if (autoSize_ && !picture.isEmpty()) {
        const QMargins m =
            contentsMargins() + QMargins(frameWidth(), frameWidth(), frameWidth(), frameWidth());
        setWidth(static_cast<float>(picture.size.width() + m.left() + m.right()));
        setHeight(static_cast<float>(picture.size.height() + m.top() + m.bottom()));
    }
    Cls();
}

void PictureBox::drawSurface(const QImage &pixels)
{
    QPainter p(&surface_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, pixels);
    update();
}

void PictureBox::geometryApplied()
{
    const QSize interior = contentsRect().size().expandedTo(QSize(0, 0));
    if (interior == surface_.size())
        return;
    QImage grown(interior, QImage::Format_RGB32);
    grown.fill(core::toArgb(back_));
    if (!surface_.isNull() && !grown.isNull()) {
        QPainter p(&grown);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, surface_);
    }
    surface_ = grown;
}

void PictureBox::paintEvent(QPaintEvent *e)
{
    {
        QPainter p(this);
        p.drawImage(contentsRect().topLeft(), surface_);
    }
    QFrame::paintEvent(e);
}

void PictureBox::emitMouseMove(QMouseEvent *e)
{
    const QPointF pos = e->position() - QPointF(contentsRect().topLeft());
    int button = 0;
    if (e->buttons() & Qt::LeftButton)
        button |= 1;
    if (e->buttons() & Qt::RightButton)
        button |= 2;
    if (e->buttons() & Qt::MiddleButton)
        button |= 4;
    int shift = 0;
    if (e->modifiers() & Qt::ShiftModifier)
        shift |= 1;
    if (e->modifiers() & Qt::ControlModifier)
        shift |= 2;
    if (e->modifiers() & Qt::AltModifier)
        shift |= 4;
    emit MouseMove(button, shift, static_cast<float>(pos.x()), static_cast<float>(pos.y()));
}

void PictureBox::mouseMoveEvent(QMouseEvent *e)
{
    emitMouseMove(e);
}

void PictureBox::mousePressEvent(QMouseEvent *e)
{
    pressed_ = e->button() == Qt::LeftButton;
}

void PictureBox::mouseReleaseEvent(QMouseEvent *e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->pos());
    pressed_ = false;
    if (click)
        emit Click();
}

} // namespace platform
