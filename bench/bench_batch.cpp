// The batch against other programs doing the same kind of work in the same run: 600 small PNGs
// against ImageMagick's mogrify in one process, 100 photographs of 12 MP against one djpeg
// -scale 1/8 per photograph, two workers against one; and the parent's memory with a million
// names. Peak memory of a worker comes from the finished child processes.
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
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int Pictures = 100;

QString folder()
{
    return QDir::temp().filePath(QStringLiteral("tintara-bench/batch"));
}

QString photo(int i)
{
    return QDir(folder()).filePath(QStringLiteral("photo-%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
}

// One 4000 x 3000 photograph-like JPEG, copied a hundred times.
void makeFixtures()
{
    if (QFile::exists(photo(Pictures - 1)))
        return;
    QDir().mkpath(folder());
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
    makeFixtures();
    QTemporaryDir out;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        QProcess p;
        p.start(QStringLiteral(TINTARA_BINARY),
                {QStringLiteral("--batch"), QStringLiteral("--threshold"), QStringLiteral("--type"),
                 QStringLiteral("massimo-minimo"), QStringLiteral("--overwrite"),
                 QStringLiteral("--jobs"), QString::number(state.range(0)), QStringLiteral("--out"),
                 out.path(), folder()});
        p.waitForFinished(-1);
        if (p.exitCode() != 0)
            state.SkipWithError("the batch failed");
        state.SetIterationTime(clock.elapsed() / 1000.0);
        state.counters["pictures_per_s"] = Pictures / (clock.elapsed() / 1000.0);
        state.counters["planes_KiB"] = double(bytesIn(out.path())) / 1024.0;
    }
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    state.counters["worker_peak_MiB"] = double(children.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_Batch)->ArgName("jobs")->Arg(1)->Arg(2)->Iterations(1)->UseManualTime()->Unit(
    benchmark::kMillisecond);

QString smallFolder()
{
    return QDir::temp().filePath(QStringLiteral("tintara-bench/small"));
}

// 600 different 64 x 48 PNGs.
void makeSmallFixtures()
{
    const QDir dir(smallFolder());
    if (dir.exists(QStringLiteral("s599.png")))
        return;
    QDir().mkpath(dir.path());
    for (int i = 0; i < 600; ++i) {
        QImage img(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                img.setPixel(x, y,
                             qRgb((x * 4 + i) & 255, (y * 5 + i * 3) & 255, (x ^ y) * 4 & 255));
        img.save(dir.filePath(QStringLiteral("s%1.png").arg(i)));
    }
}

double runTool(const QString &program, const QStringList &args)
{
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    p.start(program, args);
    p.waitForFinished(-1);
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? clock.elapsed() / 1000.0
                                                                       : -1;
}

void BM_SmallPicturesBatch(benchmark::State &state)
{
    makeSmallFixtures();
    for (auto _ : state) {
        QTemporaryDir out; // every run writes new files, as mogrify's does
        const double s = runTool(QStringLiteral(TINTARA_BINARY),
                                 {QStringLiteral("--batch"), QStringLiteral("--jobs"),
                                  QStringLiteral("1"), QStringLiteral("--overwrite"),
                                  QStringLiteral("--out"), out.path(), smallFolder()});
        if (s < 0)
            state.SkipWithError("the batch failed");
        state.SetIterationTime(std::max(s, 1e-6));
        state.counters["pictures_per_s"] = 600 / s;
        state.counters["planes_KiB"] = double(bytesIn(out.path())) / 1024.0;
    }
}
BENCHMARK(BM_SmallPicturesBatch)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same work through mogrify in one process: each picture fitted to the preview, reduced to
// a third, and split into its three channels, a PNG each.
void BM_SmallPicturesMogrify(benchmark::State &state)
{
    makeSmallFixtures();
    const QString mogrify = QStandardPaths::findExecutable(QStringLiteral("mogrify"));
    if (mogrify.isEmpty()) {
        state.SkipWithError("mogrify is not installed (apt-get install imagemagick)");
        return;
    }
    QTemporaryDir out;
    QStringList args{QStringLiteral("-path"),    out.path(),
                     QStringLiteral("-resize"),  QStringLiteral("500x375"),
                     QStringLiteral("-scale"),   QStringLiteral("33.33%"),
                     QStringLiteral("-separate")};
    for (int i = 0; i < 600; ++i)
        args << QDir(smallFolder()).filePath(QStringLiteral("s%1.png").arg(i));
    for (auto _ : state) {
        const double s = runTool(mogrify, args);
        if (s < 0)
            state.SkipWithError("mogrify failed");
        state.SetIterationTime(std::max(s, 1e-6));
        state.counters["pictures_per_s"] = 600 / s;
    }
}
BENCHMARK(BM_SmallPicturesMogrify)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// djpeg decoding each photograph at 1/8, one process a photograph, as a script would.
void BM_Djpeg(benchmark::State &state)
{
    makeFixtures();
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
                                     out.filePath(QStringLiteral("x.ppm")), photo(i)});
        state.SetIterationTime(total);
        state.counters["pictures_per_s"] = Pictures / total;
    }
}
BENCHMARK(BM_Djpeg)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

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
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
