#pragma once

// Automatic thresholds: the sixteen classic ways of choosing, from a 256-bin histogram of block
// values, the threshold t that splits them into the bins 0..t and the band (t, max], as ImageJ's
// list names and computes them.

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

// The method's threshold t for these counts, within 0..255: the number ImageJ's AutoThresholder
// gives for them, ties and rounding included, so that it may leave one side empty where ImageJ's
// does (Otsu on values 0 and 1 alone gives 254). None where there is no answer: fewer than two
// distinct values; Intermodes and Minimum finding no two peaks within 10,000 smoothing rounds;
// MinError leaving the values or never settling.
std::optional<int> threshold(Method method, const Bins &bins);

} // namespace histogram
