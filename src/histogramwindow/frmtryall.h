#pragma once

#include "core/channel.h"
#include "pipeline/pipeline.h"

#include <QImage>
#include <QWidget>
#include <optional>
#include <vector>

class QGridLayout;
class QToolButton;

// "Try all...": one small threshold plane per automatic method for one channel, each captioned
// with its method and threshold. A click on one reports its threshold; a method with no answer
// shows "no threshold" and cannot be picked.
class frmTryAll : public QWidget {
    Q_OBJECT
public:
    explicit frmTryAll(QWidget *owner);

    void setTiles(Channel channel, const std::vector<pipeline::Trial> &tiles);
    Channel channel() const { return channel_; }

signals:
    void chosen(Channel channel, histogram::Method method, int threshold);

private:
    Channel channel_ = Channel::Red;
    QToolButton *tiles_[histogram::Methods.size()] = {};
};
