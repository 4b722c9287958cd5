// The histogram tool window: it shows the block values the threshold band is tested on, and
// the bounds picked on it move the threshold bars, as the user's own moves would.
#include "app/form1.h"

#include "histogramwindow/histogramview.h"

using platform::HScrollBar;

void Form1::showHistogram()
{
    if (!histogram_) {
        histogram_ = new frmHistogram(this);
        connect(histogram_, &frmHistogram::minimumChosen, this,
                [this](Channel channel, int v) { chooseBound(channel, true, v); });
        connect(histogram_, &frmHistogram::maximumChosen, this,
                [this](Channel channel, int v) { chooseBound(channel, false, v); });
    }
    refreshHistogram();
    histogram_->show();
    histogram_->raise();
    histogram_->activateWindow();
}

void Form1::refreshHistogram()
{
    histogramPending_->stop();
    if (!histogram_)
        return;
    const scan::ScanParams p = scanParams(true);
    const scan::ScanGrid grid = scan::scanGrid(p);
    histogram_->setHistograms(scanner_.histograms(sampleWindow(grid.sampled), p));
    histogram_->setBands(p);
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
