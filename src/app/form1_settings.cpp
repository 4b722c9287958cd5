// The settings as the window's controls hold them, read and set whole: a control that holds a
// setting whole is named by the setting's row in the table of settings (core/recipe.cpp), and
// read, set and watched from there. Also the results cleared and a plane zoomed.
#include "app/form1.h"

#include "platform/controlvalue.h"

void Form1::watchSettings(Watch when)
{
    int setting = 0;
    const auto watch = [this, when, &setting](QWidget *control, bool follow) {
        const int id = setting++;
        if (when == Watch::BeforeHandlers)
            platform::onValueChanged(control, this, [this, id] { noteChange(id); });
        else if (follow)
            platform::onValueChanged(control, this, [this] { followChange(); });
    };
    // What a control holds whole is watched as the settings' table names it.
    for (const results::ControlSetting &held : results::controlSettings())
        watch(child<QWidget>(held.control.toLatin1().constData()), held.atOnce);
    // The type, picked from its list or typed.
    const int type = setting++;
    const auto typeChanged = [this, when, type] {
        if (when == Watch::BeforeHandlers)
            noteChange(type);
        else
            followChange();
    };
    connect(Combo2, &QComboBox::currentIndexChanged, this, typeChanged);
    connect(Combo2, &QComboBox::editTextChanged, this, typeChanged);
    for (const Channel c : Channels) {
        watch(row(c).minimum, true);
        watch(row(c).maximum, true);
    }
}

results::Recipe Form1::settings() const
{
    results::Recipe r;
    for (const results::ControlSetting &held : results::controlSettings())
        results::takeControlText(
            r, held.control,
            platform::valueText(child<QWidget>(held.control.toLatin1().constData())));
    r.selection = Combo2->ListIndex();
    for (const Channel c : Channels) {
        r.bands[c] = band(c);
        if (const auto &a = automatic_[c])
            r.automatic[c] = a->method;
    }
    r.local = local_;
    r.localRadius = localParams_.radius;
    r.localParam1 = localParams_.param1;
    r.localParam2 = localParams_.param2;
    r.localWhite = localParams_.white;
    return r;
}

void Form1::apply(const results::Recipe &r, const QString &typed)
{
    // In the table's order: the x rate drags the y rate along, so the y rate comes second.
    for (const results::ControlSetting &held : results::controlSettings())
        platform::setValueText(child<QWidget>(held.control.toLatin1().constData()),
                               results::controlText(r, held.control));
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
    if (local_ != r.local || localParams_ != r.localParams()) {
        local_ = r.local;
        localParams_ = r.localParams();
        showLocal();
        followChange();
    }
}

void Form1::takeLocal(const QList<Channel> &channels, std::optional<local::Method> method)
{
    oneStep({});
    for (const Channel c : channels) {
        local_[c] = method;
        // A channel is marked by its band, which an automatic method may set, or by a local
        // method.
        if (method)
            automatic_[c].reset();
    }
    if (histogram_)
        localParams_ = histogram_->localParams();
    showLocal();
    followChange();
}

void Form1::takeLocalParams(const local::Params &params)
{
    // The spin boxes' changes in a burst are one step, as a bar's are.
    constexpr int LocalParamsSetting = 100;
    noteChange(LocalParamsSetting);
    localParams_ = params;
    followChange();
}

void Form1::showLocal()
{
    for (const Channel c : Channels) {
        const ChannelRow &r = row(c);
        const std::optional<local::Method> &m = local_[c];
        r.local->setCaption(m ? QStringLiteral("local %1, r %2")
                                    .arg(QLatin1String(local::methodName(*m)))
                                    .arg(localParams_.radius)
                              : QString());
        r.local->setVisible(m.has_value());
        r.maximum->setVisible(!m);
        r.maximumReadout->setVisible(!m);
        r.minimum->setEnabled(!m);
    }
    if (histogram_)
        histogram_->setLocal(local_, localParams_);
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
