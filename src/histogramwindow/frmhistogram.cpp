#include "histogramwindow/frmhistogram.h"

#include "histogramwindow/histogramview.h"
#include "histogramwindow/logging.h"
#include "platform/toolwindow.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
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
    grid->addLayout(chooser, 0, 0, 1, 3);
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
        buttons->setRowStretch(2, 1);
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
    for (const Channel channel : Channels) {
        const scan::Band band = bands[channel];
        view(channel)->setBand(band);
        bands_[channel]->setText(QStringLiteral("band (%1, %2]").arg(band.lo).arg(band.hi));
    }
}
