#pragma once

#include "core/result.h"

#include <QByteArrayView>

namespace picture {

// What a HEIF file's own boxes say of its primary picture, read before libheif reads the file:
// libheif 1.15 trusts them, and a file that lists thousands of items, hides a large coded
// stream behind a small size box, or builds a grid larger than its size box takes it seconds
// and hundreds of megabytes before it returns. Fails, saying why, when the file may not go to
// libheif. Only what libheif would decode for the primary picture is looked at: the
// picture, a grid's tiles, and its alpha.
Result<void> checkHeif(QByteArrayView file);

// The most items a file may list; phones write a few dozen.
inline constexpr int HeifMaxItems = 1000;

} // namespace picture
