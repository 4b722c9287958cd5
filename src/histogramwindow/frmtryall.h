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
// with its method and threshold, then one per local method. A click on one reports its
// threshold, or the local method; a method with no answer shows "no threshold" and cannot be
// picked.
class frmTryAll : public QWidget {
    Q_OBJECT
public:
    explicit frmTryAll(QWidget *owner);

    void setTiles(Channel channel, const std::vector<pipeline::Trial> &tiles);
    Channel channel() const { return channel_; }

signals:
    void chosen(Channel channel, histogram::Method method, int threshold);
    void localChosen(Channel channel, local::Method method);

private:
    QToolButton *tile(const QString &name, int at);
    Channel channel_ = Channel::Red;
    QToolButton *tiles_[histogram::Methods.size()] = {};
    QToolButton *localTiles_[local::Methods.size()] = {};
    QGridLayout *grid_ = nullptr;
};
