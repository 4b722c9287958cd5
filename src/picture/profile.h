#pragma once

#include "core/result.h"
#include <QByteArrayView>
#include <QColorSpace>
#include <QString>

namespace picture {

// Embedded colour profiles, alike for every format.
namespace profile {

// The largest profile read. Printers' largest are a few hundred kilobytes; a larger one costs
// its parse and the picture's every load, and is refused before it is parsed.
inline constexpr qsizetype MaxBytes = qsizetype(4) << 20;

// The message for a profile over the limit, the same for every format.
QString tooLarge(qint64 bytes);
// What the profile says, as a colour space; fails, with nothing parsed, when it is over the
// limit. Invalid (the picture taken as sRGB) when Qt cannot read it.
Result<QColorSpace> read(QByteArrayView icc);
// Whether a colour space takes black to black and white to white in sRGB. One that does not
// (negative colorants, a curve of gamma 0) would turn the picture to nonsense, so it is not
// used and the picture is taken as sRGB.
bool believable(const QColorSpace &space);

} // namespace profile

} // namespace picture
