#include "histogramwindow/histogramview.h"

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
}

void HistogramView::setBins(const histogram::Bins &bins)
{
    if (bins == bins_)
        return;
    bins_ = bins;
    update();
}

void HistogramView::setBand(scan::Band band)
{
    if (band.lo == band_.lo && band.hi == band_.hi)
        return;
    band_ = band;
    update();
}

void HistogramView::setLogarithmic(bool on)
{
    if (on == log_)
        return;
    log_ = on;
    update();
}

double HistogramView::edgeOf(int bound) const
{
    return (bound + 1) * static_cast<double>(width()) / 256.0;
}

int HistogramView::boundAt(double x) const
{
    const double w = std::max(1, width());
    return std::clamp(static_cast<int>(std::lround(x * 256.0 / w)) - 1, 0, 255);
}

QSize HistogramView::sizeHint() const
{
    return {2 * 256, 96};
}

QSize HistogramView::minimumSizeHint() const
{
    return {256, 48};
}

void HistogramView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    // The band, shaded behind the bars.
    const double left = edgeOf(band_.lo), right = edgeOf(band_.hi);
    // A faint tint, so the bars inside the band stay as plain as those outside it.
    QColor tint = colour_;
    tint.setAlpha(40);
    if (right > left)
        p.fillRect(QRectF(left, 0, right - left, height()), tint);

    const auto scaled = [this](double n) {
        return log_ ? std::log1p(n) : n;
    };
    const double top = scaled(*std::max_element(bins_.begin(), bins_.end()));
    if (top > 0) {
        const double bin = width() / 256.0, h = height() - 1;
        for (int k = 0; k < 256; ++k) {
            if (bins_[k] == 0)
                continue;
            const double bar = std::max(1.0, h * scaled(bins_[k]) / top);
            p.fillRect(QRectF(k * bin, height() - bar, std::max(bin, 1.0), bar), colour_);
        }
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(left, 0), QPointF(left, height()));
    p.drawLine(QPointF(right, 0), QPointF(right, height()));
    p.setPen(Qt::gray);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void HistogramView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
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
    if (dragging_ != Edge::None)
        drag(event->position().x());
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
