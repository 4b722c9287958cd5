#pragma once

#include <QMessageBox>
#include <QString>

namespace platform {

// A modal message box with an OK button only.
void MsgBox(QWidget *parent, const QString &text, const QString &title,
            QMessageBox::Icon icon = QMessageBox::Information);
// A modal question with the given buttons; the button pressed, `fallback` when the box is
// closed without one (Escape).
QMessageBox::StandardButton Ask(QWidget *parent, const QString &text, const QString &title,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton fallback);

} // namespace platform
