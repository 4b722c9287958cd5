// The colour probe over the planes, and a click to take a component as minimum threshold.
#include "app/form1.h"

#include "core/probe.h"

#include <cmath>

void Form1::Picture2_MouseMove(int, int, float x, float y)
{
    probe(Picture2, x, y);
}
void Form1::Picture3_MouseMove(int, int, float x, float y)
{
    probe(Picture3, x, y);
}
void Form1::Picture4_MouseMove(int, int, float x, float y)
{
    probe(Picture4, x, y);
}

void Form1::Picture2_Click()
{
    takeThreshold(Label27, HScroll3);
}
void Form1::Picture3_Click()
{
    takeThreshold(Label28, HScroll1);
}
void Form1::Picture4_Click()
{
    takeThreshold(Label29, HScroll2);
}

void Form1::probe(platform::PictureBox *plane, float x, float y)
{
    // The pixel that contains the pointer, also at fractional positions (scaled screens).
    const core::Colour c = plane->Point(std::floor(x), std::floor(y));
    if (c == core::NoColour)
        return;
    const thresholds::Components parts = thresholds::probeComponents(c);
    Label27->setCaption(QString::number(parts.blue));
    Label28->setCaption(QString::number(parts.green));
    Label29->setCaption(QString::number(parts.red));
}

void Form1::takeThreshold(platform::Label *readout, platform::HScrollBar *minBar)
{
    bool ok = false;
    const short value = readout->Caption().toShort(&ok);
    if (ok)
        minBar->setValue(value);
}
