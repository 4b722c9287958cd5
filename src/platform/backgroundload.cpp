#include "platform/backgroundload.h"

#include "picture/contenthash.h"
#include "platform/logging.h"
#include <QEventLoop>
#include <QFutureWatcher>
#include <QPointer>
#include <QProgressDialog>
#include <QSemaphore>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <atomic>
#include <vector>

namespace platform {

struct BackgroundLoader::State {
    // Declared first, destroyed last: its destruction waits for every decode.
    QThreadPool pool;
    std::vector<std::shared_ptr<std::atomic<bool>>> stops; // one per decode not yet reaped
    QPointer<QEventLoop> waiting;                          // the progress window's loop

    void stopAll()
    {
        for (const auto &stop : stops)
            stop->store(true);
        if (waiting)
            waiting->quit();
    }
    ~State()
    {
        stopAll();
        pool.waitForDone();
    }
};

namespace {

// What a decode shares with the window; it may outlive a cancelled wait.
struct Job {
    std::shared_ptr<std::atomic<bool>> stop = std::make_shared<std::atomic<bool>>(false);
    QSemaphore done;
};

} // namespace

BackgroundLoader::BackgroundLoader()
    : state_(std::make_shared<State>())
{
    // A cancelled decode winding down and the next load may overlap.
    state_->pool.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
}

BackgroundLoader::~BackgroundLoader() = default;

void BackgroundLoader::cancelAll()
{
    state_->stopAll();
}

namespace {

// Runs `work` on the pool, showing `label` with Cancel when it outlasts `quietMs`; the result,
// or none when it was cancelled.
template <class T, class Work>
std::optional<T> waitFor(const std::shared_ptr<BackgroundLoader::State> &state, QWidget *window,
                         const QString &label, Work work, int quietMs)
{
    std::erase_if(state->stops, [](const auto &stop) { return stop.use_count() == 1; });
    auto job = std::make_shared<Job>();
    state->stops.push_back(job->stop);
    QFuture<T> future = QtConcurrent::run(&state->pool, [job, work] {
        T result = work(job->stop.get());
        job->done.release();
        return result;
    });
    // Most loads end well within this; no window input is taken meanwhile.
    if (job->done.tryAcquire(1, quietMs)) {
        future.waitForFinished();
        return future.takeResult();
    }

    const QPointer<QWidget> owner(window);
    // On the heap, owned by the window, which may be destroyed while it shows.
    const QPointer<QProgressDialog> progress =
        new QProgressDialog(label, QStringLiteral("Cancel"), 0, 0, window);
    progress->setObjectName(QStringLiteral("LoadProgress"));
    progress->setWindowTitle(window ? window->windowTitle() : QString());
    // Modal to the whole program: the window's tool windows, too, would otherwise start a scan
    // or a second load under the wait.
    progress->setWindowModality(Qt::ApplicationModal);
    progress->setMinimumDuration(0);
    progress->setAutoReset(false);
    progress->setAutoClose(false);

    QEventLoop loop;
    QFutureWatcher<T> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    QObject::connect(progress, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    QObject::connect(progress, &QObject::destroyed, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    progress->show();
    state->waiting = &loop;
    // Left when the load ends, on Cancel, when the window goes, when cancelAll() is called or
    // when the program quits.
    if (!future.isFinished())
        loop.exec();
    state->waiting = nullptr;
    const bool cancelled = (window && !owner) || !progress || progress->wasCanceled() ||
                           job->stop->load() || !future.isFinished();
    delete progress.data();
    if (cancelled) {
        // The decode stops at its next check; its result goes with the last copy of the future.
        job->stop->store(true);
        qCDebug(lcPlatform) << "cancelled:" << label;
        return std::nullopt;
    }
    return future.takeResult();
}

} // namespace

BackgroundLoad BackgroundLoader::load(QWidget *window, const QString &path, int fitSide,
                                      int quietMs)
{
    std::optional<picture::LoadResult> result = waitFor<picture::LoadResult>(
        state_, window, QStringLiteral("Loading %1...").arg(path),
        [path, fitSide](const std::atomic<bool> *stop) {
            return picture::LoadPicture(path, fitSide, stop);
        },
        quietMs);
    if (!result)
        return {Failure{}, true};
    return {std::move(*result), false};
}

std::optional<Result<QString>> BackgroundLoader::hash(QWidget *window, const QString &path,
                                                      const picture::FileState &state, int quietMs)
{
    return waitFor<Result<QString>>(
        state_, window, QStringLiteral("Reading %1...").arg(path),
        [path, state](const std::atomic<bool> *stop) {
            return picture::contentHash(path, state, stop);
        },
        quietMs);
}

} // namespace platform
