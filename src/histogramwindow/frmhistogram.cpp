#include "histogramwindow/frmhistogram.h"

#include "histogramwindow/histogramview.h"
#include "histogramwindow/logging.h"
#include "platform/toolwindow.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QUndoView>

frmHistogram::frmHistogram(QWidget *owner)
    : QWidget(owner, Qt::Tool)
{
    setObjectName(QStringLiteral("frmHistogram"));
    setWindowTitle(QStringLiteral("Histogram"));
    auto *grid = grid_ = new QGridLayout(this);

    auto *chooser = new QHBoxLayout;
    methods_ = new QComboBox(this);
    methods_->setObjectName(QStringLiteral("AutoMethod"));
    for (const histogram::Method m : histogram::Methods)
        methods_->addItem(QLatin1String(histogram::methodName(m)));
    methods_->setCurrentIndex(static_cast<int>(histogram::Method::Otsu));
    auto *methodLabel = new QLabel(QStringLiteral("&Method:"), this);
    methodLabel->setBuddy(methods_);
    auto *all = new QPushButton(QStringLiteral("Apply to all"), this);
    all->setObjectName(QStringLiteral("ApplyAuto"));
    all->setAccessibleName(QStringLiteral("Apply the method to all three channels"));
    scope_ = new QComboBox(this);
    scope_->setObjectName(QStringLiteral("AutoScope"));
    scope_->addItems({QStringLiteral("this frame"), QStringLiteral("each frame its own"),
                      QStringLiteral("the whole stack's histogram")});
    scope_->setToolTip(QStringLiteral(
        "Which block values a method takes: the frame shown, each frame's own as the frames "
        "change, or every frame's together"));
    scopeLabel_ = new QLabel(QStringLiteral("&Scope:"), this);
    scopeLabel_->setBuddy(scope_);
    chooser->addWidget(methodLabel);
    chooser->addWidget(methods_);
    chooser->addWidget(all);
    chooser->addWidget(scopeLabel_);
    chooser->addWidget(scope_);
    chooser->addStretch();
    connect(scope_, &QComboBox::currentIndexChanged, this, &frmHistogram::scopeChanged);

    // The local methods: each block judged against its neighbours instead of a band.
    auto *locally = new QHBoxLayout;
    localMethod_ = new QComboBox(this);
    localMethod_->setObjectName(QStringLiteral("LocalMethod"));
    localMethod_->addItem(QStringLiteral("none"));
    for (const local::Method m : local::Methods)
        localMethod_->addItem(QLatin1String(local::methodName(m)));
    localMethod_->setToolTip(QStringLiteral(
        "A local method marks each block whose value its neighbours' values find an object, "
        "as Fiji's Auto Local Threshold marks pixels; none gives the channel its band again"));
    auto *localLabel = new QLabel(QStringLiteral("&Local:"), this);
    localLabel->setBuddy(localMethod_);
    localRadius_ = new QSpinBox(this);
    localRadius_->setObjectName(QStringLiteral("LocalRadius"));
    localRadius_->setRange(1, local::MaxRadius);
    localRadius_->setValue(15);
    localRadius_->setSuffix(QStringLiteral(" blocks"));
    localRadius_->setToolTip(QStringLiteral("The neighbourhood: the blocks within this radius"));
    auto *radiusLabel = new QLabel(QStringLiteral("&Radius:"), this);
    radiusLabel->setBuddy(localRadius_);
    const auto parameter = [this](const char *name, const QString &tip) {
        auto *box = new QDoubleSpinBox(this);
        box->setObjectName(QLatin1String(name));
        box->setRange(-1000, 1000);
        box->setDecimals(3);
        box->setToolTip(tip);
        return box;
    };
    localParam1_ = parameter("LocalParam1",
                             QStringLiteral("The method's first parameter: Bernsen's contrast, "
                                            "the offset of Mean, Median and MidGrey, k of "
                                            "Niblack, Phansalkar and Sauvola; 0 for its default"));
    localParam2_ = parameter("LocalParam2",
                             QStringLiteral("Its second: the offset of Niblack, r of Phansalkar "
                                            "and Sauvola; 0 for its default"));
    auto *paramsLabel = new QLabel(QStringLiteral("&Parameters:"), this);
    paramsLabel->setBuddy(localParam1_);
    localWhite_ = new QCheckBox(QStringLiteral("White objects on black background"), this);
    localWhite_->setObjectName(QStringLiteral("LocalWhite"));
    localWhite_->setChecked(true);
    localWhite_->setToolTip(QStringLiteral("Objects brighter than their ground, as edges are"));
    auto *allLocal = new QPushButton(QStringLiteral("Apply to all"), this);
    allLocal->setObjectName(QStringLiteral("ApplyLocal"));
    allLocal->setAccessibleName(QStringLiteral("Apply the local method to all three channels"));
    for (QWidget *w : std::initializer_list<QWidget *>{localLabel, localMethod_, radiusLabel,
                                                       localRadius_, paramsLabel, localParam1_,
                                                       localParam2_, localWhite_, allLocal})
        locally->addWidget(w);
    locally->addStretch();
    connect(allLocal, &QPushButton::clicked, this, [this] {
        emit localChosen({Channel::Red, Channel::Green, Channel::Blue}, localMethod());
    });
    const auto changed = [this] {
        emit localParamsChanged(localParams());
    };
    connect(localRadius_, &QSpinBox::valueChanged, this, changed);
    connect(localParam1_, &QDoubleSpinBox::valueChanged, this, changed);
    connect(localParam2_, &QDoubleSpinBox::valueChanged, this, changed);
    connect(localWhite_, &QCheckBox::toggled, this, changed);
    auto *choosers = new QVBoxLayout;
    choosers->addLayout(chooser);
    choosers->addLayout(locally);
    grid->addLayout(choosers, 0, 0, 1, 3);
    connect(all, &QPushButton::clicked, this, [this] {
        apply({Channel::Red, Channel::Green, Channel::Blue}, method());
    });

    const PerChannel<QColor> colours{{QColor(200, 0, 0), QColor(0, 160, 0), QColor(0, 0, 220)}};
    for (const Channel channel : Channels) {
        const Channel c = channel;
        const int place = 2 * static_cast<int>(c); // two grid rows a channel
        // "Red", and "R" for the objects' names.
        const QString title = channelTitle(channel);
        const QString suffix = title.left(1);
        auto *name = new QLabel(title, this);
        bands_[c] = new QLabel(this);
        bands_[c]->setObjectName(QStringLiteral("Band") + suffix);
        bands_[c]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        views_[c] = new HistogramView(QStringLiteral("Histogram") + suffix, colours[c], this);
        views_[c]->setAccessibleName(QStringLiteral("%1 block values and band").arg(title));
        otsu_[c] = new QPushButton(QStringLiteral("Otsu"), this);
        otsu_[c]->setObjectName(QStringLiteral("Otsu") + suffix);
        triangle_[c] = new QPushButton(QStringLiteral("Triangle"), this);
        triangle_[c]->setObjectName(QStringLiteral("Triangle") + suffix);
        auto *applyOne = new QPushButton(QStringLiteral("Apply"), this);
        applyOne->setObjectName(QStringLiteral("Apply") + suffix);
        applyOne->setToolTip(QStringLiteral("The method chosen above, on this channel"));
        auto *applyLocal = new QPushButton(QStringLiteral("Apply local"), this);
        applyLocal->setObjectName(QStringLiteral("ApplyLocal") + suffix);
        applyLocal->setToolTip(QStringLiteral("The local method chosen above, on this channel"));
        applyLocal->setAccessibleName(QStringLiteral("%1: local method").arg(title));
        auto *tryAll = new QPushButton(QStringLiteral("Try all..."), this);
        tryAll->setObjectName(QStringLiteral("TryAll") + suffix);
        tryAll->setToolTip(QStringLiteral("Every method's plane for this channel, side by side"));
        for (QPushButton *b : {otsu_[c], triangle_[c], applyOne})
            b->setAccessibleName(QStringLiteral("%1: %2 minimum threshold").arg(title, b->text()));

        auto *header = new QHBoxLayout;
        header->addWidget(name);
        header->addWidget(bands_[c]);
        header->addStretch();
        grid->addLayout(header, place + 1, 0, 1, 3);
        grid->addWidget(views_[c], place + 2, 0);
        auto *buttons = new QGridLayout;
        buttons->addWidget(otsu_[c], 0, 0);
        buttons->addWidget(triangle_[c], 0, 1);
        buttons->addWidget(applyOne, 1, 0);
        buttons->addWidget(tryAll, 1, 1);
        buttons->addWidget(applyLocal, 2, 0, 1, 2);
        buttons->setRowStretch(3, 1);
        grid->addLayout(buttons, place + 2, 1, 1, 2);

        connect(views_[c], &HistogramView::minimumDragged, this,
                [this, channel](int v) { emit minimumChosen(channel, v); });
        connect(views_[c], &HistogramView::maximumDragged, this,
                [this, channel](int v) { emit maximumChosen(channel, v); });
        connect(views_[c], &HistogramView::pointed, this,
                [this, channel](int bin) { showPointed(channel, bin); });
        connect(otsu_[c], &QPushButton::clicked, this,
                [this, channel] { apply({channel}, histogram::Method::Otsu); });
        connect(triangle_[c], &QPushButton::clicked, this,
                [this, channel] { apply({channel}, histogram::Method::Triangle); });
        connect(applyOne, &QPushButton::clicked, this,
                [this, channel] { apply({channel}, method()); });
        connect(tryAll, &QPushButton::clicked, this,
                [this, channel] { emit tryAllRequested(channel); });
        connect(applyLocal, &QPushButton::clicked, this,
                [this, channel] { emit localChosen({channel}, localMethod()); });
    }
    log_ = new QCheckBox(QStringLiteral("Logarithmic counts"), this);
    log_->setObjectName(QStringLiteral("CheckLog"));
    pointed_ = new QLabel(this);
    pointed_->setObjectName(QStringLiteral("HistogramPointer"));
    said_ = new QLabel(this);
    said_->setObjectName(QStringLiteral("AutoResult"));
    auto *footer = new QHBoxLayout;
    footer->addWidget(log_);
    footer->addWidget(pointed_, 1);
    grid->addLayout(footer, 8, 0, 1, 3);
    grid->addWidget(said_, 9, 0, 1, 3);
    measured_ = new QLabel(this);
    measured_->setObjectName(QStringLiteral("Measurements"));
    measured_->setWordWrap(true);
    measured_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *copy = new QPushButton(QStringLiteral("Copy measurements"), this);
    copy->setObjectName(QStringLiteral("CopyMeasurements"));
    copy->setToolTip(QStringLiteral("The counts as tab-separated text with a header row"));
    measureFrames_ = new QPushButton(QStringLiteral("Measure all frames"), this);
    measureFrames_->setObjectName(QStringLiteral("MeasureFrames"));
    measureFrames_->setToolTip(
        QStringLiteral("A threshold scan of every frame: a row each, and the marked share "
                       "against time"));
    auto *measuring = new QVBoxLayout;
    measuring->addWidget(copy);
    measuring->addWidget(measureFrames_);
    grid->addWidget(measured_, 10, 0);
    grid->addLayout(measuring, 10, 1, 1, 2, Qt::AlignTop);
    connect(measureFrames_, &QPushButton::clicked, this, &frmHistogram::measureFramesRequested);
    setFrames(1);
    connect(copy, &QPushButton::clicked, this, [this] {
        QGuiApplication::clipboard()->setText(
            scan::measurementHeader().join(QLatin1Char('\t')) + QLatin1Char('\n') +
            scan::measurementRow(measurements_).join(QLatin1Char('\t')) + QLatin1Char('\n'));
    });
    setMeasurements({});
    connect(log_, &QCheckBox::toggled, this, [this](bool on) {
        for (HistogramView *v : views_)
            v->setLogarithmic(on);
    });
    grid->setColumnStretch(0, 1);
    showPointed(Channel::Red, -1);
}

