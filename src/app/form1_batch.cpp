// The window driven whole: a recipe's settings set as a user would, the results cleared, a
// plane zoomed.
#include "app/form1.h"

void Form1::apply(const results::Recipe &r, const QString &typed)
{
    // A list fires its Click on every set, so only a list that changes is set.
    if (const int size = (r.size - 200) / 100; Combo1->ListIndex() != size)
        Combo1->setListIndex(size);
    // The x rate drags the y rate along, so the y rate comes second.
    HScroll4->setValue(r.rx);
    HScroll8->setValue(r.ry);
    // Each minimum first: it reopens its band up to 255, and a maximum never goes below it.
    for (const Channel c : Channels) {
        row(c).minimum->setValue(r.bands[c].lo);
        row(c).maximum->setValue(r.bands[c].hi);
        auto &a = automatic_[c];
        if (const auto &method = r.automatic[c])
            a = Automatic{*method, r.bands[c].lo};
        else
            a.reset();
    }
    if (r.selection == scan::None)
        Combo2->setText(typed);
    else if (Combo2->ListIndex() != r.selection)
        Combo2->setListIndex(r.selection);
    CheckOverlap->setChecked(r.overlap);
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
