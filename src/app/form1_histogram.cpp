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
        histogram_->setApplier(
            [this](Channel channel, histogram::Method m) { return applyAutomatic(channel, m); });
        connect(histogram_, &frmHistogram::localChosen, this, &Form1::takeLocal);
        connect(histogram_, &frmHistogram::localParamsChanged, this, &Form1::takeLocalParams);
        histogram_->setLocal(local_, localParams_);
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
    histogram_->setBands(asShown(Command::Threshold).bands);
    // An open montage follows too, without taking the focus.
    if (const std::optional<Channel> shown = histogram_->tryAllShown())
        histogram_->refreshTryAll(tryAllTiles(*shown));
}

scan::BlockHistograms Form1::blockHistograms()
{
    if (scope() == frmHistogram::Scope::Stack)
        if (std::optional<scan::BlockHistograms> stack = stackHistograms())
            return *stack;
    return runner_.histograms(scene(), asShown(Command::Threshold));
}

std::optional<int> Form1::applyAutomatic(Channel channel, histogram::Method method)
{
    results::Recipe r = asShown(Command::Threshold);
    r.automatic = {};
    r.automatic[channel] = method;
    const scan::BlockHistograms counted = blockHistograms();
    const std::optional<int> t = runner_.automatic(scene(), r, &counted)[channel]->threshold;
    if (t)
        takeAutomatic(channel, method, *t);
    return t;
}

void Form1::takeAutomatic(Channel channel, histogram::Method method, int threshold)
{
    oneStep({});
    chooseBound(channel, true, threshold);
    automatic_[channel] = Automatic{method, threshold};
    // The band marks the channel's blocks again.
    if (local_[channel]) {
        local_[channel].reset();
        showLocal();
        followChange();
    }
}

void Form1::tryAll(Channel channel)
{
    if (histogram_)
        histogram_->showTryAll(channel, tryAllTiles(channel));
}

std::vector<pipeline::Trial> Form1::tryAllTiles(Channel channel)
{
    return runner_.tryAll(scene(), asShown(Command::Threshold), channel);
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
