#include "support/form1driver.h"

#include "app/layout.h"
#include "support/modalscript.h"

#include <QTest>

using namespace platform;

Form1Driver::Form1Driver(Start start)
{
    if (start == Start::Created)
        return;
    Form_Load();
    show();
    if (!QTest::qWaitForWindowExposed(this))
        qFatal("the main window was never shown");
}

void Form1Driver::load(const QString &path)
{
    ModalScript script;
    script.chooseFile(path);
    click(Button::Load);
    QVERIFY(script.done());
}

HScrollBar *Form1Driver::bar(Channel c, Bound b) const
{
    const layout::ChannelControls &names = layout::channelControls(c);
    return control<HScrollBar>(b == Bound::Minimum ? names.minimum : names.maximum);
}

Label *Form1Driver::readout(Channel c, Bound b) const
{
    const layout::ChannelControls &names = layout::channelControls(c);
    return control<Label>(b == Bound::Minimum ? names.minimumReadout : names.maximumReadout);
}

PictureBox *Form1Driver::plane(View v) const
{
    return control<PictureBox>(layout::viewBox(v));
}

Label *Form1Driver::probe(Channel c) const
{
    return control<Label>(layout::channelControls(c).probe);
}

OptionButton *Form1Driver::zoomOption(Channel c) const
{
    return control<OptionButton>(layout::channelControls(c).zoom);
}

HScrollBar *Form1Driver::rate(Axis a) const
{
    return control<HScrollBar>(a == Axis::X ? "HScroll4" : "HScroll8");
}

Label *Form1Driver::rateCaption(Axis a) const
{
    return control<Label>(a == Axis::X ? "Label21" : "Label22");
}

Shape *Form1Driver::swatch(Bound b) const
{
    return control<Shape>(b == Bound::Minimum ? "Shape2" : "Shape3");
}

CommandButton *Form1Driver::button(Button b) const
{
    static constexpr const char *names[] = {"Command8", "Command2", "Command4",
                                            "Command7", "Command3", "Command1"};
    return control<CommandButton>(names[static_cast<int>(b)]);
}
