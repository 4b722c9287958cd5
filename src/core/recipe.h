#pragma once

// How a plane was made, for naming a saved copy and recording it inside the file.

#include "core/autothreshold.h"
#include "core/channelscan.h"

#include <QList>
#include <QPair>
#include <QString>

namespace results {

struct Recipe {
    int selection = scan::Average; // the selection type's index; -1 when typed
    bool threshold = false;        // threshold markers, not channel intensities
    bool reduction = false;        // the pixel reduction, not a scan
    int rx = 3, ry = 3;
    bool overlap = false; // overlapping blocks
    scan::Band red, green, blue;
    // The automatic method each channel's minimum came from, where one did.
    std::optional<histogram::Method> automatic[3];

    const scan::Band &band(Channel c) const
    {
        return c == Channel::Red ? red : c == Channel::Green ? green : blue;
    }
};

// "media", "massimo", "minimo", "massimo-minimo", or "nessuno" for a typed selection type.
QString selectionName(int selection);

// "<picture>-<view>-<type>-<x>x<y>.png"; `view` is red, green, blue or zoom, `picture` the
// picture file's name without its suffix.
QString suggestedName(const QString &picture, const QString &view, const Recipe &r);

// The picture a plane was made from, as a saved plane records it: enough for a rerun to tell
// whether the plane is still what this picture and these settings make.
struct Source {
    QString path;    // the picture file, absolute
    QString hash;    // a hash of its bytes
    int size = 500;  // the side of the preview square it was fitted into
    QString version; // the program's
};

// The PNG text entries that record how a plane was made, in the order written.
QList<QPair<QString, QString>> describe(const Source &source, const Recipe &r);
// The entry holding a channel's band ("Red threshold", "lo:hi").
QString thresholdKey(Channel channel);
// The entry naming the automatic method of a channel's minimum ("Red automatic threshold").
QString automaticKey(Channel channel);

} // namespace results