void frmHistogram::showHistory(QUndoStack *history, const QList<QAction *> &keys)
{
    auto *label = new QLabel(QStringLiteral("Hi&story:"), this);
    auto *list = new QUndoView(history, this);
    list->setObjectName(QStringLiteral("History"));
    list->setEmptyLabel(QStringLiteral("Before the first change"));
    list->setAccessibleName(QStringLiteral("Settings history"));
    // An automatic threshold on three channels is a long step: it wraps rather than hides.
    list->setWordWrap(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    label->setBuddy(list);
    // A column of its own, as wide as a step's text needs, beside the plots.
    list->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 28);
    list->setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    grid_->addWidget(label, 0, 3);
    grid_->addWidget(list, 1, 3, 10, 1);
    addActions(keys);
}

histogram::Method frmHistogram::method() const
{
    return histogram::Methods[std::size_t(std::max(0, methods_->currentIndex()))];
}

void frmHistogram::setFrames(int count)
{
    for (QWidget *w : std::initializer_list<QWidget *>{scopeLabel_, scope_, measureFrames_})
        w->setVisible(count > 1);
    if (count < 2)
        scope_->setCurrentIndex(0);
}

frmHistogram::Scope frmHistogram::scope() const
{
    return Scope(scope_->currentIndex());
}

