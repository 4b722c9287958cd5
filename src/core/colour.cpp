#include "core/colour.h"

#include <array>
#include <stdexcept>
#include <string>

namespace core {

Colour QBColor(int n)
{
    static constexpr std::array<Colour, 16> palette = {
        RGB(0, 0, 0),       RGB(0, 0, 128),   RGB(0, 128, 0),   RGB(0, 128, 128),
        RGB(128, 0, 0),     RGB(128, 0, 128), RGB(128, 128, 0), RGB(192, 192, 192),
        RGB(128, 128, 128), RGB(0, 0, 255),   RGB(0, 255, 0),   RGB(0, 255, 255),
        RGB(255, 0, 0),     RGB(255, 0, 255), RGB(255, 255, 0), RGB(255, 255, 255),
    };
    if (n < 0 || n >= static_cast<int>(palette.size()))
        throw std::invalid_argument("QBColor: no palette colour " + std::to_string(n));
    return palette[static_cast<std::size_t>(n)];
}

} // namespace core
