// The settings as the window's controls hold them, read and set whole: what a new setting's
// control adds here, with its row in the table of settings (core/recipe.cpp). Also the results
// cleared and a plane zoomed.
#include "app/form1.h"

void Form1::watchSettings(Watch when)
{
    int setting = 0;
    const auto watch = [this, when, &setting](auto *control, bool follow, auto... changed) {
        const int id = setting++;
        if (when == Watch::BeforeHandlers)
            (connect(control, changed, this, [this, id] { noteChange(id); }), ...);
        else if (follow)
            (connect(control, changed, this, &Form1::followChange), ...);
    };
    // The size takes effect at the next load; everything else at once.
    watch(Combo1, false, &platform::ComboBox::Click);
    watch(Combo2, true, &QComboBox::currentIndexChanged, &QComboBox::editTextChanged);
    watch(HScroll4, true, &QScrollBar::valueChanged);
    watch(HScroll8, true, &QScrollBar::valueChanged);
    watch(CheckOverlap, true, &QCheckBox::toggled);
    for (const Channel c : Channels) {
        watch(row(c).minimum, true, &QScrollBar::valueChanged);
        watch(row(c).maximum, true, &QScrollBar::valueChanged);
    }
}

results::Recipe Form1::settings() const
{
    results::Recipe r;
    r.size = Combo1->Text().toInt();
    r.selection = Combo2->ListIndex();
    r.rx = HScroll4->Value();
    r.ry = HScroll8->Value();
    r.overlap = CheckOverlap->isChecked();
    for (const Channel c : Channels) {
        r.bands[c] = band(c);
        if (const auto &a = automatic_[c])
            r.automatic[c] = a->method;
    }
    return r;
}

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
