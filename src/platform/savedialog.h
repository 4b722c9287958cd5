#pragma once

#include <QString>
#include <QWidget>

namespace platform {

// Asks for a file to save to: a modal, non-native save dialog starting at `suggested`.
// Empty when the user cancels.
QString askSaveFileName(QWidget *parent, const QString &suggested);

} // namespace platform