void frmHistogram::apply(std::initializer_list<Channel> channels, histogram::Method m)
{
    const QString name = QLatin1String(histogram::methodName(m));
    QStringList set, none;
    for (const Channel channel : channels) {
        if (const std::optional<int> t = applier_ ? applier_(channel, m) : std::nullopt) {
            set << QStringLiteral("%1 minimum %2").arg(channelTitle(channel)).arg(*t);
        } else {
            qCDebug(lcHistogram) << name << "has no threshold for" << channelName(channel);
            none << channelTitle(channel);
        }
    }
    QStringList parts = {set.join(QStringLiteral(", "))};
    if (!none.isEmpty())
        parts << QStringLiteral("no threshold for %1").arg(none.join(QStringLiteral(", ")));
    if (set.isEmpty())
        parts = {parts.last(), QStringLiteral("nothing changed")};
    said_->setText(QStringLiteral("%1: %2.").arg(name, parts.join(QStringLiteral("; "))));
}

void frmHistogram::showPointed(Channel channel, int bin)
{
    if (bin < 0) {
        pointed_->setText(QStringLiteral("Point at a bin to read its value and count."));
        return;
    }
    const std::uint32_t n = view(channel)->bins()[std::size_t(bin)];
    pointed_->setText(QStringLiteral("%1: value %2, %3 %4")
                          .arg(channelTitle(channel))
                          .arg(bin)
                          .arg(QLocale().toString(n))
                          .arg(n == 1 ? QStringLiteral("block") : QStringLiteral("blocks")));
}

