#pragma once

#include "core/result.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace batch {

// Whether the file is a plane this program wrote: a PNG whose text says so ("Software" is
// "Tintara" and a "Source" names its picture). Reads no further than the pixel data.
bool isTintaraResult(const QByteArray &path);

// Whether a file name has the shape of a saved plane, "<picture>-<view>-<type>-<x>x<y>.png".
bool looksLikeResultName(QByteArrayView name);

// What a file at a plane's name holds, against what a plane made now would record (`wanted`,
// the plane's text entries).
struct Existing {
    enum State {
        Missing,   // nothing there
        UpToDate,  // this picture's plane, of these bytes, settings and program
        OutOfDate, // this picture's plane, of an earlier state of it or other settings
        Foreign,   // another picture's plane, or no plane of ours at all
    };
    State state = Missing;
    QString owner; // Foreign: the picture whose plane it is; empty when it is none of ours
};
Existing existingPlane(const QString &path, const QList<QPair<QString, QString>> &wanted);

} // namespace batch
