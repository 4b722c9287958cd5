#pragma once

#include "core/result.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace picture {

// The text entries of a PNG file that come before its pixels (tEXt, zTXt, iTXt), as keys and
// values; fails when it is no PNG or cannot be read. Qt's own reader cannot give keys that hold
// a space, such as "Source path".
Result<QList<QPair<QString, QString>>> pngTexts(const QByteArray &path);

} // namespace picture
