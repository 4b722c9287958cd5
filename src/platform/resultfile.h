#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

namespace platform {

// Asks for a file to save to: a modal, non-native save dialog starting at `suggested`.
// Empty when the user cancels.
QString askSaveFileName(QWidget *parent, const QString &suggested);

// Writes the picture as PNG with the text entries, atomically: the old file stays whole until
// the new one is complete, and nothing is left behind on failure. Returns why it failed, or
// an empty text.
QString savePng(const QImage &image, const QString &path,
                const QList<QPair<QString, QString>> &texts);

} // namespace platform
