#include "core/probe.h"

#include "core/hexcodec.h"

#include <string_view>

namespace thresholds {

Components probeComponents(core::Colour c)
{
    const std::string t = scan::formatHex(c);
    const std::string_view v(t);
    // formatHex writes nothing dec cannot read.
    Components parts;
    parts[Channel::Blue] = scan::dec(v.substr(0, 2)).value();
    parts[Channel::Green] = scan::dec(v.substr(2, 2)).value();
    parts[Channel::Red] = scan::dec(v.substr(4, 2)).value();
    return parts;
}

} // namespace thresholds
