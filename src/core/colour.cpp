#include "core/colour.h"

#include "core/result.h"
#include <array>
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
    TINTARA_EXPECTS(n >= 0 && n < static_cast<int>(palette.size()), "QBColor: no such colour");
    return palette[static_cast<std::size_t>(n)];
}

} // namespace core
