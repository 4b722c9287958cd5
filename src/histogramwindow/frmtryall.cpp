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
    auto *grid = new QGridLayout(this);
    for (std::size_t i = 0; i < histogram::Methods.size(); ++i) {
        const histogram::Method method = histogram::Methods[i];
        auto *tile = new QToolButton(this);
        tile->setObjectName(QStringLiteral("TryAll") +
                            QLatin1String(histogram::methodName(method)));
        tile->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        tile->setIconSize({Side, Side});
        tile->setAutoRaise(true);
        grid->addWidget(tile, int(i) / Columns, int(i) % Columns);
        tiles_[i] = tile;
        connect(tile, &QToolButton::clicked, this, [this, method, tile] {
            emit chosen(channel_, method, tile->property("threshold").toInt());
        });
    }
}

void frmTryAll::setTiles(Channel channel, const std::vector<pipeline::Trial> &tiles)
{
    channel_ = channel;
    setWindowTitle(QStringLiteral("Try all: %1").arg(channelTitle(channel)));
    for (const pipeline::Trial &t : tiles) {
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
