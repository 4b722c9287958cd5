#include "core/hexcodec.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace scan {

namespace {

// Digit value of character i (1-based) of the text: the letters A to F by exact comparison,
// then a decimal conversion of anything else.
std::uint8_t digitValue(std::string_view text, std::size_t i)
{
    const char c = i <= text.size() ? text[i - 1] : '\0';
    constexpr std::string_view letters = "ABCDEF";
    if (const auto at = letters.find(c); c != '\0' && at != std::string_view::npos)
        return static_cast<std::uint8_t>(10 + at);
    if (c >= '0' && c <= '9')
        return static_cast<std::uint8_t>(c - '0');
    throw std::invalid_argument("not hexadecimal colour text: \"" + std::string(text) + "\"");
}

// v = 16^(n - i) * d + v for i = 1..n, in double precision, converted back after each digit.
template <class Running> Running readDigits(std::string_view text, int n)
{
    Running v = 0;
    for (int i = 1; i <= n; ++i) {
        const double d = digitValue(text, static_cast<std::size_t>(i));
        v = static_cast<Running>(std::nearbyint(std::pow(16.0, n - i) * d + v));
    }
    return v;
}

} // namespace

std::string formatHex(std::int32_t n)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", static_cast<std::uint32_t>(n));
    std::string t(buffer);
    while (t.size() < 6)
        t.insert(t.begin(), '0');
    return t;
}

std::uint8_t dec(std::string_view esadecimal)
{
    return readDigits<std::uint8_t>(esadecimal, 2);
}

std::uint8_t dec1(std::string_view esadecimal)
{
    return static_cast<std::uint8_t>(readDigits<std::int32_t>(esadecimal, 2));
}

std::int32_t dec2(std::string_view esadecimal)
{
    return readDigits<std::int32_t>(esadecimal, 6);
}

} // namespace scan
