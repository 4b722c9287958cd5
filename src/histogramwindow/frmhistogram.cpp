#include "histogramwindow/frmhistogram.h"

#include "histogramwindow/histogramview.h"
#include "histogramwindow/logging.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

frmHistogram::frmHistogram(QWidget *owner)
    : QWidget(owner, Qt::Tool)
{
    setObjectName(QStringLiteral("frmHistogram"));
    setWindowTitle(QStringLiteral("Histogram"));
    auto *grid = new QGridLayout(this);
    const QColor colours[] = {QColor(200, 0, 0), QColor(0, 160, 0), QColor(0, 0, 220)};
    for (const Channel channel : Channels) {
        const int c = static_cast<int>(channel);
        // "Red", and "R" for the objects' names.
        const QString title = channelTitle(channel);
        const QString suffix = title.left(1);
        auto *name = new QLabel(title, this);
        views_[c] = new HistogramView(QStringLiteral("Histogram") + suffix, colours[c], this);
        views_[c]->setAccessibleName(QStringLiteral("%1 block values and band").arg(name->text()));
        otsu_[c] = new QPushButton(QStringLiteral("Otsu"), this);
        otsu_[c]->setObjectName(QStringLiteral("Otsu") + suffix);
        triangle_[c] = new QPushButton(QStringLiteral("Triangle"), this);
        triangle_[c]->setObjectName(QStringLiteral("Triangle") + suffix);
        for (QPushButton *b : {otsu_[c], triangle_[c]})
            b->setAccessibleName(
                QStringLiteral("%1: %2 minimum threshold").arg(name->text(), b->text()));
        grid->addWidget(name, 2 * c, 0, 1, 3);
        grid->addWidget(views_[c], 2 * c + 1, 0);
        grid->addWidget(otsu_[c], 2 * c + 1, 1, Qt::AlignTop);
        grid->addWidget(triangle_[c], 2 * c + 1, 2, Qt::AlignTop);

        connect(views_[c], &HistogramView::minimumDragged, this,
                [this, channel](int v) { emit minimumChosen(channel, v); });
        connect(views_[c], &HistogramView::maximumDragged, this,
                [this, channel](int v) { emit maximumChosen(channel, v); });
        const auto apply = [this, channel](const char *method, std::optional<int> t) {
            if (t)
                emit minimumChosen(channel, *t);
            else
                qCDebug(lcHistogram) << method << "has no threshold for" << channelName(channel);
        };
        connect(otsu_[c], &QPushButton::clicked, this,
                [apply, c, this] { apply("Otsu", histogram::otsu(views_[c]->bins())); });
        connect(triangle_[c], &QPushButton::clicked, this,
                [apply, c, this] { apply("Triangle", histogram::triangle(views_[c]->bins())); });
    }
    log_ = new QCheckBox(QStringLiteral("Logarithmic counts"), this);
    log_->setObjectName(QStringLiteral("CheckLog"));
    grid->addWidget(log_, 6, 0, 1, 3);
    connect(log_, &QCheckBox::toggled, this, [this](bool on) {
        for (HistogramView *v : views_)
            v->setLogarithmic(on);
    });
    grid->setColumnStretch(0, 1);
}

void frmHistogram::setHistograms(const scan::BlockHistograms &h)
{
    for (const Channel channel : Channels) {
        const int c = static_cast<int>(channel);
        views_[c]->setBins(h.bins(channel));
        // A method with no answer (fewer than two distinct values) has nothing to offer.
        otsu_[c]->setEnabled(histogram::otsu(h.bins(channel)).has_value());
        triangle_[c]->setEnabled(histogram::triangle(h.bins(channel)).has_value());
    }
}

void frmHistogram::setBands(const scan::ScanParams &p)
{
    for (const Channel channel : Channels)
        view(channel)->setBand(p.band(channel));
}
