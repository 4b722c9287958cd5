#include "batch/batchworker.h"

#include "app/form1.h"
#include "batch/frames.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace batch {

Worker::Worker(const Settings &s)
    : s_(s)
    , form_(std::make_unique<Form1>())
{
    form_->Form_Load();
    // Never shown: the planes come from rendering the window's controls, which needs no screen,
    // and a window that is not on screen is not repainted at every turn of the event loop.
    form_->applySetup(s_);
}

Worker::~Worker() = default;

Outcome Worker::process(const Job &job)
{
    QElapsedTimer clock;
    clock.start();
    Outcome o;
    const auto refuse = [&](const QString &why) {
        o.status = Outcome::Refused;
        o.reason = why;
        o.outputs.clear();
        o.ms = clock.elapsed();
        return o;
    };
    const QString file = QFile::decodeName(job.path);
    const QString folder = QFile::decodeName(job.folder);
    const QString picture = QFileInfo(file).canonicalFilePath();
    struct Plane {
        QString view, name, path;
    };
    std::vector<Plane> missing;
    for (const PlaneFile &p : planeFiles(s_, job.stem)) {
        const QString name = QFile::decodeName(p.name);
        const QString path = QDir(folder).filePath(name);
        const QFileInfo target(path);
        if (target.exists() && target.canonicalFilePath() == picture)
            return refuse(QStringLiteral("%1 would replace the picture itself").arg(name));
        o.outputs << name;
        if (s_.overwrite || !target.exists())
            missing.push_back({p.view, name, path});
    }
    // A rerun: what an earlier run finished is kept, what it left undone is made.
    if (missing.empty()) {
        o.status = Outcome::Skipped;
        o.reason = QStringLiteral("its planes are there; --overwrite makes them again");
        o.ms = clock.elapsed();
        return o;
    }
    if (!QDir().mkpath(folder))
        return refuse(QStringLiteral("cannot make the folder %1").arg(folder));

    form_->clearResults();
    form_->applySetup(s_);
    if (const QString why = form_->openFile(file); !why.isEmpty())
        return refuse(why);
    form_->runCommand(s_.reduction   ? Form1::Command::Reduction
                      : s_.threshold ? Form1::Command::Threshold
                                     : Form1::Command::Rgb);
    if (!s_.zoom.isEmpty())
        form_->zoomPlane(s_.zoom == QLatin1String("r") ? 0 : s_.zoom == QLatin1String("g") ? 1 : 2);

    std::vector<QString> written;
    for (const Plane &p : missing) {
        if (const QString error = form_->saveResult(p.view, p.path); !error.isEmpty()) {
            // Whole or nothing: the planes this picture wrote so far go too.
            for (const QString &done : written)
                QFile::remove(done);
            return refuse(QStringLiteral("%1: %2").arg(p.name, error));
        }
        written.push_back(p.path);
    }
    o.status = Outcome::Ok;
    o.ms = clock.elapsed();
    return o;
}

Outcome processPicture(const Settings &s, const QString &file)
{
    const QFileInfo info(file);
    Job job;
    job.path = QFile::encodeName(info.absoluteFilePath());
    job.folder = QFile::encodeName(s.outDir.isEmpty() ? info.absolutePath() : s.outDir);
    job.stem = QFile::encodeName(info.completeBaseName());
    return Worker(s).process(job);
}

namespace {

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + at, std::size_t(bytes.size() - at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
    }
    return true;
}

} // namespace

int runWorker(const Settings &s)
{
    // Ctrl+C reaches the whole process group; the parent decides what an interrupt means.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    Worker worker(s);
    QByteArray pending;
    QList<QByteArray> fields;
    char buffer[1 << 16];
    while (true) {
        Take took;
        while ((took = takeFrame(pending, fields)) == Take::Frame) {
            if (fields.size() != 4)
                return 3;
            const Job job{fields[0].toLongLong(), fields[1], fields[2], fields[3]};
            const Outcome o = worker.process(job);
            QList<QByteArray> answer{fields[0], QByteArray::number(int(o.status)),
                                     o.reason.toUtf8(), QByteArray::number(o.ms)};
            for (const QString &name : o.outputs)
                answer << name.toUtf8();
            if (!writeAll(STDOUT_FILENO, frame(answer)))
                return 1;
        }
        if (took == Take::Broken)
            return 3;
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 0;
        pending.append(buffer, n);
    }
}

} // namespace batch
