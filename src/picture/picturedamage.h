#pragma once

#include "core/result.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace picture {

// Some readers hand back a picture for a damaged file without an error, filling what is
// missing with grey or black. These checks follow the file's own structure up to the
// picture's end (a GIF's trailer, the end of a BMP's pixel data or RLE stream, a PNG's end
// chunk, an XBM's last byte) and ignore whatever follows it. They fail, saying why the file is
// damaged, when they see something wrong.
Result<void> findDamage(const QByteArray &format, QIODevice &device);
// The same for a file held in memory.
Result<void> findDamage(const QByteArray &format, const QByteArray &data);

} // namespace picture
