#include "platform/label.h"

namespace platform {

Label::Label(const QString &name, const QString &caption, QWidget *parent)
    : Control<QLabel>(caption, parent)
{
    setObjectName(name);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

core::Colour Label::ForeColor() const
{
    return core::fromQColor(palette().color(QPalette::WindowText));
}

void Label::setForeColor(core::Colour c)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, core::toQColor(c));
    setPalette(p);
}

core::Colour Label::BackColor() const
{
    return core::fromQColor(palette().color(QPalette::Window));
}

void Label::setBackColor(core::Colour c)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, core::toQColor(c));
    setPalette(p);
    setAutoFillBackground(true);
}

} // namespace platform
