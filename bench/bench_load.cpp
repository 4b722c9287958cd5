// Loading a 6000 x 4000 picture into a 500-pixel preview. Run one format per process
// (--benchmark_filter=Jpeg or =Png): the peak resident memory counter is the process's own.
#include "platform/pictureloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

QString fixtureDir()
{
    return QDir::temp().filePath(QStringLiteral("tintara-bench"));
}

// A photograph-like picture: smooth gradients with fine grain, 6000 x 4000.
int makeFixtures(const QString &dir)
{
    QDir().mkpath(dir);
    QImage img(6000, 4000, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            line[x] = qRgb(qBound(0, x / 24 + grain, 255), qBound(0, y / 16 + grain, 255),
                           qBound(0, ((x + y) / 40) % 256 + grain, 255));
        }
    }
    const bool ok = img.save(dir + QStringLiteral("/big.jpg"), "JPG", 90) &&
                    img.save(dir + QStringLiteral("/big.png"), "PNG");
    return ok ? 0 : 1;
}

double peakMiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

void load(benchmark::State &state, const char *file)
{
    const QString path = fixtureDir() + QLatin1Char('/') + QLatin1String(file);
    for (auto _ : state) {
        const platform::LoadResult r = platform::LoadPicture(path, 500);
        if (!r.ok)
            state.SkipWithError(qPrintable(r.error));
        benchmark::DoNotOptimize(r.picture.image.constBits());
    }
    state.counters["peak_rss_MiB"] = peakMiB();
}

void BM_LoadJpeg6000x4000(benchmark::State &state)
{
    load(state, "big.jpg");
}
void BM_LoadPng6000x4000(benchmark::State &state)
{
    load(state, "big.png");
}
BENCHMARK(BM_LoadJpeg6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadPng6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--make-fixtures")
        return makeFixtures(QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    // The fixtures are made in a child process, so that drawing them does not count here.
    if (!QFile::exists(fixtureDir() + QStringLiteral("/big.png")) &&
        QProcess::execute(QString::fromLocal8Bit(argv[0]),
                          {QStringLiteral("--make-fixtures"), fixtureDir()}) != 0)
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
