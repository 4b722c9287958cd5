#include "batch/batchworker.h"

#include "batch/messages.h"
#include "batch/provenance.h"
#include "picture/contenthash.h"
#include "picture/pictureloader.h"
#include "tintara/appinfo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <cerrno>
#include <csignal>
#include <future>
#include <unistd.h>

namespace batch {

namespace {

// The picture refused, saying why: none of its planes is there.
Outcome refused(Outcome &o, const QString &why, const QElapsedTimer &clock)
{
    o.status = Outcome::Refused;
    o.reason = why;
    o.outputs.clear();
    o.ms = clock.elapsed();
    return o;
}

} // namespace

Worker::Worker(const Settings &s)
    : s_(s)
{
    const int workers = s.jobs > 0 ? s.jobs : QThread::idealThreadCount();
    spare_.setMaxThreadCount(std::max(0, QThread::idealThreadCount() / std::max(1, workers) - 1));
    spare_.setExpiryTimeout(-1);
}

Work planWork(const Settings &s, const Job &job)
{
    Work w;
    Outcome &o = w.outcome;
    const auto refuse = [&](const QString &why) {
        o.status = Outcome::Refused;
        o.reason = why;
        o.outputs.clear();
        w.toMake.clear();
        return w;
    };
    const QString file = QFile::decodeName(job.path);
    const QString folder = QFile::decodeName(job.folder);
    const QFileInfo info(file);
    const QString picture = info.canonicalFilePath();
    // What is no picture (a pipe, a device, a file of no format this program reads) is refused
    // at once, before any of it is read whole.
    const Result<picture::FileState> state = picture::checkPicture(file);
    if (!state)
        return refuse(state.error());
    const Result<QString> hash = picture::contentHash(file, *state);
    if (!hash)
        return refuse(
            failureText(QStringLiteral("Cannot read it"), {}, hash.error(), Wording::Line));
    w.hash = *hash;
    // With --frames, every frame asked for has planes of its own, named and recorded with its
    // number.
    QList<int> numbers{0};
    if (!s.frames.isEmpty()) {
        Result<std::unique_ptr<picture::Frames>> opened = picture::openFrames(file);
        if (!opened)
            return refuse(opened.error());
        w.frames = std::move(*opened);
        w.numbers = results::frameRange(s.frames)->of(w.frames->count());
        if (w.numbers.isEmpty())
            return refuse(QStringLiteral("it has %1 frame(s), none of them in --frames %2")
                              .arg(w.frames->count())
                              .arg(s.frames));
        numbers = w.numbers;
    }
    for (const int frame : numbers) {
        results::Source source{info.absoluteFilePath(), *hash, {}, QLatin1String(appinfo::Version)};
        source.frame = frame;
        QList<QPair<QString, QString>> wanted = results::describe(source, s);
        // A band from an automatic method is known once the picture is read; the method,
        // recorded beside it, stands for it.
        for (const Channel c : Channels)
            if (s.automatic[c])
                wanted.removeIf([key = results::thresholdKey(c)](const auto &entry) {
                    return entry.first == key;
                });
        for (const PlaneFile &p : pipeline::planeFiles(s, s.zoom, job.stem, frame)) {
            const QString name = QFile::decodeName(p.name);
            const QString path = QDir(folder).filePath(name);
            const QFileInfo target(path);
            if (target.exists() && target.canonicalFilePath() == picture)
                return refuse(QStringLiteral("%1 would replace the picture itself").arg(name));
            o.outputs << name;
            if (s.overwrite) {
                w.toMake.push_back({p.view, name, path, frame});
                continue;
            }
            // A rerun keeps what is up to date, makes again what is missing or out of date,
            // and never replaces another picture's planes.
            const Existing there = existingPlane(path, wanted);
            if (there.state == Existing::Foreign)
                return refuse(there.owner.isEmpty()
                                  ? QStringLiteral("%1 is there and is no plane of this program; "
                                                   "--overwrite replaces it")
                                        .arg(path)
                                  : QStringLiteral("%1 holds a plane of %2; --overwrite replaces "
                                                   "it")
                                        .arg(path, there.owner));
            if (there.state != Existing::UpToDate)
                w.toMake.push_back({p.view, name, path, frame});
        }
    }
    // Measurements need the scan even where every plane is up to date.
    const bool skip = w.toMake.empty() && s.measure.isEmpty();
    o.status = skip ? Outcome::Skipped : Outcome::Ok;
    if (skip)
        o.reason = QStringLiteral("its planes are up to date; --overwrite makes them again");
    return w;
}

Outcome Worker::process(const Job &job)
{
    job_ = job.index;
    QElapsedTimer clock;
    clock.start();
    Work w = planWork(s_, job);
    Outcome &o = w.outcome;
    o.ms = clock.elapsed();
    if (o.status != Outcome::Ok)
        return o;
    const auto refuse = [&](const QString &why) {
        return refused(o, why, clock);
    };
    const QString file = QFile::decodeName(job.path);
    const QString folder = QFile::decodeName(job.folder);
    if (!QDir().mkpath(folder))
        return refuse(
            failureText(QStringLiteral("Cannot make the folder"), folder, {}, Wording::Line));

    if (w.frames)
        return processFrames(w, file, clock);
    const Result<pipeline::Preview> loaded = pipeline::load(file, s_.size);
    if (!loaded)
        return refuse(loaded.error());
    const pipeline::Planes planes = runner_.run(*loaded, s_);
    for (const Channel c : Channels)
        if (const auto &a = planes.automatic[c])
            o.automatic[c] =
                Outcome::Automatic{QLatin1String(histogram::methodName(a->method)), a->threshold};
    if (planes.recipe.threshold) {
        o.measured = planes.measured;
        o.bands = planes.recipe.bands;
    }
    const results::Source source{QFileInfo(file).absoluteFilePath(), w.hash, loaded->picture.size,
                                 QLatin1String(appinfo::Version)};
    if (const std::optional<QString> why = write(planes, source, w.toMake))
        return refuse(*why);
    o.status = Outcome::Ok;
    o.ms = clock.elapsed();
    return o;
}

Outcome Worker::processFrames(Work &w, const QString &file, QElapsedTimer &clock)
{
    Outcome &o = w.outcome;
    const auto refuse = [&](const QString &why) {
        return refused(o, why, clock);
    };
    picture::Frames &frames = *w.frames;
    const results::Recipe &recipe = s_;
    const auto frameOf = [&](int number) -> Result<pipeline::Preview> {
        picture::LoadResult loaded = frames.read(number - 1, s_.size);
        if (!loaded)
            return Failure{QStringLiteral("frame %1: %2").arg(number).arg(loaded.error())};
        return pipeline::Preview{std::move(*loaded), recipe.size};
    };
    // One minimum for every frame, from the block values of all of them together.
    std::optional<scan::BlockHistograms> stack;
    const bool automatic = std::any_of(recipe.automatic.begin(), recipe.automatic.end(),
                                       [](const auto &m) { return m; });
    if (automatic && recipe.stackScope) {
        Result<scan::BlockHistograms> counted = runner_.stackHistograms(frames, w.numbers, recipe);
        if (!counted)
            return refuse(counted.error());
        stack = std::move(*counted);
    }
    // Frame by frame, in order, those with a plane to make: a half-done film goes on from its
    // first missing frame. Measurements need every frame's scan, even where its planes are up
    // to date.
    const bool measuring = !s_.measure.isEmpty();
    std::vector<std::pair<int, std::vector<Work::Plane>>> work;
    std::size_t next = 0;
    for (const int number : w.numbers) {
        std::vector<Work::Plane> toMake;
        while (next < w.toMake.size() && w.toMake[next].frame == number)
            toMake.push_back(w.toMake[next++]);
        if (!toMake.empty() || measuring)
            work.emplace_back(number, std::move(toMake));
    }
    // The next frame is decoded while this one is scanned and written: the decoder's threads
    // would otherwise wait on them.
    struct Decoded {
        Result<pipeline::Preview> preview;
        std::optional<double> time;
    };
    const auto decode = [&](int number) {
        return std::async(std::launch::async, [&frameOf, &frames, number] {
            Result<pipeline::Preview> preview = frameOf(number);
            return Decoded{std::move(preview), frames.time(number - 1)};
        });
    };
    std::future<Decoded> ahead = work.empty() ? std::future<Decoded>() : decode(work[0].first);
    for (std::size_t i = 0; i < work.size(); ++i) {
        const auto &[number, toMake] = work[i];
        const Decoded decoded = ahead.get();
        if (i + 1 < work.size() && decoded.preview)
            ahead = decode(work[i + 1].first);
        if (!decoded.preview)
            return refuse(decoded.preview.error());
        const pipeline::Preview &preview = *decoded.preview;
        const pipeline::Planes planes =
            runner_.run(pipeline::scene(preview), recipe, stack ? &*stack : nullptr);
        for (const Channel c : Channels)
            if (const auto &a = planes.automatic[c])
                o.automatic[c] = Outcome::Automatic{QLatin1String(histogram::methodName(a->method)),
                                                    a->threshold};
        results::Source source{QFileInfo(file).absoluteFilePath(), w.hash, preview.picture.size,
                               QLatin1String(appinfo::Version)};
        source.frame = number;
        source.time = decoded.time;
        if (const std::optional<QString> why = write(planes, source, toMake)) {
            if (ahead.valid())
                ahead.wait();
            return refuse(*why);
        }
        if (measuring) {
            Outcome::Frame row;
            row.number = number;
            row.time = source.time;
            row.automatic = o.automatic;
            if (planes.recipe.threshold) {
                row.measured = planes.measured;
                row.bands = planes.recipe.bands;
            }
            o.frames << row;
        }
        if (frameDone_)
            frameDone_(job_);
    }
    o.status = Outcome::Ok;
    o.ms = clock.elapsed();
    return o;
}

std::optional<QString> Worker::write(const pipeline::Planes &planes, const results::Source &source,
                                     const std::vector<Work::Plane> &toMake)
{
    std::vector<pipeline::Target> targets;
    for (const Work::Plane &p : toMake)
        targets.push_back({p.view, p.name, p.path});
    const Result<void> written = pipeline::writePlanes(
        planes, source, targets, s_.zoom.value_or(Channel::Red), pipeline::Sync::Later, &spare_);
    return written ? std::nullopt : std::optional(written.error());
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

// Answers the jobs on standard input until it ends.
int serve(const Settings &s)
{
    Worker worker(s);
    worker.onFrame([](qsizetype index) {
        // Lost words only cost a timeout's margin: a failed write shows at the answer.
        (void)writeAll(STDOUT_FILENO, bytesOf(Progress{index}));
    });
    QByteArray pending;
    Message message;
    char buffer[1 << 16];
    while (true) {
        Take took;
        while ((took = takeMessage(pending, message)) == Take::Message) {
            const auto *job = std::get_if<Job>(&message);
            if (!job)
                return 3;
            if (!writeAll(STDOUT_FILENO, bytesOf(Answer{job->index, worker.process(*job)})))
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

} // namespace

int runWorker(const Settings &s)
{
    // Ctrl+C reaches the whole process group; the parent decides what an interrupt means.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    // Served from a thread of Qt's pool: Qt then converts and scales each picture on the thread
    // that asks, instead of handing a preview's few hundred KB to the pool in pieces and waiting
    // for them (three times the time of the work itself, measured on a small picture). A worker
    // is one picture at a time; the parent runs as many workers as there are cores.
    int status = 0;
    QThreadPool::globalInstance()->start([&status, &s] { status = serve(s); });
    QThreadPool::globalInstance()->waitForDone();
    return status;
}

} // namespace batch
