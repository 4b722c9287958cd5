#pragma once

// The histogram room (tintara_histogramwindow), above the platform: the tool window, its view
// and the montage of automatic thresholds. It draws what it is given and signals the bounds
// picked on it; the main window does the rest. Logging: tintara.histogramwindow.

#include "core/autothreshold.h"
#include "core/channelscan.h"
#include "core/localthreshold.h"
#include "core/measurements.h"
#include "histogramwindow/frmtryall.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class HistogramView;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QUndoStack;

// The histogram tool window: per channel, how many blocks have each value of the selected
// type, with the channel's threshold band on it and its bounds written out. It shows what it
// is given and reports the bounds the user picks (an edge dragged, an automatic method, a tile
// of the montage); the owner moves the bars.
class frmHistogram : public QWidget {
    Q_OBJECT
public:
    explicit frmHistogram(QWidget *owner);

    void setHistograms(const scan::BlockHistograms &h);
    // Each channel's band, as the scan would test it.
    void setBands(const PerChannel<scan::Band> &bands);
    // What the last threshold scan marked, for the read-out and "Copy measurements".
    void setMeasurements(const scan::Measurements &m);
    // Says, under the measurements, why they no longer match the settings shown; empty where
    // they do.
    void setOutOfDate(const QString &note);
    // The montage of every method for one channel, shown and raised.
    void showTryAll(Channel channel, const std::vector<pipeline::Trial> &tiles);
    // The channel of the montage on screen, if one is; new tiles for it, left where it is.
    std::optional<Channel> tryAllShown() const;
    void refreshTryAll(const std::vector<pipeline::Trial> &tiles);

    // The settings' history as a list: a click on a step goes back, or on, to it. `keys` are
    // the owner's Undo and Redo, which work here too.
    void showHistory(QUndoStack *history, const QList<QAction *> &keys);

    HistogramView *view(Channel channel) const { return views_[channel]; }
    histogram::Method method() const;

    // For a stack or a film: where an automatic method takes its block values, and the
    // "Measure all frames" command; hidden for a still picture (fewer than two frames).
    enum class Scope { ThisFrame, EachFrame, Stack };
    void setFrames(int count);
    Scope scope() const;

    // The local methods the channels' blocks are marked by, and the neighbourhood and
    // parameters they take: a channel under one shows it instead of its band.
    void setLocal(const PerChannel<std::optional<local::Method>> &methods,
                  const local::Params &params);
    // The local method chosen to apply, none for "none"; and the parameters as the controls
    // stand.
    std::optional<local::Method> localMethod() const;
    local::Params localParams() const;

    // How the owner applies a method to a channel's block values: the minimum it set, none
    // where the method has no threshold for them.
    void setApplier(std::function<std::optional<int>(Channel, histogram::Method)> applier)
    {
        applier_ = std::move(applier);
    }

signals:
    void minimumChosen(Channel channel, int value);
    void maximumChosen(Channel channel, int value);
    // An automatic method's threshold picked in the montage, to become the channel's minimum.
    void automaticChosen(Channel channel, histogram::Method method, int threshold);
    void tryAllRequested(Channel channel);
    // A local method for the channels (none: their bands again), with the parameters shown.
    void localChosen(QList<Channel> channels, std::optional<local::Method> method);
    // The local methods' neighbourhood or parameters, changed by the user.
    void localParamsChanged(local::Params params);
    void scopeChanged();
    void measureFramesRequested();

private:
    // Applies a method to the channels, and says what it set and where it has no threshold.
    void apply(std::initializer_list<Channel> channels, histogram::Method method);
    void showPointed(Channel channel, int bin);

    PerChannel<HistogramView *> views_;
    std::function<std::optional<int>(Channel, histogram::Method)> applier_;
    PerChannel<QLabel *> bands_;
    PerChannel<QPushButton *> otsu_, triangle_;
    PerChannel<std::optional<local::Method>> local_;
    PerChannel<scan::Band> shownBands_;
    QComboBox *localMethod_ = nullptr;
    QSpinBox *localRadius_ = nullptr;
    QDoubleSpinBox *localParam1_ = nullptr, *localParam2_ = nullptr;
    QCheckBox *localWhite_ = nullptr;
    void showBand(Channel channel);
    QComboBox *methods_ = nullptr, *scope_ = nullptr;
    QLabel *scopeLabel_ = nullptr;
    QPushButton *measureFrames_ = nullptr;
    QLabel *said_ = nullptr, *pointed_ = nullptr, *measured_ = nullptr;
    scan::Measurements measurements_;
    QString outOfDate_;
    QCheckBox *log_ = nullptr;
    QGridLayout *grid_ = nullptr;
    QPointer<frmTryAll> tryAll_;
};
