#include "platform/buttons.h"

namespace platform {

CommandButton::CommandButton(const QString &name, const QString &caption, QWidget *parent)
    : Control<QPushButton>(caption, parent)
{
    setObjectName(name);
    setAutoDefault(false);
}

OptionButton::OptionButton(const QString &name, const QString &caption, core::Colour fore,
                           core::Colour back, QWidget *parent)
    : Control<QRadioButton>(caption, parent)
{
    setObjectName(name);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, core::toQColor(fore));
    p.setColor(QPalette::Window, core::toQColor(back));
    setPalette(p);
    setAutoFillBackground(true);
}

CheckBox::CheckBox(const QString &name, const QString &caption, QWidget *parent)
    : Control<QCheckBox>(caption, parent)
{
    setObjectName(name);
}

} // namespace platform
