#pragma once

#include <QMessageBox>
#include <QString>

namespace platform {

// A modal message box with an OK button only.
void MsgBox(QWidget *parent, const QString &text, const QString &title,
            QMessageBox::Icon icon = QMessageBox::Information);

} // namespace platform
