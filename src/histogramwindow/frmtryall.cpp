#include "histogramwindow/frmtryall.h"

#include <QGridLayout>
#include <QToolButton>

namespace {
constexpr int Side = 128; // a tile's plane, at most this wide and high
constexpr int Columns = 4;
} // namespace

frmTryAll::frmTryAll(QWidget *owner)
    : QWidget(owner, Qt::Tool)
{
    setObjectName(QStringLiteral("frmTryAll"));
    grid_ = new QGridLayout(this);
    for (std::size_t i = 0; i < histogram::Methods.size(); ++i) {
        const histogram::Method method = histogram::Methods[i];
        QToolButton *t = tiles_[i] = tile(QLatin1String(histogram::methodName(method)), int(i));
        connect(t, &QToolButton::clicked, this, [this, method, t] {
            emit chosen(channel_, method, t->property("threshold").toInt());
        });
    }
    // The local methods in rows of their own, after the automatic ones.
    const int first = int((histogram::Methods.size() + Columns - 1) / Columns) * Columns;
    for (std::size_t i = 0; i < local::Methods.size(); ++i) {
        const local::Method method = local::Methods[i];
        QToolButton *t = localTiles_[i] = tile(
            QStringLiteral("Local") + QLatin1String(local::methodName(method)), first + int(i));
        connect(t, &QToolButton::clicked, this,
                [this, method] { emit localChosen(channel_, method); });
    }
}

QToolButton *frmTryAll::tile(const QString &name, int at)
{
    auto *t = new QToolButton(this);
    t->setObjectName(QStringLiteral("TryAll") + name);
    t->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    t->setIconSize({Side, Side});
    t->setAutoRaise(true);
    grid_->addWidget(t, at / Columns, at % Columns);
    return t;
}

void frmTryAll::setTiles(Channel channel, const std::vector<pipeline::Trial> &tiles)
{
    channel_ = channel;
    setWindowTitle(QStringLiteral("Try all: %1").arg(channelTitle(channel)));
    for (const pipeline::Trial &t : tiles) {
        if (t.local) {
            QToolButton *tile = localTiles_[static_cast<int>(*t.local)];
            const QString name = QLatin1String(local::methodName(*t.local));
            tile->setText(QStringLiteral("%1\nlocal").arg(name));
            tile->setIcon(QPixmap::fromImage(
                t.plane.scaled(Side, Side, Qt::KeepAspectRatio, Qt::FastTransformation)));
            tile->setToolTip(QStringLiteral("%1: each block against its neighbours; click to "
                                            "use it")
                                 .arg(name));
            continue;
        }
        QToolButton *tile = tiles_[static_cast<int>(t.method)];
        const QString name = QLatin1String(histogram::methodName(t.method));
        tile->setEnabled(t.threshold.has_value());
        tile->setProperty("threshold", t.threshold.value_or(-1));
        if (!t.threshold) {
            tile->setText(QStringLiteral("%1\nno threshold").arg(name));
            tile->setIcon({});
            tile->setToolTip(QStringLiteral("%1 has no threshold for these blocks").arg(name));
            continue;
        }
        tile->setText(QStringLiteral("%1\n%2").arg(name).arg(*t.threshold));
        // Blocks stay square-edged however far they are enlarged.
        tile->setIcon(QPixmap::fromImage(
            t.plane.scaled(Side, Side, Qt::KeepAspectRatio, Qt::FastTransformation)));
        tile->setToolTip(
            QStringLiteral("%1: the band (%2, max]; click to use it").arg(name).arg(*t.threshold));
    }
}
