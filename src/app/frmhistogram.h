#pragma once

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
    void setBands(scan::Band red, scan::Band green, scan::Band blue);

    HistogramView *view(int channel) const { return views_[channel]; }

signals:
    // channel: 0 red, 1 green, 2 blue
    void minimumChosen(int channel, int value);
    void maximumChosen(int channel, int value);

private:
    HistogramView *views_[3] = {};
    QPushButton *otsu_[3] = {}, *triangle_[3] = {};
    QCheckBox *log_ = nullptr;
};
