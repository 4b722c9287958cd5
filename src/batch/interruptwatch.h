#pragma once

#include "core/result.h"

#include <QObject>
#include <QString>
#include <csignal>
#include <memory>

class QSocketNotifier;

namespace batch {

// Turns SIGINT and SIGTERM into a signal of the event loop, through a pipe the handler writes
// one byte to (the only safe thing a handler can do). While it lives the signals no longer end
// the program; when it goes, the handlers that were there before are back.
class InterruptWatch : public QObject {
    Q_OBJECT
public:
    InterruptWatch();
    ~InterruptWatch() override;
    // Whether the signals are watched, and why not.
    const Result<void> &watching() const { return watching_; }

signals:
    void interrupted();

private:
    Result<void> watching_;
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_[2] = {};
    bool installed_ = false;
};

} // namespace batch
