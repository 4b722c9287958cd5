#pragma once

#include <QString>
#include <QWidget>

namespace platform {

// Asks for a file to save to: a modal, non-native save dialog starting at `suggested`, listing
// the files that `filter` names and adding `suffix` to a name without one. Empty when the user
// cancels.
QString askSaveFileName(QWidget *parent, const QString &suggested,
                        const QString &filter = QStringLiteral("PNG pictures (*.png)"),
                        const QString &suffix = QStringLiteral("png"));
// Asks for a file to open in the same way, in a dialog titled `title` starting in `folder`.
QString askOpenFileName(QWidget *parent, const QString &title, const QString &folder,
                        const QString &filter);

} // namespace platform
