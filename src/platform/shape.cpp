#include "platform/shape.h"

#include <QPainter>

namespace platform {

Shape::Shape(const QString &name, Style style, core::Colour color, QWidget *parent)
    : Control<QWidget>(parent)
    , style_(style)
{
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (style == Style::Outline)
        border_ = color;
    else
        back_ = color;
}

void Shape::setBackColor(core::Colour c)
{
    if (c == back_)
        return;
    back_ = c;
    update();
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    if (style_ == Style::Filled)
        p.fillRect(rect(), core::toQColor(back_));
    p.setPen(core::toQColor(border_));
    p.drawRect(r);
}

} // namespace platform
