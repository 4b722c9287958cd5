#pragma once

#include "core/result.h"
#include "picture/picture.h"

#include <QFile>
#include <QIODevice>
#include <QString>
#include <atomic>
#include <optional>

namespace picture {

// The state of a regular file; fails, saying so, for a folder, a pipe or a device (whose reading
// could block or never end), and with the system's reason for a file that cannot be read.
Result<FileState> regularFile(const QString &path);
// The same, and `file` opened to read it.
Result<FileState> openRegularFile(const QString &path, QFile &file);

// A hash of a picture file's bytes, "xxh3-128:" and 32 hexadecimal digits, that tells two
// states of a file apart: what a saved plane records of the picture it was made from. Reads
// the device from its start to its end and leaves it there; setting `cancel` stops it, failing.
Result<QString> contentHash(QIODevice &device, const std::atomic<bool> *cancel = nullptr);
// The same of a file, taken only while it is still as `state` says it was (when given): fails
// where it has been written since, so that a record never claims bytes that were not read.
Result<QString> contentHash(const QString &path, const std::optional<FileState> &state = {},
                            const std::atomic<bool> *cancel = nullptr);

} // namespace picture
