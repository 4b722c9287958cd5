#pragma once

#include "core/channel.h"
#include "core/colour.h"

#include <cstdint>

namespace thresholds {

using Components = PerChannel<std::uint8_t>;

// Splits a colour into its components through its hex text, blue pair first.
Components probeComponents(core::Colour c);

} // namespace thresholds
