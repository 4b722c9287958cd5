// `tintara --batch`: reads the options and the pictures, decides every output name before the
// first is written, then hands the pictures to the workers.
#include "batch/batchrun.h"

#include "batch/batchoptions.h"
#include "batch/batchworker.h"
#include "batch/dispatcher.h"
#include "batch/outputplan.h"
#include "batch/picturelist.h"
#include "batch/report.h"
#include "pipeline/pipeline.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstring>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <set>
#include <sys/stat.h>

namespace batch {

namespace {

int usage(const QString &why)
{
    complain(why);
    std::fprintf(stderr, "%s\n", qPrintable(usageText()));
    return 2;
}

QList<QByteArray> arguments(int argc, char *argv[])
{
    QList<QByteArray> args;
    for (int i = 1; i < argc; ++i)
        args << QByteArray(argv[i]);
    return args;
}

int runWorkerProcess(int argc, char *argv[])
{
#ifdef __GLIBC__
    // Every picture allocates its preview, surface and planes anew, each of a few hundred KB:
    // kept on the heap, their pages are used again instead of being mapped, faulted in and
    // zeroed for each picture (a third of a small picture's time). Only what is larger than any
    // preview's work (a large picture decoded whole) is mapped, and given back at once.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    // No window and no display: the pipeline needs the core of Qt alone.
    QCoreApplication app(argc, argv);
    const Result<Settings> s = parse(arguments(argc, argv));
    if (!s)
        return usage(s.error());
    return runWorker(*s);
}

// What a run would do to each of its pictures, judged as its workers judge it, with nothing
// written: 1 when any picture would be refused, as the run would end.
int dryRun(const Settings &s, const PictureList &pictures, const OutputPlan &plan)
{
    bool refused = false;
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        if (!plan.mine(i))
            continue;
        Outcome o = plan.settled(i);
        if (o.ok()) {
            const Job job = plan.job(i);
            o = planWork(s, job).outcome;
            for (QString &name : o.outputs)
                name = QDir(QFile::decodeName(job.folder)).filePath(name);
        }
        refused = refused || o.status == Outcome::Refused;
        const QByteArray line = planLine(pictures.path(i), pictures.shard(i), s.shards, o);
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    }
    return refused ? 1 : 0;
}

// The planes are on the disk before the run ends, as after `cp` and `sync`: one sync for each
// file system written to, rather than one for each file. False, said, where one fails.
bool syncWritten(const PictureList &pictures, const OutputPlan &plan)
{
    std::set<dev_t> synced;
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        if (!plan.mine(i))
            continue;
        const QByteArray folder = plan.job(i).folder;
        struct stat st {};
        if (::stat(folder.constData(), &st) != 0 || !synced.insert(st.st_dev).second)
            continue;
        if (const Result<void> done = pipeline::syncAll(QFile::decodeName(folder)); !done) {
            complain(failureText(QStringLiteral("Cannot bring the planes to the disk"),
                                 QFile::decodeName(folder), done.error(), Wording::Line));
            return false;
        }
    }
    return true;
}

int runParent(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // A recipe that cannot be used is said alone: the usage is for usage errors.
    if (const auto spliced = withRecipes(arguments(argc, argv)); !spliced) {
        complain(spliced.error());
        return 2;
    }
    const Result<Settings> parsed = parse(arguments(argc, argv));
    if (!parsed)
        return usage(parsed.error());
    const Settings &s = *parsed;
    PictureList pictures;
    if (const Result<void> gathered = gatherPictures(s, pictures); !gathered)
        return usage(gathered.error());
    if (pictures.size() == 0 && s.shards == 1)
        return usage(QStringLiteral("no picture to work on"));
    // Decided before anything is written, over the whole list whatever the shard, so that no
    // picture's planes replace another's and every shard names them as one run would.
    OutputPlan plan;
    if (const Result<void> made = plan.make(s, pictures); !made)
        return usage(made.error());
    if (s.dryRun)
        return dryRun(s, pictures, plan);
    // Shards that start at one moment may all make it; each finds it made or makes it.
    if (!s.outDir.isEmpty() && !QDir().mkpath(s.outDir)) {
        complain(failureText(QStringLiteral("Cannot make the --out folder"), s.outDir, {},
                             Wording::Line));
        return 1;
    }
    Dispatcher dispatcher(s, pictures, plan);
    const int status = dispatcher.run();
    return syncWritten(pictures, plan) ? status : std::max(status, 1);
}

} // namespace

bool requested(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--batch") || !std::strcmp(argv[i], "--batch-worker"))
            return true;
    return false;
}

int main(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--batch-worker"))
            return runWorkerProcess(argc, argv);
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(qPrintable(helpText()), stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--"))
            break;
    }
    return runParent(argc, argv);
}

} // namespace batch
