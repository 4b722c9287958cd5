#include "histogramwindow/histogramview.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

HistogramView::HistogramView(const QString &name, const QColor &colour, QWidget *parent)
    : QWidget(parent)
    , colour_(colour)
{
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::SizeHorCursor);
    setMouseTracking(true);
}

void HistogramView::setBins(const histogram::Bins &bins)
{
    if (bins == bins_)
        return;
    bins_ = bins;
    update();
}

void HistogramView::setBand(scan::Band band, bool shown)
{
    if (band.lo == band_.lo && band.hi == band_.hi && shown == bandShown_)
        return;
    band_ = band;
    bandShown_ = shown;
    update();
}

void HistogramView::setLogarithmic(bool on)
{
    if (on == log_)
        return;
    log_ = on;
    update();
}

QRectF HistogramView::plot() const
{
    const QFontMetricsF fm(font());
    // Room for a six-figure count on the left, half the label "255" on the right.
    const double left = fm.horizontalAdvance(QStringLiteral("00000")) + 8;
    const double right = fm.horizontalAdvance(QStringLiteral("255")) / 2 + 2;
    const double top = fm.height() / 2 + 2, bottom = fm.height() + 6;
    return {left, top, std::max(1.0, width() - left - right),
            std::max(1.0, height() - top - bottom)};
}

double HistogramView::edgeOf(int bound) const
{
    const QRectF area = plot();
    return area.left() + (bound + 1) * area.width() / 256.0;
}

int HistogramView::boundAt(double x) const
{
    const QRectF area = plot();
    return std::clamp(static_cast<int>(std::lround((x - area.left()) * 256.0 / area.width())) - 1,
                      0, 255);
}

int HistogramView::binAt(double x) const
{
    const QRectF area = plot();
    if (x < area.left() || x >= area.right())
        return -1;
    return std::clamp(static_cast<int>((x - area.left()) * 256.0 / area.width()), 0, 255);
}

int HistogramView::clippedBin() const
{
    if (log_)
        return -1;
    const auto mode = std::max_element(bins_.begin(), bins_.end());
    std::uint32_t next = 0;
    for (auto it = bins_.begin(); it != bins_.end(); ++it)
        if (it != mode)
            next = std::max(next, *it);
    return next > 0 && *mode > 2 * std::uint64_t(next) ? int(mode - bins_.begin()) : -1;
}

QSize HistogramView::sizeHint() const
{
    return {2 * 256 + 60, 150};
}

QSize HistogramView::minimumSizeHint() const
{
    return {256 + 60, 90};
}

namespace {

// A count as the axis writes it: 950, 12k, 1.5M.
QString compact(double n)
{
    if (n >= 1e6)
        return QString::number(n / 1e6, 'g', 2) + QLatin1Char('M');
    if (n >= 1e4)
        return QString::number(std::lround(n / 1e3)) + QLatin1Char('k');
    return QString::number(std::lround(n));
}

} // namespace

void HistogramView::drawAxes(QPainter &p, const QRectF &area, double top) const
{
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetricsF fm(font());
    const double bin = area.width() / 256.0;
    for (int k = 0; k <= 256; k += 32) {
        const int value = std::min(k, 255);
        const double x = area.left() + (value + 0.5) * bin;
        p.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 3));
        const QString label = QString::number(value);
        const double w = fm.horizontalAdvance(label);
        p.drawText(QPointF(x - w / 2, area.bottom() + 4 + fm.ascent()), label);
    }
    // Counts: none, half and the top on the linear scale; powers of ten on the logarithmic one.
    std::vector<double> ticks;
    if (log_) {
        for (double v = 1; std::log1p(v) <= top; v *= 10)
            ticks.push_back(v);
    } else if (top > 0) {
        ticks = {0, top / 2, top};
    }
    for (const double v : ticks) {
        const double y = area.bottom() - area.height() * (log_ ? std::log1p(v) : v) / top;
        p.drawLine(QPointF(area.left() - 3, y), QPointF(area.left(), y));
        const QString label = compact(v);
        p.drawText(QPointF(area.left() - 5 - fm.horizontalAdvance(label), y + fm.ascent() / 2 - 1),
                   label);
    }
}

