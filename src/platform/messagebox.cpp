#include "platform/messagebox.h"

namespace platform {

void MsgBox(QWidget *parent, const QString &text, const QString &title, QMessageBox::Icon icon)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

QMessageBox::StandardButton Ask(QWidget *parent, const QString &text, const QString &title,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton fallback)
{
    QMessageBox box(QMessageBox::Question, title, text, buttons, parent);
    box.setEscapeButton(fallback);
    const int pressed = box.exec();
    return buttons.testFlag(QMessageBox::StandardButton(pressed))
               ? QMessageBox::StandardButton(pressed)
               : fallback;
}

} // namespace platform
