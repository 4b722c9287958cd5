#pragma once

#include <QColor>
#include <cstdint>

namespace platform {

// A colour as the window toolkit hands it around: red in the low byte, green in the next,
// blue in the third. -1 stands for "no colour here" (a point read outside a surface).
using Colour = std::int32_t;

constexpr Colour NoColour = -1;

constexpr Colour RGB(int r, int g, int b)
{
    return r + 256 * g + 65536 * b;
}

// The classic 16-colour palette; throws std::invalid_argument outside 0..15.
Colour QBColor(int n);

// Pixel values in the layout of QImage::Format_RGB32 (0xffRRGGBB) and back.
// NoColour maps to white: a surface has a colour everywhere.
constexpr std::uint32_t toArgb(Colour c)
{
    const auto v = static_cast<std::uint32_t>(c);
    if (c < 0)
        return 0xffffffffu;
    return 0xff000000u | ((v & 0xffu) << 16) | (v & 0xff00u) | ((v >> 16) & 0xffu);
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

} // namespace platform
