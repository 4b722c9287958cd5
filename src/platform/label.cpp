#include "platform/label.h"

namespace platform {

Label::Label(const QString &name, const QString &caption, QWidget *parent)
    : Control<QLabel>(caption, parent)
{
    setObjectName(name);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

namespace {

core::Colour colourOf(const QWidget &w, QPalette::ColorRole role)
{
    return core::fromQColor(w.palette().color(role));
}

void setColour(QWidget &w, QPalette::ColorRole role, core::Colour c)
{
    QPalette p = w.palette();
    p.setColor(role, core::toQColor(c));
    w.setPalette(p);
}

} // namespace

core::Colour Label::ForeColor() const
{
    return colourOf(*this, QPalette::WindowText);
}

void Label::setForeColor(core::Colour c)
{
    setColour(*this, QPalette::WindowText, c);
}

core::Colour Label::BackColor() const
{
    return colourOf(*this, QPalette::Window);
}

void Label::setBackColor(core::Colour c)
{
    setColour(*this, QPalette::Window, c);
    setAutoFillBackground(true);
}

} // namespace platform
