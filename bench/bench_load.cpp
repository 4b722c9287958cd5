// Loading large pictures into a 500-pixel preview. Run one benchmark per process
// (--benchmark_filter=Jpeg, =Png8000, ...): the peak resident memory counters are the process's
// own, before the first load and after the last.
#include "platform/pictureloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

QString fixtureDir()
{
    return QDir::temp().filePath(QStringLiteral("tintara-bench"));
}

// A photograph-like picture: smooth gradients with fine grain.
QImage photo(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
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
    return img;
}

int makeFixtures(const QString &dir)
{
    QDir().mkpath(dir);
    const QImage img = photo(6000, 4000);
    // Smooth and grainless: a large picture in a small file.
    QImage flat(8000, 4000, QImage::Format_RGB32);
    for (int y = 0; y < flat.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(flat.scanLine(y));
        for (int x = 0; x < flat.width(); ++x)
            line[x] = qRgb(x / 32, y / 16, 128);
    }
    const bool ok = img.save(dir + QStringLiteral("/big.jpg"), "JPG", 90) &&
                    img.save(dir + QStringLiteral("/big.png"), "PNG") &&
                    img.save(dir + QStringLiteral("/big.webp"), "WEBP", 80) &&
                    flat.save(dir + QStringLiteral("/wide.png"), "PNG") &&
                    photo(5792, 5792).save(dir + QStringLiteral("/square.tif"), "TIFF");
    return ok ? 0 : 1;
}

// The process's peak before any picture was loaded.
double startMiB = 0;

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
    state.counters["rise_MiB"] = peakMiB() - startMiB;
}

void BM_LoadJpeg6000x4000(benchmark::State &state)
{
    load(state, "big.jpg");
}
void BM_LoadPng6000x4000(benchmark::State &state)
{
    load(state, "big.png");
}
void BM_LoadPng8000x4000(benchmark::State &state)
{
    load(state, "wide.png");
}
void BM_LoadWebp6000x4000(benchmark::State &state)
{
    load(state, "big.webp");
}
void BM_LoadTiff5792x5792(benchmark::State &state)
{
    load(state, "square.tif");
}
BENCHMARK(BM_LoadJpeg6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadPng6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadPng8000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadWebp6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadTiff5792x5792)->Unit(benchmark::kMillisecond)->UseRealTime();

// For scale: Qt's own reader asked for the preview's size, with no checks at all.
void plainRead(benchmark::State &state, const char *file)
{
    const QString path = fixtureDir() + QLatin1Char('/') + QLatin1String(file);
    for (auto _ : state) {
        QImageReader reader(path);
        reader.setScaledSize(reader.size().scaled(500, 500, Qt::KeepAspectRatio));
        const QImage img = reader.read();
        benchmark::DoNotOptimize(img.constBits());
    }
}
void BM_PlainReadJpeg6000x4000(benchmark::State &state)
{
    plainRead(state, "big.jpg");
}
void BM_PlainReadPng6000x4000(benchmark::State &state)
{
    plainRead(state, "big.png");
}
BENCHMARK(BM_PlainReadJpeg6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainReadPng6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--make-fixtures")
        return makeFixtures(QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    // The fixtures are made in a child process, so that drawing them does not count here.
    if (!QFile::exists(fixtureDir() + QStringLiteral("/square.tif")) &&
        QProcess::execute(QString::fromLocal8Bit(argv[0]),
                          {QStringLiteral("--make-fixtures"), fixtureDir()}) != 0)
        return 1;
    startMiB = peakMiB();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
