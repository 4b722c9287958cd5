#pragma once

// The histogram room (tintara_histogramwindow), above the platform: the tool window and its
// view. It draws what it is given and signals the bounds picked on it; the main window does
// the rest. Logging: tintara.histogramwindow.

#include "core/channelscan.h"

#include <QWidget>

class HistogramView;
class QCheckBox;
class QPushButton;

// The histogram tool window: per channel, how many blocks have each value of the selected
// type, with the channel's threshold band on it. It shows what it is given and reports the
// bounds the user picks (an edge dragged, Otsu, Triangle); the owner moves the bars.
class frmHistogram : public QWidget {
    Q_OBJECT
public:
    explicit frmHistogram(QWidget *owner);

    void setHistograms(const scan::BlockHistograms &h);
    // Each channel's band, as the scan would test it.
    void setBands(const scan::ScanParams &p);

    HistogramView *view(Channel channel) const { return views_[static_cast<int>(channel)]; }

signals:
    void minimumChosen(Channel channel, int value);
    void maximumChosen(Channel channel, int value);

private:
    HistogramView *views_[3] = {};
    QPushButton *otsu_[3] = {}, *triangle_[3] = {};
    QCheckBox *log_ = nullptr;
};
