#include "app/frmhistogram.h"

#include "app/histogramview.h"

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
    const struct {
        const char *name, *suffix;
        QColor colour;
    } channels[] = {{"Red", "R", QColor(200, 0, 0)},
                    {"Green", "G", QColor(0, 160, 0)},
                    {"Blue", "B", QColor(0, 0, 220)}};
    for (int c = 0; c < 3; ++c) {
        const QString suffix = QLatin1String(channels[c].suffix);
        auto *name = new QLabel(QLatin1String(channels[c].name), this);
        views_[c] =
            new HistogramView(QStringLiteral("Histogram") + suffix, channels[c].colour, this);
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
                [this, c](int v) { emit minimumChosen(c, v); });
        connect(views_[c], &HistogramView::maximumDragged, this,
                [this, c](int v) { emit maximumChosen(c, v); });
        connect(otsu_[c], &QPushButton::clicked, this, [this, c] {
            if (const auto t = histogram::otsu(views_[c]->bins()))
                emit minimumChosen(c, *t);
        });
        connect(triangle_[c], &QPushButton::clicked, this, [this, c] {
            if (const auto t = histogram::triangle(views_[c]->bins()))
                emit minimumChosen(c, *t);
        });
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
    const histogram::Bins *bins[] = {&h.red, &h.green, &h.blue};
    for (int c = 0; c < 3; ++c) {
        views_[c]->setBins(*bins[c]);
        // A method with no answer (fewer than two distinct values) has nothing to offer.
        otsu_[c]->setEnabled(histogram::otsu(*bins[c]).has_value());
        triangle_[c]->setEnabled(histogram::triangle(*bins[c]).has_value());
    }
}

void frmHistogram::setBands(scan::Band red, scan::Band green, scan::Band blue)
{
    views_[0]->setBand(red);
    views_[1]->setBand(green);
    views_[2]->setBand(blue);
}
