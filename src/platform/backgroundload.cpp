#include "platform/backgroundload.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <atomic>
#include <memory>

namespace platform {

namespace {

// Shared with the worker, which may outlive a cancelled wait.
struct Job {
    std::atomic<bool> cancel{false};
    LoadResult result;
};

} // namespace

BackgroundLoad loadInBackground(QWidget *window, const QString &path, int fitSide, int quietMs)
{
    auto job = std::make_shared<Job>();
    QThread *worker = QThread::create(
        [job, path, fitSide] { job->result = LoadPicture(path, fitSide, &job->cancel); });
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
    // Most loads end well within this; no window input is taken meanwhile.
    if (worker->wait(quietMs))
        return {std::move(job->result), false};

    QProgressDialog progress(QStringLiteral("Loading %1...").arg(path), QStringLiteral("Cancel"), 0,
                             0, window);
    progress.setObjectName(QStringLiteral("LoadProgress"));
    progress.setWindowTitle(window ? window->windowTitle() : QString());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    QEventLoop loop;
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    progress.show();
    if (!worker->isFinished())
        loop.exec();
    if (progress.wasCanceled() && !worker->isFinished()) {
        job->cancel = true;
        return {{}, true};
    }
    worker->wait();
    return {std::move(job->result), progress.wasCanceled()};
}

} // namespace platform
