#pragma once

#include "core/channelscan.h"
#include "core/histogram.h"

#include <QColor>
#include <QWidget>

// One channel's block-value histogram with its threshold band (lo, hi] laid over it, a value
// axis 0-255 below and a count axis on the left. Bin k fills the k-th of 256 equal columns of
// the plot, so a band edge sits between two bins. Pressing the mouse takes the nearer edge and
// dragging moves it; the new value is reported, the band itself only changes when the caller
// sets it. The bin under the pointer is outlined and reported.
class HistogramView : public QWidget {
    Q_OBJECT
public:
    HistogramView(const QString &name, const QColor &colour, QWidget *parent);

    void setBins(const histogram::Bins &bins);
    const histogram::Bins &bins() const { return bins_; }
    // The band drawn, where `shown` (a channel marked by a local method has none).
    void setBand(scan::Band band, bool shown = true);
    void setLogarithmic(bool on);

    // The band bound whose edge lies at x: the edge before bin k + 1 is the bound k.
    int boundAt(double x) const;
    // Where the edge of bound k is drawn.
    double edgeOf(int bound) const;
    // The bin drawn at x, -1 off the plot.
    int binAt(double x) const;
    // On the linear scale, the bin drawn shorter than it is because it towers over the rest
    // (more than twice the next highest, drawn at 1.5 times that); -1 for none.
    int clippedBin() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void minimumDragged(int value);
    void maximumDragged(int value);
    // The bin under the pointer, or -1 when the pointer leaves the plot.
    void pointed(int bin);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    enum class Edge { None, Low, High };
    void drag(double x);
    // The area the bins are drawn in, inside the axes' labels.
    QRectF plot() const;
    void drawAxes(QPainter &p, const QRectF &area, double top) const;

    histogram::Bins bins_{};
    scan::Band band_;
    bool bandShown_ = true;
    bool log_ = false;
    QColor colour_;
    Edge dragging_ = Edge::None;
    int pointed_ = -1;
};
