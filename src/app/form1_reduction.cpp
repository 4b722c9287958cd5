// "PIXEL REDUCTION": the displayed picture, one sample every N pixels, into the blue plane.
#include "app/form1.h"

#include "core/geometry.h"
#include "core/pixelreduction.h"

void Form1::Command3_Click()
{
    last_ = pressed_ = Command::Reduction;
    riduzione();
}

void Form1::riduzione()
{
    reduction::ReductionParams p;
    p.iw = Image1->Width();
    p.ih = Image1->Height();
    p.n = HScroll4->Value();
    const QSizeF size = geometry::planeSize(p.iw, p.ih, p.n, p.n);
    Picture2->setWidth(static_cast<float>(size.width()));
    Picture2->setHeight(static_cast<float>(size.height()));
    // Sampling starts at the preview's own top-left pixel.
    p.firstX = platform::toPixels(Image1->Left());
    p.firstY = platform::toPixels(Image1->Top());
    const reduction::ReductionGrid grid = reduction::reductionGrid(p);
    reduction::riduzione(stage(grid.sampled), p, reduced_);
    setMeasurements({}); // the blue plane holds no markers now
    results::Recipe &recipe = recipeOf(View::Blue);
    recipe = settings();
    recipe.size = loadedSide_;
    recipe.reduction = true;
    recipe.frames = frameText();
    scannedFrame_ = frames_ ? frame_ : 0;
    recipe.rx = recipe.ry = p.n;
    Picture2->PSetBlock(1, 1, reduced_.columns, reduced_.rows, reduced_.colours.data());
    keepBlocks(Channel::Blue, reduced_.columns, reduced_.rows, reduced_.colours.data());
    describePlanes(Command::Reduction);
}
