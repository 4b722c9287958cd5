// The two rate bars and the sizing of the channel planes.
#include "app/form1.h"

#include "core/geometry.h"

void Form1::HScroll4_Change()
{
    Label21->setCaption(geometry::rateCaption('x', HScroll4->Value()));
    HScroll8->setValue(HScroll4->Value());
    setRGB();
}

void Form1::HScroll8_Change()
{
    Label22->setCaption(geometry::rateCaption('y', HScroll8->Value()));
    setRGB();
}

void Form1::setRGB()
{
    sizePlanes(geometry::planeSize(Image1->Width(), Image1->Height(), HScroll4->Value(),
                                   HScroll8->Value()));
}

void Form1::sizePlanes(const QSizeF &size)
{
    for (platform::PictureBox *plane : {Picture2, Picture3, Picture4}) {
        plane->setWidth(static_cast<float>(size.width()));
        plane->setHeight(static_cast<float>(size.height()));
    }
}
