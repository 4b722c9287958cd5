// The six threshold bars: a minimum change reopens its channel's band up to 255.
#include "app/form1.h"

using platform::HScrollBar;
using platform::Label;

namespace {
int component(const HScrollBar *bar)
{
    return static_cast<std::uint8_t>(bar->Value());
}
} // namespace

void Form1::minimumChanged(Channel channel)
{
    const ChannelRow &r = row(channel);
    r.minimumReadout->setCaption(QString::number(r.minimum->Value()));
    if (auto &a = automatic_[channel]; a && a->threshold != r.minimum->Value())
        a.reset();
    r.maximum->setMin(r.minimum->Value());
    r.maximum->setValue(255);
    Shape2->setBackColor(swatch(&ChannelRow::minimum));
}

void Form1::maximumChanged(Channel channel)
{
    const ChannelRow &r = row(channel);
    r.maximumReadout->setCaption(QString::number(r.maximum->Value()));
    Shape3->setBackColor(swatch(&ChannelRow::maximum));
}

core::Colour Form1::swatch(platform::HScrollBar *ChannelRow::*bound) const
{
    PerChannel<int> parts;
    for (const Channel c : Channels)
        parts[c] = component(row(c).*bound);
    return core::RGB(parts[Channel::Red], parts[Channel::Green], parts[Channel::Blue]);
}
