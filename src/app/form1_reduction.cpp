// "PIXEL REDUCTION": the displayed picture, one sample every N pixels, into the blue plane.
#include "app/form1.h"

void Form1::Command3_Click()
{
    last_ = pressed_ = Command::Reduction;
    riduzione();
}

void Form1::riduzione()
{
    const pipeline::Planes planes = made(Command::Reduction);
    Picture2->setWidth(static_cast<float>(planes.outer[Channel::Blue].width()));
    Picture2->setHeight(static_cast<float>(planes.outer[Channel::Blue].height()));
    setMeasurements({}); // the blue plane holds no markers now
    recipeOf(View::Blue) = planes.recipe;
    Picture2->PSetBlock(1, 1, planes.blocks[Channel::Blue]);
    blocks_[Channel::Blue] = planes.blocks[Channel::Blue];
    describePlanes(Command::Reduction);
}
