#include "histogramwindow/frmframes.h"

#include "core/quoting.h"
#include "core/recipe.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

// The marked share of each channel against time (or the frame's number where the file gives no
// times); a click picks the nearest frame.
class frmFrames::Chart : public QWidget {
public:
    explicit Chart(frmFrames *owner)
        : QWidget(owner)
        , owner_(owner)
    {
        setObjectName(QStringLiteral("FrameChart"));
        setMinimumHeight(160);
        setToolTip(QStringLiteral("The marked share of each channel against time; click a point "
                                  "to show its frame"));
        setCursor(Qt::PointingHandCursor);
    }

protected:
    double along(const Row &r) const { return r.time.value_or(r.frame); }
    QRectF plot() const { return QRectF(rect()).adjusted(36, 8, -8, -20); }
    double xOf(const Row &r) const
    {
        const auto &rows = owner_->rows_;
        const double first = along(rows.front()), last = along(rows.back());
        const QRectF p = plot();
        return last > first ? p.left() + (along(r) - first) / (last - first) * p.width()
                            : p.center().x();
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF area = plot();
        p.fillRect(rect(), palette().base());
        p.setPen(palette().mid().color());
        p.drawRect(area);
        p.setPen(palette().text().color());
        p.drawText(QRectF(0, area.top() - 6, 32, 14), Qt::AlignRight, QStringLiteral("100 %"));
        p.drawText(QRectF(0, area.bottom() - 8, 32, 14), Qt::AlignRight, QStringLiteral("0 %"));
        const auto &rows = owner_->rows_;
        if (rows.empty())
            return;
        p.drawText(QRectF(area.left(), area.bottom() + 2, area.width(), 16), Qt::AlignCenter,
                   rows.front().time ? QStringLiteral("time") : QStringLiteral("frame"));
        const PerChannel<QColor> colours{{QColor(200, 0, 0), QColor(0, 160, 0), QColor(0, 0, 220)}};
        for (const Channel c : Channels) {
            QPainterPath path;
            for (std::size_t i = 0; i < rows.size(); ++i) {
                const QPointF at(xOf(rows[i]),
                                 area.bottom() - rows[i].shares[c] / 100.0 * area.height());
                i ? path.lineTo(at) : path.moveTo(at);
            }
            p.setPen(QPen(colours[c], 1.5));
            p.drawPath(path);
        }
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        const auto &rows = owner_->rows_;
        if (rows.empty())
            return;
        const double x = event->position().x();
        const auto nearest =
            std::min_element(rows.begin(), rows.end(), [&](const Row &a, const Row &b) {
                return std::abs(xOf(a) - x) < std::abs(xOf(b) - x);
            });
        emit owner_->frameChosen(nearest->frame);
    }

private:
    frmFrames *owner_;
};

frmFrames::frmFrames(QWidget *owner)
    : QWidget(owner, Qt::Tool)
{
    setObjectName(QStringLiteral("frmFrames"));
    setWindowTitle(QStringLiteral("Frames"));
    auto *layout = new QVBoxLayout(this);
    chart_ = new Chart(this);
    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("FrameTable"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    auto *copy = new QPushButton(QStringLiteral("Copy"), this);
    copy->setObjectName(QStringLiteral("CopyFrames"));
    copy->setToolTip(QStringLiteral("The table as CSV, as --measure writes it"));
    auto *save = new QPushButton(QStringLiteral("Save as CSV..."), this);
    save->setObjectName(QStringLiteral("SaveFrames"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(save);
    layout->addWidget(chart_, 2);
    layout->addWidget(table_, 3);
    layout->addLayout(buttons);
    resize(720, 520);
    connect(copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(csv()); });
    connect(save, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save as CSV"),
                                                          QStringLiteral("frames.csv"),
                                                          QStringLiteral("CSV (*.csv)"));
        if (path.isEmpty())
            return;
        // Whole or not at all, as every file this program writes.
        QSaveFile file(path);
        const QByteArray text = csv().toUtf8();
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
            QMessageBox::warning(
                this, windowTitle(),
                QStringLiteral("Cannot save %1: %2").arg(path, file.errorString()));
    });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row >= 0 && std::size_t(row) < rows_.size())
            emit frameChosen(rows_[std::size_t(row)].frame);
    });
}

void frmFrames::setRows(const QStringList &header, const std::vector<Row> &rows)
{
    header_ = header;
    rows_ = rows;
    table_->clear();
    table_->setColumnCount(int(header.size()));
    table_->setRowCount(int(rows.size()));
    table_->setHorizontalHeaderLabels(header);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (qsizetype c = 0; c < rows[r].values.size(); ++c)
            table_->setItem(int(r), int(c), new QTableWidgetItem(rows[r].values[c]));
    table_->resizeColumnsToContents();
    chart_->update();
}

QString frmFrames::csv() const
{
    QStringList lines{header_.join(QLatin1Char(','))};
    for (const Row &r : rows_) {
        QStringList fields;
        for (const QString &v : r.values)
            fields << results::csvQuoted(v);
        lines << fields.join(QLatin1Char(','));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
