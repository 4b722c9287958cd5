#pragma once

#include <QByteArrayView>
#include <QString>

namespace picture {

// What a HEIF file's own boxes say of its primary picture, read before libheif reads the file:
// libheif 1.15 trusts them, and a file that lists thousands of items, hides a large coded
// stream behind a small size box, or builds a grid larger than its size box takes it seconds
// and hundreds of megabytes before it returns. Empty when the file may go to libheif, else why
// it is refused. Only what libheif would decode for the primary picture is looked at: the
// picture, a grid's tiles, and its alpha.
QString heifRefusal(QByteArrayView file);

// The most items a file may list; phones write a few dozen.
inline constexpr int HeifMaxItems = 1000;

} // namespace picture
