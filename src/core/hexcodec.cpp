#include "core/hexcodec.h"

#include <cmath>
#include <cstdio>

namespace scan {

namespace {

// Digit value of character i (1-based) of the text: the letters A to F by exact comparison,
// then a decimal conversion of anything else.
int digitValue(std::string_view text, std::size_t i)
{
    const char c = i <= text.size() ? text[i - 1] : '\0';
    constexpr std::string_view letters = "ABCDEF";
    if (const auto at = letters.find(c); c != '\0' && at != std::string_view::npos)
        return static_cast<int>(10 + at);
    if (c >= '0' && c <= '9')
        return c - '0';
    return -1;
}

// v = 16^(n - i) * d + v for i = 1..n, in double precision, converted back after each digit.
template <class Running> Result<Running> readDigits(std::string_view text, int n)
{
    Running v = 0;
    for (int i = 1; i <= n; ++i) {
        const int d = digitValue(text, static_cast<std::size_t>(i));
        if (d < 0)
            return Failure{QStringLiteral("not hexadecimal colour text: \"%1\"")
                               .arg(QString::fromUtf8(text.data(), qsizetype(text.size())))};
        v = static_cast<Running>(std::nearbyint(std::pow(16.0, n - i) * double(d) + v));
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

Result<std::uint8_t> dec(std::string_view esadecimal)
{
    return readDigits<std::uint8_t>(esadecimal, 2);
}

Result<std::uint8_t> dec1(std::string_view esadecimal)
{
    const Result<std::int32_t> v = readDigits<std::int32_t>(esadecimal, 2);
    if (!v)
        return v.failure();
    return static_cast<std::uint8_t>(*v);
}

Result<std::int32_t> dec2(std::string_view esadecimal)
{
    return readDigits<std::int32_t>(esadecimal, 6);
}

} // namespace scan