void frmHistogram::showTryAll(Channel channel, const std::vector<pipeline::Trial> &tiles)
{
    if (!tryAll_) {
        tryAll_ = new frmTryAll(this);
        connect(tryAll_, &frmTryAll::chosen, this, &frmHistogram::automaticChosen);
        connect(tryAll_, &frmTryAll::localChosen, this,
                [this](Channel c, local::Method m) { emit localChosen({c}, m); });
    }
    tryAll_->setTiles(channel, tiles);
    platform::showToolWindow(tryAll_);
}

void frmHistogram::setMeasurements(const scan::Measurements &m)
{
    measurements_ = m;
    QStringList lines;
    for (const Channel c : Channels)
        lines << QStringLiteral("%1: %2").arg(channelTitle(c), scan::describeCount(m.channels[c]));
    lines << QStringLiteral("All three: %1").arg(scan::describeCount(m.all))
          << QStringLiteral("Any: %1").arg(scan::describeCount(m.any));
    if (!outOfDate_.isEmpty())
        lines << outOfDate_;
    measured_->setText(QStringLiteral("Marked by the last threshold scan:\n") +
                       lines.join(QLatin1Char('\n')));
}

void frmHistogram::setOutOfDate(const QString &note)
{
    if (note == outOfDate_)
        return;
    outOfDate_ = note;
    setMeasurements(measurements_);
}

std::optional<Channel> frmHistogram::tryAllShown() const
{
    if (!tryAll_ || !tryAll_->isVisible())
        return std::nullopt;
    return tryAll_->channel();
}

void frmHistogram::refreshTryAll(const std::vector<pipeline::Trial> &tiles)
{
    if (tryAll_)
        tryAll_->setTiles(tryAll_->channel(), tiles);
}

void frmHistogram::setHistograms(const scan::BlockHistograms &h)
{
    for (const Channel channel : Channels) {
        const Channel c = channel;
        views_[c]->setBins(h.bins[channel]);
        // Fewer than two distinct values have no threshold between them.
        const auto values = std::count_if(h.bins[channel].begin(), h.bins[channel].end(),
                                          [](auto n) { return n > 0; });
        otsu_[c]->setEnabled(values >= 2);
        triangle_[c]->setEnabled(values >= 2);
    }
}

void frmHistogram::setBands(const PerChannel<scan::Band> &bands)
{
    shownBands_ = bands;
    for (const Channel channel : Channels)
        showBand(channel);
}

void frmHistogram::showBand(Channel channel)
{
    // A channel under a local method has no band to show.
    const scan::Band band = shownBands_[channel];
    view(channel)->setBand(band, !local_[channel]);
    bands_[channel]->setText(
        local_[channel]
            ? QStringLiteral("local %1").arg(QLatin1String(local::methodName(*local_[channel])))
            : QStringLiteral("band (%1, %2]").arg(band.lo).arg(band.hi));
}

void frmHistogram::setLocal(const PerChannel<std::optional<local::Method>> &methods,
                            const local::Params &params)
{
    local_ = methods;
    for (QWidget *w :
         std::initializer_list<QWidget *>{localRadius_, localParam1_, localParam2_, localWhite_})
        w->blockSignals(true);
    localRadius_->setValue(params.radius);
    localParam1_->setValue(params.param1);
    localParam2_->setValue(params.param2);
    localWhite_->setChecked(params.white);
    for (QWidget *w :
         std::initializer_list<QWidget *>{localRadius_, localParam1_, localParam2_, localWhite_})
        w->blockSignals(false);
    for (const Channel channel : Channels)
        showBand(channel);
}

std::optional<local::Method> frmHistogram::localMethod() const
{
    const int at = localMethod_->currentIndex();
    if (at <= 0)
        return std::nullopt;
    return local::Methods[std::size_t(at - 1)];
}

local::Params frmHistogram::localParams() const
{
    return {localRadius_->value(), localParam1_->value(), localParam2_->value(),
            localWhite_->isChecked()};
}
