#include "batch/dispatcher.h"

#include "batch/interruptwatch.h"
#include "batch/logging.h"
#include "batch/messages.h"
#include "batch/report.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <unistd.h>

namespace batch {

Dispatcher::Dispatcher(const Settings &s, const PictureList &list, const OutputPlan &plan)
    : s_(s)
    , list_(list)
    , plan_(plan)
    , workerArgs_(QStringList{QStringLiteral("--batch-worker")} + workerArguments(s))
    , terminal_(::isatty(STDERR_FILENO))
{}

Dispatcher::~Dispatcher()
{
    for (auto &slot : slots_)
        if (slot->process) {
            slot->process->kill();
            slot->process->waitForFinished(5000);
        }
}

int Dispatcher::run()
{
    if (!s_.report.isEmpty()) {
        const bool open = s_.report == QLatin1String("-")
                              ? report_.open(stdout, QIODevice::WriteOnly)
                              : (report_.setFileName(s_.report),
                                 report_.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (!open) {
            complain(failureText(QStringLiteral("Cannot write the report"), s_.report,
                                 report_.errorString(), Wording::Line));
            return 1;
        }
    }
    if (!s_.measure.isEmpty()) {
        const bool open = s_.measure == QLatin1String("-")
                              ? measure_.open(stdout, QIODevice::WriteOnly)
                              : (measure_.setFileName(s_.measure),
                                 measure_.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (!open || !write(measure_, csvHeader())) {
            complain(failureText(QStringLiteral("Cannot write the measurements"), s_.measure,
                                 measure_.errorString(), Wording::Line));
            return 1;
        }
    }
    InterruptWatch watch;
    if (!watch.watching()) {
        complain(failureText(QStringLiteral("Cannot watch for interrupts"), {},
                             watch.watching().error(), Wording::Line));
        return 1;
    }
    connect(&watch, &InterruptWatch::interrupted, this, &Dispatcher::interrupt);
    clock_.start();
    const qsizetype wanted = s_.jobs > 0 ? s_.jobs : QThread::idealThreadCount();
    const qsizetype jobs = std::min(wanted, plan_.toDo());
    // Each worker knows how many there are, and so what cores it may use besides its own.
    workerArgs_ << QStringLiteral("--jobs") << QString::number(std::max<qsizetype>(jobs, 1));
    for (qsizetype j = 0; j < jobs; ++j) {
        slots_.push_back(std::make_unique<Slot>());
        start(*slots_.back());
    }
    if (jobs == 0) {
        // Nothing for a worker: every picture is settled here.
        Slot none;
        feed(none);
    } else {
        loop_.exec();
    }
    if (terminal_)
        std::fputs("\r\033[K", stderr);
    if (reportFailed_)
        complain(failureText(QStringLiteral("Cannot finish the report"), s_.report,
                             report_.errorString(), Wording::Line));
    if (measureFailed_)
        complain(failureText(QStringLiteral("Cannot finish the measurements"), s_.measure,
                             measure_.errorString(), Wording::Line));
    if (interrupted_)
        return 130;
    return refused_ || reportFailed_ || measureFailed_ ? 1 : 0;
}

void Dispatcher::start(Slot &slot)
{
    auto *process = new QProcess(this);
    slot.process = process;
    slot.answers.clear();
    slot.timedOut = false;
    if (!slot.timer) {
        slot.timer = new QTimer(this);
        slot.timer->setSingleShot(true);
        slot.timer->setInterval(std::chrono::seconds(s_.timeout));
        connect(slot.timer, &QTimer::timeout, this, [&slot] {
            slot.timedOut = true;
            if (slot.process)
                slot.process->kill();
        });
    }
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(process, &QProcess::readyReadStandardOutput, this, [this, &slot, process] {
        if (slot.process != process)
            return;
        slot.answers += process->readAllStandardOutput();
        answered(slot, true);
    });
    connect(process, &QProcess::finished, this,
            [this, &slot, process](int code, QProcess::ExitStatus status) {
                if (slot.process != process)
                    return;
                // Its last answers count; it is given nothing more.
                slot.answers += process->readAllStandardOutput();
                answered(slot, false);
                const QString cause =
                    slot.timedOut
                        ? QStringLiteral("it took longer than the --timeout of %1 s and was "
                                         "stopped")
                              .arg(s_.timeout)
                    : status == QProcess::CrashExit
                        ? QStringLiteral("the worker was killed by signal %1 while working on it")
                              .arg(code)
                        : QStringLiteral("the worker ended with status %1 while working on it")
                              .arg(code);
                ended(slot, cause);
            });
    connect(process, &QProcess::errorOccurred, this,
            [this, &slot, process](QProcess::ProcessError error) {
                if (slot.process != process || error != QProcess::FailedToStart)
                    return;
                ended(slot,
                      QStringLiteral("the worker could not start: %1").arg(process->errorString()));
            });
    process->start(QCoreApplication::applicationFilePath(), workerArgs_);
    feed(slot);
}

void Dispatcher::feed(Slot &slot)
{
    while (!interrupted_) {
        qsizetype index;
        if (!retries_.empty()) {
            index = retries_.front();
            retries_.pop_front();
        } else if (next_ < list_.size()) {
            index = next_++;
            if (!plan_.mine(index))
                continue;
            if (const Outcome o = plan_.settled(index); !o.ok()) {
                settle(index, o);
                continue;
            }
        } else {
            break;
        }
        const Job job = plan_.job(index);
        slot.job = index;
        slot.process->write(bytesOf(job));
        slot.timer->start();
        return;
    }
    slot.job = -1;
    if (slot.process)
        slot.process->closeWriteChannel();
}

void Dispatcher::answered(Slot &slot, bool more)
{
    Message message;
    Take took;
    while ((took = takeMessage(slot.answers, message)) == Take::Message) {
        // A film's frames each restart the clock: --timeout is a frame's time.
        if (const auto *progress = std::get_if<Progress>(&message)) {
            if (progress->index == slot.job)
                slot.timer->start();
            continue;
        }
        const auto *answer = std::get_if<Answer>(&message);
        if (!answer || answer->index != slot.job)
            continue;
        slot.timer->stop();
        slot.job = -1;
        settle(answer->index, answer->outcome);
        if (more)
            feed(slot);
    }
    if (took == Take::Broken && slot.process)
        slot.process->kill(); // not a worker of ours: its picture is tried again
}

void Dispatcher::ended(Slot &slot, const QString &cause)
{
    slot.timer->stop();
    QProcess *gone = std::exchange(slot.process, nullptr);
    gone->deleteLater();
    if (slot.job >= 0) {
        const qsizetype index = std::exchange(slot.job, -1);
        // A second failure, or a picture that hangs: reported. A first: tried once more, in a
        // new worker, since the one before may have died of something else.
        if (slot.timedOut || firstFailure_.contains(index) || interrupted_) {
            Outcome o;
            o.reason = cause;
            firstFailure_.remove(index);
            settle(index, o);
        } else {
            qCInfo(lcBatch) << list_.path(index) << cause << "- tried once more";
            firstFailure_.insert(index, cause);
            retries_.push_front(index);
        }
    }
    const bool more = !retries_.empty() || next_ < list_.size();
    if (more && !interrupted_)
        start(slot);
    if (idle())
        loop_.quit();
}

bool Dispatcher::idle() const
{
    for (const auto &slot : slots_)
        if (slot->process)
            return false;
    return true;
}

void Dispatcher::interrupt()
{
    interrupted_ = true;
    // Each worker finishes the picture it has, writing only whole files, and ends.
    for (const auto &slot : slots_)
        if (slot->process)
            slot->process->closeWriteChannel();
}

void Dispatcher::settle(qsizetype index, const Outcome &o)
{
    ++done_;
    waiting_.emplace(index, o);
    // In the order given; another shard's pictures are not this run's to print.
    while (true) {
        while (printed_ < list_.size() && !plan_.mine(printed_))
            ++printed_;
        const auto at = waiting_.find(printed_);
        if (at == waiting_.end())
            break;
        print(at->first, at->second);
        waiting_.erase(at);
        ++printed_;
    }
    progress();
}

void Dispatcher::print(qsizetype index, const Outcome &o)
{
    refused_ = refused_ || o.status == Outcome::Refused;
    const QByteArray file = list_.path(index);
    if (terminal_)
        std::fputs("\r\033[K", stderr);
    if (report_.isOpen() && !write(report_, jsonLine(file, s_, o)))
        reportFailed_ = true;
    if (measure_.isOpen()) {
        // A stack's frames, each a row.
        QByteArray rows;
        if (o.frames.isEmpty())
            rows = csvLine(file, s_, o);
        for (const Outcome::Frame &f : o.frames) {
            Outcome one = o;
            one.automatic = f.automatic;
            one.measured = f.measured;
            one.bands = f.bands;
            rows += csvLine(file, s_, one, f.number, f.time);
        }
        if (!write(measure_, rows))
            measureFailed_ = true;
    }
    if (s_.report != QLatin1String("-") && s_.measure != QLatin1String("-")) {
        const QByteArray line = tsvLine(file, o);
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
        std::fflush(stdout);
    }
}

bool Dispatcher::write(QFile &file, const QByteArray &line)
{
    return file.write(line) == line.size() && file.flush();
}

void Dispatcher::progress()
{
    if (!terminal_)
        return;
    const double seconds = clock_.elapsed() / 1000.0;
    const double rate = seconds > 0 ? double(done_) / seconds : 0;
    const qsizetype total = plan_.mineCount();
    std::fprintf(stderr, "\r%lld/%lld pictures, %.1f per second, %.0f s left   ",
                 static_cast<long long>(done_), static_cast<long long>(total), rate,
                 rate > 0 ? double(total - done_) / rate : 0.0);
    std::fflush(stderr);
}

} // namespace batch
