#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

class QProgressDialog;

namespace testpics {

// A valid progressive JPEG of noise at the highest quality: slow enough to decode that Load
// shows its progress window.
QString writeSlowJpeg(const QTemporaryDir &dir, const QString &name, int side = 5600);

} // namespace testpics

// Watches for the progress window of a slow load and, `afterMs` after it first shows, does
// `act` to it (by default presses its Cancel). A negative time never acts.
class ProgressWatcher : public QObject {
public:
    explicit ProgressWatcher(int afterMs, std::function<void(QProgressDialog *)> act = {});

    bool seen() const { return seen_; }
    bool acted() const { return acted_; }

private:
    void poll();

    QTimer timer_;
    QElapsedTimer since_;
    QPointer<QProgressDialog> shown_;
    std::function<void(QProgressDialog *)> act_;
    int afterMs_;
    bool seen_ = false;
    bool acted_ = false;
};
