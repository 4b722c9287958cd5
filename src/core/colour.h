#pragma once

#include <QColor>
#include <cstdint>

namespace core {

// A colour as the window toolkit hands it around: red in the low byte, green in the next,
// blue in the third. -1 stands for "no colour here" (a point read outside a surface).
using Colour = std::int32_t;

constexpr Colour NoColour = -1;

constexpr Colour RGB(int r, int g, int b)
{
    return r + 256 * g + 65536 * b;
}

// The windows' named colours.
inline constexpr Colour Red = RGB(255, 0, 0);
inline constexpr Colour Blue = RGB(0, 0, 255);
inline constexpr Colour White = RGB(255, 255, 255);
inline constexpr Colour LightBlue = RGB(192, 192, 255);
inline constexpr Colour LightPink = RGB(255, 192, 192);
inline constexpr Colour DarkYellow = RGB(192, 192, 0);

// The classic 16-colour palette; its callers ask only for 0..15.
Colour QBColor(int n);

// Pixel values in the layout of QImage::Format_RGB32 (0xffRRGGBB) and back.
// NoColour maps to white: a surface has a colour everywhere.
constexpr std::uint32_t toArgb(Colour c)
{
    const auto v = static_cast<std::uint32_t>(c);
    // All ones for a negative value: no branch, so that loops over planes vectorize.
    const std::uint32_t none = static_cast<std::uint32_t>(c >> 31);
    return 0xff000000u | ((v & 0xffu) << 16) | (v & 0xff00u) | ((v >> 16) & 0xffu) | none;
}

constexpr Colour fromArgb(std::uint32_t argb)
{
    return static_cast<Colour>(((argb & 0xffu) << 16) | (argb & 0xff00u) | ((argb >> 16) & 0xffu));
}

inline QColor toQColor(Colour c)
{
    return QColor::fromRgb(toArgb(c));
}
inline Colour fromQColor(const QColor &c)
{
    return RGB(c.red(), c.green(), c.blue());
}

} // namespace core
