#pragma once

// The kinds of value a setting takes. Each kind is read from its text in this one place: a
// record's entry, a batch option, the arguments a recipe stands for and a Python keyword all go
// through the same reading, and a text it refuses is told the same rule.

#include "core/autothreshold.h"
#include "core/channelscan.h"
#include "core/localthreshold.h"

#include <QString>
#include <optional>
#include <utility>

namespace results {

template <class T> struct Kind {
    using Value = T;
    std::optional<T> (*read)(const QString &text);
    QString (*write)(const T &value);
    // What it takes, to follow "takes": "200, 300, 400 or 500".
    const char *rule;
};

// How a recipe's planes are made: channel intensities, threshold markers, or the pixel
// reduction.
enum class Mode { Rgb, Threshold, Reduction };

namespace kinds {
// The preview square's side: 200, 300, 400 or 500.
extern const Kind<int> Side;
// The selection type's index by its name ("media", "massimo", "minimo", "massimo-minimo", in
// any case), -1 for "nessuno", the name of a typed type.
extern const Kind<int> Selection;
// "RGB", "threshold" or "pixel reduction".
extern const Kind<Mode> Modes;
// A block's side, 3 to 30.
extern const Kind<int> Rate;
// "on" or "off".
extern const Kind<bool> OnOff;
// A channel's band, "LO:HI" with 0 <= LO <= HI <= 255.
extern const Kind<scan::Band> Band;
// An automatic method by its name, in any case.
extern const Kind<histogram::Method> Method;
// The frames of a stack: "all", "N" or "A-B[/STEP]".
extern const Kind<QString> Frames;
// The automatic scope: "frame" (false) or "stack" (true).
extern const Kind<bool> StackScope;
// A local method by its name, in any case.
extern const Kind<local::Method> LocalMethod;
// A local method's radius, in blocks: 1 to 100.
extern const Kind<int> LocalRadius;
// A local method's parameter: any number; 0 for the method's default.
extern const Kind<double> LocalParameter;
// Which objects a local method finds: "white" (true) or "dark" (false).
extern const Kind<bool> LocalObjects;
} // namespace kinds

// Whether the text is a whole number from lo to hi, put in `out` when it is.
bool numberIn(const QString &text, int lo, int hi, int &out);

} // namespace results
