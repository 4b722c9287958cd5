#pragma once

// How much a threshold scan marked: what a plane's marks mean as numbers.

#include "core/channelscan.h"

#include <QStringList>
#include <cstdint>

namespace scan {

// The colour a threshold scan gives a channel's blocks inside its band (palette colours 4, 10
// and 1), and every block outside it (palette colour 7).
core::Colour markerColour(Channel channel);
core::Colour unmarkedColour();

struct Count {
    std::uint64_t tested = 0, marked = 0;
    // The marked share, 0 when nothing was tested.
    double percent() const { return tested ? 100.0 * double(marked) / double(tested) : 0.0; }
    bool operator==(const Count &) const = default;
};

// Per channel, and for the blocks marked in all three channels at once and in any of them.
struct Measurements {
    PerChannel<Count> channels;
    Count all, any;

    bool operator==(const Measurements &) const = default;
};

// The blocks of a threshold scan's planes that carry their channel's marker.
Measurements measure(const ScanPlanes &planes);

// A measurement row's columns: red_tested, red_marked, red_percent, then green, blue, all and
// any alike; and the values in that order, the share with two decimals.
QStringList measurementHeader();
QStringList measurementRow(const Measurements &m);
// "1,234 of 27,889 blocks (4.42 %)", in the user's locale.
QString describeCount(const Count &count);

} // namespace scan
