#pragma once

#include "batch/batchoptions.h"
#include "batch/outcome.h"
#include "batch/outputplan.h"
#include "batch/picturelist.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTimer>
#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace batch {

// The batch's parent: streams the pictures to worker processes one at a time, replaces a worker
// that dies and gives its picture one more try, stops a picture that outlasts the timeout, and
// reports every picture once, in the order given.
class Dispatcher : public QObject {
    Q_OBJECT
public:
    Dispatcher(const Settings &s, const PictureList &list, const OutputPlan &plan);
    ~Dispatcher() override;
    // Runs the batch; the exit status: 0, or 1 when a picture was refused, 130 on an interrupt.
    int run();

private:
    struct Slot {
        QProcess *process = nullptr;
        qsizetype job = -1; // the picture it holds, -1 when idle
        QByteArray answers;
        QTimer *timer = nullptr;
        bool timedOut = false;
    };
    void start(Slot &slot);
    void feed(Slot &slot);
    void answered(Slot &slot, bool more);
    void ended(Slot &slot, const QString &cause);
    void interrupt();
    void settle(qsizetype index, const Outcome &o);
    void print(qsizetype index, const Outcome &o);
    void progress();
    static bool write(QFile &file, const QByteArray &line);
    bool idle() const;

    const Settings &s_;
    const PictureList &list_;
    const OutputPlan &plan_;
    QStringList workerArgs_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::deque<qsizetype> retries_;
    QHash<qsizetype, QString> firstFailure_;
    std::map<qsizetype, Outcome> waiting_; // answered, not yet printed
    qsizetype next_ = 0, printed_ = 0, done_ = 0;
    bool interrupted_ = false, refused_ = false, reportFailed_ = false, measureFailed_ = false;
    bool terminal_ = false;
    QFile report_, measure_;
    QElapsedTimer clock_;
    QEventLoop loop_;
};

} // namespace batch
