#include "core/probe.h"

#include "core/hexcodec.h"

#include <string_view>

namespace thresholds {

Components probeComponents(core::Colour c)
{
    const std::string t = scan::formatHex(c);
    const std::string_view v(t);
    // formatHex writes nothing dec cannot read.
    return {scan::dec(v.substr(0, 2)).value(), scan::dec(v.substr(2, 2)).value(),
            scan::dec(v.substr(4, 2)).value()};
}

} // namespace thresholds
