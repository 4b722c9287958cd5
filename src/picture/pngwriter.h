#pragma once

#include "core/result.h"

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

namespace picture {

// Writes the picture as PNG with the text entries, atomically: the old file stays whole until
// the new one is complete, and nothing is left behind on failure.
Result<void> savePng(const QImage &image, const QString &path,
                     const QList<QPair<QString, QString>> &texts);
// Writes the bytes to the file in the same way.
Result<void> saveBytes(const QByteArray &bytes, const QString &path);

} // namespace picture
