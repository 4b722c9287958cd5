// The colour probe over the planes, and a click to take a component as minimum threshold.
#include "app/form1.h"

#include "core/probe.h"

#include <cmath>

void Form1::probe(Channel channel, float x, float y)
{
    // The pixel that contains the pointer, also at fractional positions (scaled screens).
    const core::Colour c = row(channel).plane->Point(std::floor(x), std::floor(y));
    if (c == core::NoColour)
        return;
    const thresholds::Components parts = thresholds::probeComponents(c);
    for (const Channel shown : {Channel::Blue, Channel::Green, Channel::Red})
        row(shown).probe->setCaption(QString::number(parts[shown]));
}

void Form1::takeThreshold(Channel channel)
{
    bool ok = false;
    const short value = row(channel).probe->Caption().toShort(&ok);
    if (ok)
        row(channel).minimum->setValue(value);
}
