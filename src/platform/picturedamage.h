#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Some readers hand back a picture for a damaged file without an error, filling what is
// missing with grey or black. These checks look at the file itself: `head` is its first
// bytes, `tail` its last ones, `fileSize` its length. They return why the file is damaged,
// or an empty text when nothing is wrong that they can see.
QString findDamage(const QByteArray &format, const QByteArray &head, const QByteArray &tail,
                   qint64 fileSize);

} // namespace platform
