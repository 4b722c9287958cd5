#pragma once

#include "core/result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace scan {

// Colours travel as hexadecimal text, blue pair first: 0xBBGGRR as "BBGGRR".

// At least six upper-case digits; -1 gives "FFFFFFFF" (its 32-bit two's complement).
std::string formatHex(std::int32_t n);

// Characters 1 and 2 of the text as a byte, 16 * d1 + d2. The digits are "0"-"9" and the
// upper-case "A"-"F"; anything else in a position that is read (including the end of a text
// that is too short) fails, naming the text.
Result<std::uint8_t> dec(std::string_view esadecimal);
// The same reading with a wider running value; equal to dec for every text it accepts.
Result<std::uint8_t> dec1(std::string_view esadecimal);
// Characters 1 to 6 of the text as one number, 0 to 16777215.
Result<std::int32_t> dec2(std::string_view esadecimal);

} // namespace scan
