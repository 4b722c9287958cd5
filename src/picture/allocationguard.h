#pragma once

#include "core/result.h"
#include <QImage>
#include <QSize>
#include <QString>

namespace picture {

// The one limit on what a picture's pixels may take, Qt's image allocation limit, for every
// decoder alike: a picture over it is refused before anything is decoded.
namespace allocation {

qint64 limitBytes();
// Whether a picture of `size` at four bytes a pixel stays within the limit.
bool allows(QSize size);
// The message for a picture over the limit, the same for every format.
QString tooLarge(QSize size);
// A picture of `size` and `format`; fails when it is over the limit or the memory is not there.
Result<QImage> image(QSize size, QImage::Format format);

} // namespace allocation

} // namespace picture
