// The window as a batch drives it: one typed entry per step, so that the batch never reaches
// into the controls themselves.
#include "app/form1.h"

void Form1::applySetup(const ScanSetup &setup)
{
    Combo1->setListIndex((setup.size - 200) / 100);
    // The x rate drags the y rate along, so the y rate comes second.
    HScroll4->setValue(setup.rx);
    HScroll8->setValue(setup.ry);
    // Each minimum first: it reopens its band up to 255, and a maximum never goes below it.
    HScroll2->setValue(setup.red.lo);
    HScroll5->setValue(setup.red.hi);
    HScroll1->setValue(setup.green.lo);
    HScroll6->setValue(setup.green.hi);
    HScroll3->setValue(setup.blue.lo);
    HScroll7->setValue(setup.blue.hi);
    Combo2->setListIndex(setup.selection);
}

void Form1::clearResults()
{
    last_ = Command::None;
    livePending_->stop();
    for (platform::PictureBox *box : {Picture4, Picture3, Picture2, Immagine})
        box->Cls();
    clearOptions();
    for (results::Recipe &recipe : recipes_)
        recipe = results::Recipe{};
}

void Form1::zoomPlane(int plane)
{
    platform::OptionButton *options[] = {Option1, Option2, Option3};
    options[plane]->setChecked(true);
    magnify(plane == 0 ? Picture4 : plane == 1 ? Picture3 : Picture2);
}
