#pragma once

// Automatic thresholds: the sixteen classic ways of choosing, from a 256-bin histogram of block
// values, the threshold t that splits them into the bins 0..t and the band (t, max].

#include "core/histogram.h"

#include <array>
#include <optional>
#include <string_view>

namespace histogram {

enum class Method {
    Default,
    Huang,
    Intermodes,
    IsoData,
    Li,
    MaxEntropy,
    Mean,
    MinError,
    Minimum,
    Moments,
    Otsu,
    Percentile,
    RenyiEntropy,
    Shanbhag,
    Triangle,
    Yen,
};

inline constexpr std::array<Method, 16> Methods = {
    Method::Default,      Method::Huang,      Method::Intermodes, Method::IsoData,
    Method::Li,           Method::MaxEntropy, Method::Mean,       Method::MinError,
    Method::Minimum,      Method::Moments,    Method::Otsu,       Method::Percentile,
    Method::RenyiEntropy, Method::Shanbhag,   Method::Triangle,   Method::Yen,
};

// "Default", "Huang", ... as the method list shows them.
const char *methodName(Method method);
// The method a name calls for, whatever its case; none for a name of no method.
std::optional<Method> methodNamed(std::string_view name);

// The method's threshold for these counts: always within 0..254, and always a t that leaves
// blocks on both sides of it. None where the method has no answer: fewer than two distinct
// values, or (Intermodes, Minimum) no two peaks however far the counts are smoothed.
std::optional<int> threshold(Method method, const Bins &bins);

} // namespace histogram
