// The batch against other programs doing the same kind of work in the same run, as a user runs
// it (a fresh --out, no --overwrite): 600 small PNGs, smooth gradients and ImageMagick's plasma,
// against ImageMagick's mogrify in one process; 100 photographs of 12 MP, grainy and smooth,
// against one djpeg -scale 1/8 per photograph, two workers against one; what each step of one
// small picture costs alone; and the parent's memory with a million names. Peak memory of a
// worker comes from the finished child processes. Output folders are removed only when the
// benchmarks end: a file system slows down creating files where many were just deleted.
#include "picture/pictureloader.h"
#include "picture/pngwriter.h"
#include "pipeline/pipeline.h"
#include "support/form1driver.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cerrno>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int Pictures = 100;

// Fresh output folders, kept until the benchmarks end.
QList<QTemporaryDir *> &outputs()
{
    static QList<QTemporaryDir *> made;
    return made;
}
QString freshFolder()
{
    outputs() << new QTemporaryDir;
    return outputs().constLast()->path();
}

// The photographs: 0, grainy gradients; 1, a real photograph (ImageMagick's rose) enlarged to
// 12 MP, smooth as most photographs are at that size.
QString folder(int kind = 0)
{
    return QDir::temp().filePath(kind ? QStringLiteral("tintara-bench/smooth")
                                      : QStringLiteral("tintara-bench/batch"));
}

