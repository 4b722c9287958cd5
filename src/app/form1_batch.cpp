// The window as a batch drives it: one typed entry per step, so that the batch never reaches
// into the controls themselves.
#include "app/form1.h"

void Form1::applySetup(const ScanSetup &setup)
{
    // The batch's settings are where its history starts.
    restoring_ = true;
    Combo1->setListIndex((setup.size - 200) / 100);
    // The x rate drags the y rate along, so the y rate comes second.
    HScroll4->setValue(setup.rx);
    HScroll8->setValue(setup.ry);
    // Each minimum first: it reopens its band up to 255, and a maximum never goes below it.
    for (const Channel c : Channels) {
        automatic_[c].reset();
        row(c).minimum->setValue(setup.bands[c].lo);
        row(c).maximum->setValue(setup.bands[c].hi);
    }
    Combo2->setListIndex(setup.selection);
    CheckOverlap->setChecked(setup.overlap);
    restoring_ = false;
    startHistory();
}

void Form1::clearResults()
{
    last_ = pressed_ = Command::None;
    livePending_->stop();
    for (const View view : Views)
        boxOf(view)->Cls();
    clearOptions();
    describePlanes(Command::None);
    for (results::Recipe &recipe : recipes_)
        recipe = results::Recipe{};
    for (QImage &blocks : blocks_)
        blocks = QImage();
    setMeasurements({});
}

void Form1::zoomPlane(Channel channel)
{
    row(channel).zoom->setChecked(true);
    magnify(channel);
}
