// The control inventory of the main window: every control at its design place and value.
#include "app/form1.h"

#include "platform/fonts.h"

using namespace platform;

namespace {

using core::Blue;
using core::LightBlue;
using core::LightPink;
using core::Red;
using core::White;

enum class Look { Default, Bold, Small, SmallBold };

QFont fontFor(Look look)
{
    switch (look) {
    case Look::Bold:
        return msSansSerif(FontSize::Normal, true);
    case Look::Small:
        return msSansSerif(FontSize::Small, false);
    case Look::SmallBold:
        return msSansSerif(FontSize::Small, true);
    case Look::Default:
        break;
    }
    return msSansSerif();
}

template <class T> T *placed(T *control, Look look, float l, float t, float w, float h)
{
    control->setFont(fontFor(look));
    control->Move(l, t, w, h);
    return control;
}

} // namespace

void Form1::buildControls()
{
    const QColor highlight = palette().color(QPalette::Highlight);
    const QColor windowText = palette().color(QPalette::Text);
    const QColor windowBack = palette().color(QPalette::Base);
    auto label = [this](const char *name, const QString &caption, Look look, float l, float t,
                        float w, float h) {
        return placed(new Label(QString::fromLatin1(name), caption, this), look, l, t, w, h);
    };
    auto headed = [&](const char *name, const QString &caption, float l, float t, float w) {
        Label *lb = label(name, caption, Look::Bold, l, t, w, 17);
        lb->setForeColor(highlight);
        return lb;
    };
    auto readout = [&](const char *name, float l, float t) {
        Label *lb = label(name, QStringLiteral("0"), Look::Small, l, t, 33, 17);
        lb->setForeColor(windowText);
        lb->setBackColor(windowBack);
        return lb;
    };
    auto probeReadout = [&](const char *name, core::Colour fore, float l, float t) {
        Label *lb = label(name, QStringLiteral("0"), Look::Bold, l, t, 41, 17);
        lb->setForeColor(fore);
        lb->setBackColor(windowBack);
        return lb;
    };
    auto button = [this](const char *name, const QString &caption, Look look, float l, float w) {
        return placed(new CommandButton(QString::fromLatin1(name), caption, this), look, l, 16, w,
                      25);
    };
    auto threshold = [this](const char *name, float l, float t) {
        return placed(new HScrollBar(QString::fromLatin1(name), 0, 255, 0, 1, 20, this),
                      Look::Default, l, t, 97, 17);
    };
    auto plane = [this](const char *name, float t) {
        return placed(new PictureBox(QString::fromLatin1(name), true, this), Look::Default, 872, t,
                      217, 169);
    };

    // Shapes and the preview are painted on the window itself, beneath every other control.
    Shape1 = placed(new Shape(QStringLiteral("Shape1"), Shape::Style::Outline, Blue, this),
                    Look::Default, 8, 56, 520, 520);
    Image1 =
        placed(new ImageControl(QStringLiteral("Image1"), this), Look::Default, 16, 64, 161, 89);
    Shape4 = placed(new Shape(QStringLiteral("Shape4"), Shape::Style::Outline, Blue, this),
                    Look::Default, 536, 56, 312, 200);
    Shape2 = placed(new Shape(QStringLiteral("Shape2"), Shape::Style::Filled, LightPink, this),
                    Look::Default, 664, 64, 33, 17);
    Shape3 = placed(new Shape(QStringLiteral("Shape3"), Shape::Style::Filled, LightPink, this),
                    Look::Default, 808, 64, 33, 17);

    // Command row
    Label19 = headed("Label19", QStringLiteral("Size Image"), 16, 16, 81);
    Combo1 =
        placed(new ComboBox(QStringLiteral("Combo1"), false, this), Look::Bold, 112, 16, 97, 24);
    {
        QPalette p = Combo1->palette();
        p.setColor(QPalette::Base, core::toQColor(LightBlue));
        p.setColor(QPalette::Button, core::toQColor(LightBlue));
        Combo1->setPalette(p);
    }
    Command8 = button("Command8", QStringLiteral("Load"), Look::Small, 216, 73);
    Command2 = button("Command2", QStringLiteral("CLEAR"), Look::Small, 296, 65);
    Command4 = button("Command4", QStringLiteral("Abuot  Tintara"), Look::Default, 368, 129);
    Command7 = button("Command7", QStringLiteral("THRESHOLD SCAN"), Look::Small, 536, 121);
    Command3 = button("Command3", QStringLiteral("PIXEL REDUCTION"), Look::Small, 664, 121);
    Command1 = button("Command1", QStringLiteral("RGB"), Look::Small, 792, 57);

    // Preview
    Picture1 = placed(new PictureBox(QStringLiteral("Picture1"), false, this), Look::Default, 40,
                      80, 97, 65);
    CD1 = new CommonDialog(QStringLiteral("CD1"), this);

    // Thresholds, rows R, G, B
    Label12 = headed("Label12", QStringLiteral("Min threshold :"), 560, 64, 105);
    Label18 = headed("Label18", QStringLiteral("Max threshold :"), 704, 64, 97);
    Label6 = label("Label6", QStringLiteral("R"), Look::Bold, 544, 88, 17, 17);
    HScroll2 = threshold("HScroll2", 560, 88);
    Label14 = readout("Label14", 664, 88);
    HScroll5 = threshold("HScroll5", 704, 88);
    Label11 = readout("Label11", 808, 88);
    Label7 = label("Label7", QStringLiteral("G"), Look::Bold, 544, 104, 17, 17);
    HScroll1 = threshold("HScroll1", 560, 104);
    Label13 = readout("Label13", 664, 104);
    HScroll6 = threshold("HScroll6", 704, 104);
    Label16 = readout("Label16", 808, 104);
    Label8 = label("Label8", QStringLiteral("B"), Look::Bold, 544, 120, 17, 17);
    HScroll3 = threshold("HScroll3", 560, 120);
    Label15 = readout("Label15", 664, 120);
    HScroll7 = threshold("HScroll7", 704, 120);
    Label17 = readout("Label17", 808, 120);
    Label5 = label("Label5", QStringLiteral("0"), Look::Bold, 576, 136, 17, 17);
    Label9 = label("Label9", QStringLiteral("255"), Look::Bold, 632, 136, 25, 17);

    // Rates and selection type
    Label21 = headed("Label21", QStringLiteral("Rate x 1: 3"), 552, 168, 89);
    HScroll4 = placed(new HScrollBar(QStringLiteral("HScroll4"), 3, 30, 3, 1, 1, this),
                      Look::Default, 648, 168, 177, 17);
    Label22 = headed("Label22", QStringLiteral("Rate y 1: 3"), 552, 192, 97);
    HScroll8 = placed(new HScrollBar(QStringLiteral("HScroll8"), 3, 30, 3, 1, 1, this),
                      Look::Default, 648, 192, 177, 17);
    Label4 = headed("Label4", QStringLiteral("Type Pixel Selection"), 552, 224, 153);
    Combo2 =
        placed(new ComboBox(QStringLiteral("Combo2"), true, this), Look::Small, 720, 224, 105, 21);
    Combo2->setText(QStringLiteral("Combo2"));

    // Zoom box; the options stand over its top edge
    Label23 = label("Label23", QStringLiteral("Process complete"), Look::Bold, 544, 272, 137, 17);
    Label10 = label("Label10", QStringLiteral("ZOOM BOX"), Look::SmallBold, 752, 272, 73, 17);
    Immagine = placed(new PictureBox(QStringLiteral("Immagine"), true, this), Look::Default, 544,
                      296, 280, 280);
    Immagine->setBackColor(White);
    Immagine->Cls();
    Option1 = placed(
        new OptionButton(QStringLiteral("Option1"), QStringLiteral("R"), 0x0000FF, White, this),
        Look::Bold, 544, 296, 49, 17);
    Option2 = placed(
        new OptionButton(QStringLiteral("Option2"), QStringLiteral("G"), 0x008000, White, this),
        Look::Bold, 592, 296, 49, 17);
    Option3 = placed(
        new OptionButton(QStringLiteral("Option3"), QStringLiteral("B"), 0xFF0000, White, this),
        Look::Bold, 640, 296, 41, 17);
    CheckLive = placed(new CheckBox(QStringLiteral("CheckLive"), QStringLiteral("Live"), this),
                       Look::Bold, 688, 272, 57, 17);
    options_ = new QButtonGroup(this);
    for (OptionButton *option : {Option1, Option2, Option3})
        options_->addButton(option);

    // Planes
    Label2 = label("Label2", QStringLiteral("RED"), Look::Bold, 872, 8, 41, 17);
    Label2->setForeColor(Red);
    Label29 = probeReadout("Label29", Red, 920, 8);
    Picture4 = plane("Picture4", 24);
    Label1 = label("Label1", QStringLiteral("GREEN"), Look::Bold, 872, 200, 57, 17);
    Label1->setForeColor(0x00C000);
    Label28 = probeReadout("Label28", 0x00C000, 936, 200);
    Picture3 = plane("Picture3", 216);
    Label3 = label("Label3", QStringLiteral("BLU /  Reduction"), Look::Bold, 872, 392, 129, 17);
    Label3->setForeColor(Blue);
    Label27 = probeReadout("Label27", 0xC00000, 1008, 392);
    Picture2 = plane("Picture2", 408);

    // Which control serves which channel: the names do not follow the channels' order.
    row(Channel::Red) = {HScroll2, HScroll5, Label14, Label11, Picture4, Label29, Option1};
    row(Channel::Green) = {HScroll1, HScroll6, Label13, Label16, Picture3, Label28, Option2};
    row(Channel::Blue) = {HScroll3, HScroll7, Label15, Label17, Picture2, Label27, Option3};
}
