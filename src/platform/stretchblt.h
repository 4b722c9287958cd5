#pragma once

#include "platform/picturebox.h"

#include <cstdint>

namespace platform {

inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;

// Copies the source rectangle of one picture box onto the destination rectangle of another,
// scaled independently in x and y by pixel repetition (no smoothing). Only SRCCOPY is known;
// returns false, copying nothing, for any other operation or an empty rectangle.
bool StretchBlt(PictureBox &dest, int dx, int dy, int dw, int dh, const PictureBox &src, int sx,
                int sy, int sw, int sh, std::uint32_t rop);

} // namespace platform
