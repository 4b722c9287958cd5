#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace picture {

// Some readers hand back a picture for a damaged file without an error, filling what is
// missing with grey or black. These checks follow the file's own structure up to the
// picture's end (a GIF's trailer, the end of a BMP's pixel data or RLE stream, a PNG's end
// chunk, an XBM's last byte) and ignore whatever follows it. They return why the file is
// damaged, or an empty text when nothing is wrong that they can see.
QString findDamage(const QByteArray &format, QIODevice &device);
// The same for a file held in memory.
QString findDamage(const QByteArray &format, const QByteArray &data);

} // namespace picture
