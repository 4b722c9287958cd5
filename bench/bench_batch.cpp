// The batch over 100 photographs of 12 MP, with one worker and with two, against one Load and
// one scan in the window. Peak memory of a worker comes from the finished child processes.
#include "app/form1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

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
    }
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    state.counters["worker_peak_MiB"] = double(children.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_Batch)->ArgName("jobs")->Arg(1)->Arg(2)->Iterations(1)->UseManualTime()->Unit(
    benchmark::kMillisecond);

// For scale: what one picture costs in the window, Load and one threshold scan.
void BM_WindowLoadAndScan(benchmark::State &state)
{
    makeFixtures();
    Form1 form;
    form.Form_Load();
    form.show();
    form.Combo2->setListIndex(3);
    for (auto _ : state) {
        form.openFile(photo(0));
        form.Command7_Click();
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
