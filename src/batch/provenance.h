#pragma once

#include <QByteArray>

namespace batch {

// Whether the file is a plane this program wrote: a PNG whose text says so ("Software" is
// "Tintara" and a "Source" names its picture). Reads no further than the pixel data.
bool isTintaraResult(const QByteArray &path);

// Whether a file name has the shape of a saved plane, "<picture>-<view>-<type>-<x>x<y>.png".
bool looksLikeResultName(QByteArrayView name);

} // namespace batch
