#include "app/layout.h"

namespace layout {

std::span<const Control> form1Controls()
{
#define TINTARA_ROW(name, kind, font, l, t, w, h, caption, colour, tip)                            \
    Control{#name, Kind::kind, Font::font, l, t, w, h, caption, colour, tip},
    static constexpr Control controls[] = {TINTARA_FORM1_CONTROLS(TINTARA_ROW)};
#undef TINTARA_ROW
    return controls;
}

const ChannelControls &channelControls(Channel c)
{
    static constexpr ChannelControls rows[] = {
        {"HScroll2", "HScroll5", "Label14", "Label11", "Picture4", "Label29", "Option1", "LocalR"},
        {"HScroll1", "HScroll6", "Label13", "Label16", "Picture3", "Label28", "Option2", "LocalG"},
        {"HScroll3", "HScroll7", "Label15", "Label17", "Picture2", "Label27", "Option3", "LocalB"},
    };
    return rows[static_cast<int>(c)];
}

const char *viewBox(View v)
{
    return v == View::Zoom ? "Immagine" : channelControls(static_cast<Channel>(v)).plane;
}

} // namespace layout
