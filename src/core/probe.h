#pragma once

#include "core/colour.h"

#include <cstdint>

namespace thresholds {

struct Components {
    std::uint8_t blue = 0, green = 0, red = 0;
};

// Splits a colour into its components through its hex text, blue pair first.
Components probeComponents(core::Colour c);

} // namespace thresholds
