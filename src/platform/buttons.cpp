#include "platform/buttons.h"

namespace platform {

CommandButton::CommandButton(const QString &name, const QString &caption, QWidget *parent)
    : Control<QPushButton>(caption, parent)
{
    setObjectName(name);
    setAutoDefault(false);
}

OptionButton::OptionButton(const QString &name, const QString &caption, Colour fore, Colour back,
                           QWidget *parent)
    : Control<QRadioButton>(caption, parent)
{
    setObjectName(name);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, toQColor(fore));
    p.setColor(QPalette::Window, toQColor(back));
    setPalette(p);
    setAutoFillBackground(true);
}

} // namespace platform
