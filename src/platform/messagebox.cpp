#include "platform/messagebox.h"

namespace platform {

void MsgBox(QWidget *parent, const QString &text, const QString &title, QMessageBox::Icon icon)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace platform
