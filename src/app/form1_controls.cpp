// The main window's controls, made from the layout table at their design places and values.
#include "app/form1.h"

#include "pipeline/stage.h"
#include "platform/fonts.h"

using namespace platform;
using layout::Kind;

namespace {

QFont fontFor(layout::Font font)
{
    switch (font) {
    case layout::Font::Bold:
        return msSansSerif(FontSize::Normal, true);
    case layout::Font::Small:
        return msSansSerif(FontSize::Small, false);
    case layout::Font::SmallBold:
        return msSansSerif(FontSize::Small, true);
    case layout::Font::Normal:
        break;
    }
    return msSansSerif();
}

} // namespace

QWidget *Form1::make(const layout::Control &c)
{
    const QString name = QString::fromLatin1(c.name);
    const QString caption = QString::fromLatin1(c.caption);
    const auto placed = [&c](auto *control) {
        control->setFont(fontFor(c.font));
        control->Move(c.left, c.top, c.width, c.height);
        return control;
    };
    const auto label = [&](core::Colour fore, core::Colour back) {
        Label *l = placed(new Label(name, caption, this));
        if (fore != core::NoColour)
            l->setForeColor(fore);
        if (back != core::NoColour)
            l->setBackColor(back);
        return l;
    };
    const core::Colour highlight = core::fromQColor(palette().color(QPalette::Highlight));
    const core::Colour text = core::fromQColor(palette().color(QPalette::Text));
    const core::Colour base = core::fromQColor(palette().color(QPalette::Base));
    switch (c.kind) {
    case Kind::Outline:
    case Kind::Swatch:
        return placed(
            new Shape(name, c.kind == Kind::Outline ? Shape::Style::Outline : Shape::Style::Filled,
                      c.colour, this));
    case Kind::Preview:
        return placed(new ImageControl(name, this));
    case Kind::Label:
        return label(c.colour, core::NoColour);
    case Kind::Heading:
        return label(highlight, core::NoColour);
    case Kind::Readout:
        return label(text, base);
    case Kind::Probe:
        return label(c.colour, base);
    case Kind::Button:
        return placed(new CommandButton(name, caption, this));
    case Kind::Threshold:
        return placed(new HScrollBar(name, 0, 255, 0, 1, 20, this));
    case Kind::Rate:
        return placed(new HScrollBar(name, 3, 30, 3, 1, 1, this));
    case Kind::Frame:
    case Kind::Plane: {
        PictureBox *box = placed(new PictureBox(name, c.kind == Kind::Plane, this));
        // A plane's ground is the pipeline's, which its saved zoom shows, whatever the
        // desktop's colours.
        if (c.kind == Kind::Plane)
            box->setBackColor(c.colour != core::NoColour ? c.colour : pipeline::stage::Ground);
        else if (c.colour != core::NoColour)
            box->setBackColor(c.colour);
        box->Cls();
        return box;
    }
    case Kind::SizeList: {
        ComboBox *list = placed(new ComboBox(name, false, this));
        QPalette p = list->palette();
        p.setColor(QPalette::Base, core::toQColor(c.colour));
        p.setColor(QPalette::Button, core::toQColor(c.colour));
        list->setPalette(p);
        return list;
    }
    case Kind::TypeList: {
        ComboBox *list = placed(new ComboBox(name, true, this));
        list->setText(caption);
        return list;
    }
    case Kind::Option:
        return placed(new OptionButton(name, caption, c.colour, core::White, this));
    case Kind::Check:
        return placed(new CheckBox(name, caption, this));
    case Kind::Dialog:
        break;
    }
    return new CommonDialog(name, this);
}

QWidget *Form1::described(const layout::Control &c)
{
    QWidget *w = make(c);
    w->setToolTip(QString::fromLatin1(c.tip));
    return w;
}

void Form1::buildControls()
{
    const std::span<const layout::Control> table = layout::form1Controls();
    std::size_t at = 0;
#define TINTARA_BUILD(name, kind, ...)                                                             \
    name = static_cast<layout::WidgetOf<Kind::kind>::type *>(described(table[at++]));
    TINTARA_FORM1_CONTROLS(TINTARA_BUILD)
#undef TINTARA_BUILD

    options_ = new QButtonGroup(this);
    for (const Channel c : Channels) {
        const layout::ChannelControls &names = layout::channelControls(c);
        ChannelRow &r = row(c);
        r.minimum = child<HScrollBar>(names.minimum);
        r.maximum = child<HScrollBar>(names.maximum);
        r.minimumReadout = child<Label>(names.minimumReadout);
        r.maximumReadout = child<Label>(names.maximumReadout);
        r.plane = child<PictureBox>(names.plane);
        r.probe = child<Label>(names.probe);
        r.zoom = child<OptionButton>(names.zoom);
        r.local = child<Label>(names.local);
        r.local->hide();
        options_->addButton(r.zoom);
    }
}
