#pragma once

#include "core/result.h"
#include <QIODevice>
#include <QString>

namespace picture {

// A hash of a picture file's bytes, "xxh3-128:" and 32 hexadecimal digits, that tells two
// states of a file apart: what a saved plane records of the picture it was made from. Reads
// the device from its start to its end and leaves it there.
Result<QString> contentHash(QIODevice &device);
Result<QString> contentHash(const QString &path);

} // namespace picture
