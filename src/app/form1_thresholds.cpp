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

void Form1::HScroll2_Change()
{
    minimumChanged(HScroll2, Label14, HScroll5);
}
void Form1::HScroll1_Change()
{
    minimumChanged(HScroll1, Label13, HScroll6);
}
void Form1::HScroll3_Change()
{
    minimumChanged(HScroll3, Label15, HScroll7);
}
void Form1::HScroll5_Change()
{
    maximumChanged(HScroll5, Label11);
}
void Form1::HScroll6_Change()
{
    maximumChanged(HScroll6, Label16);
}
void Form1::HScroll7_Change()
{
    maximumChanged(HScroll7, Label17);
}

void Form1::minimumChanged(HScrollBar *minBar, Label *minReadout, HScrollBar *maxBar)
{
    minReadout->setCaption(QString::number(minBar->Value()));
    maxBar->setMin(minBar->Value());
    maxBar->setValue(255);
    Shape2->setBackColor(core::RGB(component(HScroll2), component(HScroll1), component(HScroll3)));
}

void Form1::maximumChanged(HScrollBar *maxBar, Label *maxReadout)
{
    maxReadout->setCaption(QString::number(maxBar->Value()));
    Shape3->setBackColor(core::RGB(component(HScroll5), component(HScroll6), component(HScroll7)));
}
