// The histogram tool window: it shows the block values the threshold band is tested on, and
// the bounds picked on it move the threshold bars, as the user's own moves would.
#include "app/form1.h"

#include "histogramwindow/histogramview.h"
#include "platform/toolwindow.h"

using platform::HScrollBar;

void Form1::showHistogram()
{
    if (!histogram_) {
        histogram_ = new frmHistogram(this);
        connect(histogram_, &frmHistogram::minimumChosen, this,
                [this](Channel channel, int v) { chooseBound(channel, true, v); });
        connect(histogram_, &frmHistogram::maximumChosen, this,
                [this](Channel channel, int v) { chooseBound(channel, false, v); });
        connect(histogram_, &frmHistogram::automaticChosen, this, &Form1::takeAutomatic);
        connect(histogram_, &frmHistogram::tryAllRequested, this, &Form1::tryAll);
        connect(histogram_, &frmHistogram::scopeChanged, this, &Form1::refreshHistogram);
        connect(histogram_, &frmHistogram::measureFramesRequested, this, &Form1::measureFrames);
        histogram_->showHistory(history_, {tools_[0], tools_[1]});
    }
    refreshHistogram();
    platform::showToolWindow(histogram_);
}

void Form1::refreshHistogram()
{
    histogramPending_->stop();
    if (!histogram_)
        return;
    histogram_->setFrames(frames_ ? frames_->count() : 1);
    histogram_->setMeasurements(measured_);
    histogram_->setOutOfDate(outOfDate());
    histogram_->setHistograms(blockHistograms());
    histogram_->setBands(scanParams(true));
    // An open montage follows too, without taking the focus.
    if (const std::optional<Channel> shown = histogram_->tryAllShown())
        histogram_->refreshTryAll(tryAllTiles(*shown));
}

scan::BlockHistograms Form1::blockHistograms()
{
    if (scope() == frmHistogram::Scope::Stack)
        if (std::optional<scan::BlockHistograms> stack = stackHistograms())
            return *stack;
    const scan::ScanParams p = scanParams(true);
    return scanner_.histograms(stage(scan::scanGrid(p).sampled), p);
}

std::optional<int> Form1::applyAutomatic(Channel channel, histogram::Method method)
{
    const std::optional<int> t = histogram::threshold(method, blockHistograms().bins[channel]);
    if (t)
        takeAutomatic(channel, method, *t);
    return t;
}

void Form1::takeAutomatic(Channel channel, histogram::Method method, int threshold)
{
    oneStep({});
    chooseBound(channel, true, threshold);
    automatic_[channel] = Automatic{method, threshold};
}

void Form1::tryAll(Channel channel)
{
    if (histogram_)
        histogram_->showTryAll(channel, tryAllTiles(channel));
}

std::vector<TryAllTile> Form1::tryAllTiles(Channel channel)
{
    // Every method's plane as a threshold scan with that minimum would draw it, the maximum kept
    // as far as the minimum allows, as Apply keeps it.
    const scan::ScanParams base = scanParams(true);
    const core::ColourSurface &surface = stage(scan::scanGrid(base).sampled);
    const histogram::Bins bins = scanner_.histograms(surface, base).bins[channel];
    std::vector<TryAllTile> tiles;
    for (const histogram::Method method : histogram::Methods) {
        TryAllTile tile{method, histogram::threshold(method, bins), {}};
        if (tile.threshold) {
            scan::ScanParams p = base;
            p.bands[channel].lo = *tile.threshold;
            p.bands[channel].hi = std::max(p.bands[channel].hi, *tile.threshold);
            const scan::ScanPlanes planes = scan::scansiona(surface, p);
            tile.plane =
                QImage(std::max(1, planes.nx), std::max(1, planes.ny), QImage::Format_RGB32);
            tile.plane.fill(Qt::white);
            const std::vector<core::Colour> &plane = planes.planes[channel];
            for (int y = 0; y < planes.ny; ++y) {
                auto *line = reinterpret_cast<QRgb *>(tile.plane.scanLine(y));
                for (int x = 0; x < planes.nx; ++x)
                    line[x] = core::toArgb(plane[std::size_t(y) * planes.nx + x]);
            }
        }
        tiles.push_back(std::move(tile));
    }
    return tiles;
}

void Form1::chooseBound(Channel channel, bool minimum, int value)
{
    HScrollBar *minBar = row(channel).minimum, *maxBar = row(channel).maximum;
    if (!minimum) {
        maxBar->setValue(value);
        return;
    }
    // A new minimum reopens the band up to 255; a bound picked here keeps the maximum, as far as
    // the new minimum allows.
    const int keep = maxBar->Value();
    minBar->setValue(value);
    maxBar->setValue(keep);
}
