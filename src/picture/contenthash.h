#pragma once

#include <QIODevice>
#include <QString>

namespace picture {

// A hash of a picture file's bytes, "xxh3-128:" and 32 hexadecimal digits, that tells two
// states of a file apart: what a saved plane records of the picture it was made from. Reads
// the device from its start to its end and leaves it there; empty, with `error`, when it
// cannot.
QString contentHash(QIODevice &device, QString &error);
QString contentHash(const QString &path, QString &error);

} // namespace picture
