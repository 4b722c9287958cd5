#include "platform/picturebox.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <initializer_list>

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
    if (!std::isfinite(x) || !std::isfinite(y) || !QRect(QPoint(), size_).contains(px, py))
        return core::NoColour;
    if (surface_.isNull() && picture_.image.isNull())
        return core::fromArgb(core::toArgb(back_));
    return core::fromArgb(reinterpret_cast<const QRgb *>(surface().constScanLine(py))[px]);
}

void PictureBox::PSet(float x, float y, core::Colour c)
{
    const int px = toPixels(x);
    const int py = toPixels(y);
    if (!std::isfinite(x) || !std::isfinite(y) || !QRect(QPoint(), size_).contains(px, py))
        return;
    surface();
    reinterpret_cast<QRgb *>(surface_.scanLine(py))[px] = core::toArgb(c);
    update(contentsRect().x() + px, contentsRect().y() + py, 1, 1);
}

void PictureBox::PSetBlock(int x, int y, int width, int height, const core::Colour *colours)
{
    const QRect target = QRect(x, y, width, height) & QRect(QPoint(), size_);
    if (target.isEmpty())
        return;
    surface();
    for (int row = target.top(); row <= target.bottom(); ++row) {
        const core::Colour *src = colours + static_cast<std::ptrdiff_t>(row - y) * width;
        auto *dst = reinterpret_cast<QRgb *>(surface_.scanLine(row));
        for (int col = target.left(); col <= target.right(); ++col)
            dst[col] = core::toArgb(src[col - x]);
    }
    update();
}

void PictureBox::PSetBlock(int x, int y, const QImage &pixels)
{
    const QRect target = QRect(QPoint(x, y), pixels.size()) & QRect(QPoint(), size_);
    if (target.isEmpty())
        return;
    surface();
    const QImage rgb = pixels.convertToFormat(QImage::Format_RGB32);
    for (int row = target.top(); row <= target.bottom(); ++row)
        std::copy_n(
            reinterpret_cast<const QRgb *>(rgb.constScanLine(row - y)) + (target.left() - x),
            target.width(), reinterpret_cast<QRgb *>(surface_.scanLine(row)) + target.left());
    update();
}

void PictureBox::paintBlank(QImage &into) const
{
    into.fill(core::toArgb(back_));
    if (!picture_.image.isNull()) {
        QPainter p(&into);
        p.drawImage(0, 0, picture_.image);
    }
}

const QImage &PictureBox::surface() const
{
    if (surface_.isNull() && !size_.isEmpty()) {
        surface_ = QImage(size_, QImage::Format_RGB32);
        paintBlank(surface_);
    }
    return surface_;
}

void PictureBox::Cls()
{
    // A surface in use is kept and erased; one never drawn on stays unmade.
    if (!surface_.isNull())
        paintBlank(surface_);
    update();
}

void PictureBox::setPicture(const picture::Picture &picture)
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
    surface();
    QPainter p(&surface_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, pixels);
    update();
}

void PictureBox::geometryApplied()
{
    const QSize interior = contentsRect().size().expandedTo(QSize(0, 0));
    if (interior == size_)
        return;
    size_ = interior;
    if (surface_.isNull())
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
        if (!surface_.isNull()) {
            p.drawImage(contentsRect().topLeft(), surface_);
        } else {
            const QRect interior(contentsRect().topLeft(), size_);
            p.fillRect(interior, core::toQColor(back_));
            if (!picture_.image.isNull())
                p.drawImage(interior.topLeft(), picture_.image, QRect(QPoint(), size_));
        }
    }
    QFrame::paintEvent(e);
    // Copy and Save act on the box with the focus: its border shows which, in the highlight
    // colour, and its pixels stay as they are.
    if (hasFocus() && frameWidth() > 0) {
        QPainter p(this);
        const int w = frameWidth();
        p.setPen(QPen(palette().color(QPalette::Highlight), w, Qt::SolidLine, Qt::SquareCap,
                      Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(w / 2.0, w / 2.0, -w / 2.0, -w / 2.0));
    }
}

void PictureBox::focusInEvent(QFocusEvent *e)
{
    QFrame::focusInEvent(e);
    update();
}

void PictureBox::focusOutEvent(QFocusEvent *e)
{
    QFrame::focusOutEvent(e);
    update();
}

void PictureBox::emitMouseMove(QMouseEvent *e)
{
    const QPointF pos = e->position() - QPointF(contentsRect().topLeft());
    // The classic bit masks: left, right, middle button; Shift, Ctrl, Alt.
    const auto mask = [](auto held, std::initializer_list<decltype(held)> bits) {
        int m = 0, bit = 1;
        for (const auto b : bits)
            m |= held.testAnyFlags(b) ? bit : 0, bit <<= 1;
        return m;
    };
    const int button = mask(e->buttons(), {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton});
    const int shift =
        mask(e->modifiers(), {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier});
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
