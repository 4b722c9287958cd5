#pragma once

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
    // Empty when the signals are watched, otherwise why not.
    QString errorString() const { return error_; }

signals:
    void interrupted();

private:
    QString error_;
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_[2] = {};
    bool installed_ = false;
};

} // namespace batch
