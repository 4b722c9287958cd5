#pragma once

// Which frames of a stack or a film a text names: "all", "N" or "A-B[/STEP]", numbered from 1.

#include <QList>
#include <QString>
#include <optional>

namespace results {

// The highest frame number a frames text or a record may name.
inline constexpr int MaxFrameNumber = 99'999'999;

// From `first` to `last` (none: to the end) every `step`.
struct FrameRange {
    int first = 1;
    std::optional<int> last;
    int step = 1;
    // The frame numbers of a stack of `count` frames that the range takes.
    QList<int> of(int count) const;
};
// The range of "all", "N" or "A-B[/STEP]"; none for any other text.
std::optional<FrameRange> frameRange(const QString &text);

} // namespace results