QString photo(int i, int kind = 0)
{
    return QDir(folder(kind))
        .filePath(QStringLiteral("photo-%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
}

bool convert(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("convert"), args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// One 4000 x 3000 photograph-like JPEG of each kind, copied a hundred times.
bool makeFixtures(int kind = 0)
{
    if (QFile::exists(photo(Pictures - 1, kind)))
        return true;
    QDir().mkpath(folder(kind));
    if (kind == 1) {
        if (!convert({QStringLiteral("rose:"), QStringLiteral("-resize"),
                      QStringLiteral("4000x3000!"), QStringLiteral("-quality"),
                      QStringLiteral("90"), photo(0, kind)}))
            return false;
        for (int i = 1; i < Pictures; ++i)
            QFile::copy(photo(0, kind), photo(i, kind));
        return true;
    }
    QImage img(4000, 3000, QImage::Format_RGB32);
    quint32 seed = 7;
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            line[x] = qRgb(qBound(0, x / 16 + grain, 255), qBound(0, y / 12 + grain, 255),
                           qBound(0, ((x ^ y) / 30) % 256 + grain, 255));
        }
    }
    img.save(photo(0), "JPG", 90);
    for (int i = 1; i < Pictures; ++i)
        QFile::copy(photo(0), photo(i));
    return true;
}

// What the files in a folder take, together.
qint64 bytesIn(const QString &folder)
{
    qint64 total = 0;
    for (const QFileInfo &f : QDir(folder).entryInfoList(QDir::Files))
        total += f.size();
    return total;
}

void BM_Batch(benchmark::State &state)
{
    const int kind = int(state.range(0));
    if (!makeFixtures(kind)) {
        state.SkipWithError("cannot make the photographs (apt-get install imagemagick)");
        return;
    }
    for (auto _ : state) {
        const QString out = freshFolder();
        QElapsedTimer clock;
        clock.start();
        QProcess p;
        p.start(QStringLiteral(TINTARA_BINARY),
                {QStringLiteral("--batch"), QStringLiteral("--threshold"), QStringLiteral("--type"),
                 QStringLiteral("massimo-minimo"), QStringLiteral("--jobs"),
                 QString::number(state.range(1)), QStringLiteral("--out"), out, folder(kind)});
        p.waitForFinished(-1);
        if (p.exitCode() != 0)
            state.SkipWithError("the batch failed");
        state.SetIterationTime(clock.elapsed() / 1000.0);
        state.counters["pictures_per_s"] = Pictures / (clock.elapsed() / 1000.0);
        state.counters["planes_KiB"] = double(bytesIn(out)) / 1024.0;
    }
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    state.counters["worker_peak_MiB"] = double(children.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_Batch)
    ->ArgNames({"smooth", "jobs"})
    ->ArgsProduct({{0, 1}, {1, 2}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The small pictures: 0, smooth gradients; 1, ImageMagick's plasma, photo-like.
QString smallFolder(int kind = 0)
{
    return QDir::temp().filePath(kind ? QStringLiteral("tintara-bench/plasma")
                                      : QStringLiteral("tintara-bench/small"));
}

// 600 different 64 x 48 PNGs of each kind.
bool makeSmallFixtures(int kind = 0)
{
    const QDir dir(smallFolder(kind));
    if (dir.exists(QStringLiteral("s599.png")))
        return true;
    QDir().mkpath(dir.path());
    if (kind == 1) {
        for (int i = 0; i < 600; ++i)
            if (!convert({QStringLiteral("-seed"), QString::number(i), QStringLiteral("-size"),
                          QStringLiteral("64x48"), QStringLiteral("plasma:"),
                          dir.filePath(QStringLiteral("s%1.png").arg(i))}))
                return false;
        return true;
    }
    QDir().mkpath(dir.path());
    for (int i = 0; i < 600; ++i) {
        QImage img(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                img.setPixel(x, y,
                             qRgb((x * 4 + i) & 255, (y * 5 + i * 3) & 255, (x ^ y) * 4 & 255));
        img.save(dir.filePath(QStringLiteral("s%1.png").arg(i)));
    }
    return true;
}

// The small pictures of a kind, made where missing; the benchmark is skipped, saying why, when
// they cannot be.
bool haveSmallFixtures(benchmark::State &state, int kind)
{
    if (makeSmallFixtures(kind))
        return true;
    state.SkipWithError("cannot make the pictures (apt-get install imagemagick)");
    return false;
}

// A run over the 600 small pictures of each kind, timed once by the clock of the run.
void eachKindOnce(benchmark::internal::Benchmark *b)
{
    b->ArgName("plasma")->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(
        benchmark::kMillisecond);
}

double runTool(const QString &program, const QStringList &args)
{
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    // Its report goes where a user's terminal or log file takes it at once: a pipe this process
    // reads only when it looks would hold the run up.
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    p.waitForFinished(-1);
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? clock.elapsed() / 1000.0
                                                                       : -1;
}

void BM_SmallPicturesBatch(benchmark::State &state)
{
    const int kind = int(state.range(0));
    if (!haveSmallFixtures(state, kind))
        return;
    for (auto _ : state) {
        const QString out = freshFolder(); // every run writes new files, as mogrify's does
        const double s =
            runTool(QStringLiteral(TINTARA_BINARY),
                    {QStringLiteral("--batch"), QStringLiteral("--jobs"), QStringLiteral("1"),
                     QStringLiteral("--out"), out, smallFolder(kind)});
        if (s < 0)
            state.SkipWithError("the batch failed");
        state.SetIterationTime(std::max(s, 1e-6));
        state.counters["pictures_per_s"] = 600 / s;
        state.counters["planes_KiB"] = double(bytesIn(out)) / 1024.0;
    }
}
BENCHMARK(BM_SmallPicturesBatch)->Apply(eachKindOnce);

// The same work through mogrify in one process: each picture fitted to the preview, reduced to
// a third, and split into its three channels, a PNG each.
void BM_SmallPicturesMogrify(benchmark::State &state)
{
    const int kind = int(state.range(0));
    if (!haveSmallFixtures(state, kind))
        return;
    const QString mogrify = QStandardPaths::findExecutable(QStringLiteral("mogrify"));
    if (mogrify.isEmpty()) {
        state.SkipWithError("mogrify is not installed (apt-get install imagemagick)");
        return;
    }
    QStringList args{QStringLiteral("-resize"), QStringLiteral("500x375"), QStringLiteral("-scale"),
                     QStringLiteral("33.33%"), QStringLiteral("-separate")};
    for (int i = 0; i < 600; ++i)
        args << QDir(smallFolder(kind)).filePath(QStringLiteral("s%1.png").arg(i));
    for (auto _ : state) {
        const double s =
            runTool(mogrify, QStringList{QStringLiteral("-path"), freshFolder()} + args);
        if (s < 0)
            state.SkipWithError("mogrify failed");
        state.SetIterationTime(std::max(s, 1e-6));
        state.counters["pictures_per_s"] = 600 / s;
    }
}
BENCHMARK(BM_SmallPicturesMogrify)->Apply(eachKindOnce);

// What each step of one small photo-like picture costs alone, in the batch's order: 0 decode
// (at its own size), 1 decode and fit to the preview (the batch's load), 2 stage and scan,
// 3 encode the three planes, 4 write them to a fresh folder, as the batch does.
void BM_SmallPictureSteps(benchmark::State &state)
{
    if (!haveSmallFixtures(state, 1))
        return;
    const QString file = QDir(smallFolder(1)).filePath(QStringLiteral("s7.png"));
    const picture::LoadResult decoded = picture::LoadPicture(file, 64);
    const Result<pipeline::Preview> preview = pipeline::load(file, 500);
    if (!decoded || !preview) {
        state.SkipWithError("cannot load the picture");
        return;
    }
    pipeline::Runner runner;
    const pipeline::Planes planes = runner.run(*preview, results::Recipe{});
    const results::Source source{file, QStringLiteral("xxh3-128:0"), preview->picture.size, {}};
    std::vector<QByteArray> encoded;
    for (const Channel c : Channels)
        encoded.push_back(*picture::encodePng(planes.blocks[c], planes.record(viewOf(c), source)));
    const QString out = freshFolder();
    int written = 0;
    for (auto _ : state) {
        switch (state.range(0)) {
        case 0:
            benchmark::DoNotOptimize(picture::LoadPicture(file, 64));
            break;
        case 1:
            benchmark::DoNotOptimize(pipeline::load(file, 500));
            break;
        case 2:
            benchmark::DoNotOptimize(runner.run(*preview, results::Recipe{}));
            break;
        case 3:
            for (const Channel c : Channels)
                benchmark::DoNotOptimize(
                    picture::encodePng(planes.blocks[c], planes.record(viewOf(c), source)));
            break;
        default:
            for (const QByteArray &png : encoded)
                if (!picture::saveBytes(png, QDir(out).filePath(QString::number(written++)),
                                        picture::Durability::Deferred))
                    state.SkipWithError("cannot write");
        }
    }
}
BENCHMARK(BM_SmallPictureSteps)->ArgName("step")->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

// djpeg decoding each photograph at 1/8, one process a photograph, as a script would.
void BM_Djpeg(benchmark::State &state)
{
    const int kind = int(state.range(0));
    if (!makeFixtures(kind)) {
        state.SkipWithError("cannot make the photographs (apt-get install imagemagick)");
        return;
    }
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    if (djpeg.isEmpty()) {
        state.SkipWithError("djpeg is not installed (apt-get install libjpeg-turbo-progs)");
        return;
    }
    QTemporaryDir out;
    for (auto _ : state) {
        double total = 0;
        for (int i = 0; i < Pictures; ++i)
            total += runTool(djpeg, {QStringLiteral("-scale"), QStringLiteral("1/8"),
                                     QStringLiteral("-outfile"),
                                     out.filePath(QStringLiteral("x.ppm")), photo(i, kind)});
        state.SetIterationTime(total);
        state.counters["pictures_per_s"] = Pictures / total;
    }
}
BENCHMARK(BM_Djpeg)->ArgName("smooth")->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(
    benchmark::kMillisecond);

// A million names (hard links to the 600 small pictures, as many as a file system allows each,
// a thousand to a folder): the parent's
// peak memory once every name is read and planned, and how long until the first picture is
// reported. The batch is then interrupted.
void BM_MillionNames(benchmark::State &state)
{
    const QString root = QDir::temp().filePath(QStringLiteral("tintara-bench/million"));
    constexpr int Folders = 1000, PerFolder = 1000;
    makeSmallFixtures();
    if (!QFile::exists(QDir(root).filePath(QStringLiteral("f999/p999.png")))) {
        for (int f = 0; f < Folders; ++f) {
            const QString folder = QDir(root).filePath(QStringLiteral("f%1").arg(f));
            QDir().mkpath(folder);
            for (int p = 0; p < PerFolder; ++p) {
                const QByteArray from = QFile::encodeName(
                    QDir(smallFolder()).filePath(QStringLiteral("s%1.png").arg(p % 600)));
                const QByteArray to =
                    QFile::encodeName(QDir(folder).filePath(QStringLiteral("p%1.png").arg(p)));
                if (::link(from.constData(), to.constData()) != 0 && errno != EEXIST) {
                    state.SkipWithError("cannot make the hard links");
                    return;
                }
            }
        }
    }
    for (auto _ : state) {
        QTemporaryDir out;
        QElapsedTimer clock;
        clock.start();
        QProcess p;
        p.start(QStringLiteral(TINTARA_BINARY),
                {QStringLiteral("--batch"), QStringLiteral("--jobs"), QStringLiteral("1"),
                 QStringLiteral("--recursive"), QStringLiteral("--out"), out.path(), root});
        if (!p.waitForReadyRead(120000)) {
            state.SkipWithError("no picture was reported");
            return;
        }
        const double first = clock.elapsed() / 1000.0;
        QFile status(QStringLiteral("/proc/%1/status").arg(p.processId()));
        double peak = 0;
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray &line : status.readAll().split('\n'))
                if (line.startsWith("VmHWM:"))
                    peak = line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        ::kill(static_cast<pid_t>(p.processId()), SIGINT);
        p.waitForFinished(-1);
        state.SetIterationTime(first);
        state.counters["parent_peak_MiB"] = peak;
        state.counters["first_picture_s"] = first;
    }
}
BENCHMARK(BM_MillionNames)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// For scale: what one picture costs in the window, Load and one threshold scan.
void BM_WindowLoadAndScan(benchmark::State &state)
{
    makeFixtures();
    Form1Driver form;
    form.typeList()->setListIndex(3);
    for (auto _ : state) {
        if (const Result<void> opened = form.openFile(photo(0)); !opened) {
            state.SkipWithError(qPrintable(opened.error()));
            break;
        }
        form.click(Button::Threshold);
    }
}
BENCHMARK(BM_WindowLoadAndScan)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef __GLIBC__
    // The heap as a batch worker keeps it, so that each step costs what it costs there.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    qDeleteAll(outputs());
    return 0;
}