void HistogramView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QRectF area = plot();
    p.fillRect(area, Qt::white);
    // The band, shaded behind the bars.
    const double left = edgeOf(band_.lo), right = edgeOf(band_.hi);
    // A faint tint, so the bars inside the band stay as plain as those outside it.
    QColor tint = colour_;
    tint.setAlpha(40);
    if (bandShown_ && right > left)
        p.fillRect(QRectF(left, area.top(), right - left, area.height()), tint);

    const auto scaled = [this](double n) {
        return log_ ? std::log1p(n) : n;
    };
    // A bin that towers over the rest is cut down to 1.5 times the next highest, so that the
    // others stay readable; it is marked with its real count.
    const int clipped = clippedBin();
    double top = scaled(*std::max_element(bins_.begin(), bins_.end()));
    if (clipped >= 0) {
        std::uint32_t next = 0;
        for (int k = 0; k < 256; ++k)
            if (k != clipped)
                next = std::max(next, bins_[k]);
        top = 1.5 * next;
    }
    const double bin = area.width() / 256.0;
    if (top > 0) {
        for (int k = 0; k < 256; ++k) {
            if (bins_[k] == 0)
                continue;
            const double bar =
                std::clamp(area.height() * scaled(bins_[k]) / top, 1.0, area.height());
            p.fillRect(QRectF(area.left() + k * bin, area.bottom() - bar, std::max(bin, 1.0), bar),
                       colour_);
        }
    }
    if (clipped >= 0) {
        const double x = area.left() + clipped * bin;
        // A break across the bar's top, and the count it stands for.
        p.fillRect(QRectF(x - 1, area.top() + 4, std::max(bin, 1.0) + 2, 3), Qt::white);
        p.setPen(palette().color(QPalette::WindowText));
        const QString label = QStringLiteral("%1 (clipped)").arg(bins_[clipped]);
        const QFontMetricsF fm(font());
        const double w = fm.horizontalAdvance(label);
        const double at = x + bin + 3 + w <= area.right() ? x + bin + 3 : x - 3 - w;
        p.drawText(QPointF(at, area.top() + fm.ascent() + 2), label);
    }
    if (pointed_ >= 0) {
        p.setPen(QPen(Qt::darkGray, 1, Qt::DotLine));
        p.drawRect(
            QRectF(area.left() + pointed_ * bin, area.top(), std::max(bin, 1.0), area.height()));
    }
    p.setPen(QPen(Qt::black, 1));
    if (bandShown_) {
        p.drawLine(QPointF(left, area.top()), QPointF(left, area.bottom()));
        p.drawLine(QPointF(right, area.top()), QPointF(right, area.bottom()));
    }
    p.setPen(Qt::gray);
    p.drawRect(area);
    drawAxes(p, area, top);
}

void HistogramView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !bandShown_)
        return QWidget::mousePressEvent(event);
    const double x = event->position().x();
    const double toLow = std::abs(x - edgeOf(band_.lo)), toHigh = std::abs(x - edgeOf(band_.hi));
    // Edges that meet: the pointer's side of them decides which one moves.
    if (toLow == toHigh)
        dragging_ = x < edgeOf(band_.lo) ? Edge::Low : Edge::High;
    else
        dragging_ = toLow < toHigh ? Edge::Low : Edge::High;
    drag(x);
}

void HistogramView::mouseMoveEvent(QMouseEvent *event)
{
    const double x = event->position().x();
    if (dragging_ != Edge::None)
        drag(x);
    if (const int bin = binAt(x); bin != pointed_) {
        pointed_ = bin;
        update();
        emit pointed(bin);
    }
}

void HistogramView::leaveEvent(QEvent *)
{
    if (pointed_ >= 0) {
        pointed_ = -1;
        update();
        emit pointed(-1);
    }
}

void HistogramView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && dragging_ != Edge::None) {
        drag(event->position().x());
        dragging_ = Edge::None;
    }
}

void HistogramView::drag(double x)
{
    const int bound = boundAt(x);
    if (dragging_ == Edge::Low && bound != band_.lo)
        emit minimumDragged(bound);
    else if (dragging_ == Edge::High && bound != band_.hi)
        emit maximumDragged(bound);
}
