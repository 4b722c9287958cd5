#pragma once

#include "core/result.h"

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

namespace picture {

// When a written file reaches the disk. Either way it is never seen half-written: the old file
// stays whole until the new one is complete and takes its name, and nothing is left behind on
// failure. Synced: before the write returns, as a single Save does. Deferred: when the system
// writes it back, or at the syncFileSystem that ends a run of many, as cp and rsync leave it.
enum class Durability { Synced, Deferred };

// The picture as PNG with the text entries, in memory.
Result<QByteArray> encodePng(const QImage &image, const QList<QPair<QString, QString>> &texts);
// Writes the picture as PNG with the text entries.
Result<void> savePng(const QImage &image, const QString &path,
                     const QList<QPair<QString, QString>> &texts,
                     Durability durability = Durability::Synced);
// Writes the bytes to the file in the same way.
Result<void> saveBytes(const QByteArray &bytes, const QString &path,
                       Durability durability = Durability::Synced);
// Waits until everything written to the file system that holds `path` is on its disk.
Result<void> syncFileSystem(const QString &path);

} // namespace picture
