// Loading large pictures into a 500-pixel preview. Run one benchmark per process
// (--benchmark_filter=Jpeg, =Png8000, ...): the peak resident memory counters are the process's
// own, before the first load and after the last.
#include "picture/pictureloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <benchmark/benchmark.h>
#include <chrono>
#include <sys/resource.h>
#ifdef TINTARA_HEIF
#include <libheif/heif.h>
#endif
#ifdef TINTARA_JXL
#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>
#include <vector>
#endif

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
    // 12 MP by each format's own Debian encoder, where it is installed.
    const QString phone = dir + QStringLiteral("/phone.png");
    photo(4000, 3000).save(phone, "PNG");
    QProcess::execute(QStringLiteral("heif-enc"),
                      {QStringLiteral("-q"), QStringLiteral("80"), QStringLiteral("-o"),
                       dir + QStringLiteral("/phone.heic"), phone});
    QProcess::execute(QStringLiteral("avifenc"), {QStringLiteral("-s"), QStringLiteral("8"), phone,
                                                  dir + QStringLiteral("/phone.avif")});
    QProcess::execute(QStringLiteral("cjxl"), {phone, dir + QStringLiteral("/phone.jxl")});
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
        const picture::LoadResult r = picture::LoadPicture(path, 500);
        if (!r) {
            state.SkipWithError(qPrintable(r.error()));
            break;
        }
        benchmark::DoNotOptimize(r->image.constBits());
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

void BM_LoadHeic4000x3000(benchmark::State &state)
{
    load(state, "phone.heic");
}
void BM_LoadAvif4000x3000(benchmark::State &state)
{
    load(state, "phone.avif");
}
void BM_LoadJxl4000x3000(benchmark::State &state)
{
    load(state, "phone.jxl");
}
BENCHMARK(BM_LoadHeic4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadAvif4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadJxl4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peers: each library's own decode of the same file to interleaved RGB(A) in memory, as
// its example programs do before they write anything.
#ifdef TINTARA_HEIF
void libheifDecode(benchmark::State &state, const char *file)
{
    const QByteArray path =
        QFile::encodeName(fixtureDir() + QLatin1Char('/') + QLatin1String(file));
    for (auto _ : state) {
        heif_context *ctx = heif_context_alloc();
        heif_image_handle *handle = nullptr;
        heif_image *img = nullptr;
        if (heif_context_read_from_file(ctx, path.constData(), nullptr).code != heif_error_Ok ||
            heif_context_get_primary_image_handle(ctx, &handle).code != heif_error_Ok ||
            heif_decode_image(handle, &img, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                              nullptr)
                    .code != heif_error_Ok)
            state.SkipWithError("libheif cannot decode the fixture");
        heif_image_release(img);
        heif_image_handle_release(handle);
        heif_context_free(ctx);
    }
    state.counters["rise_MiB"] = peakMiB() - startMiB;
}
void BM_LibheifHeic4000x3000(benchmark::State &state)
{
    libheifDecode(state, "phone.heic");
}
void BM_LibheifAvif4000x3000(benchmark::State &state)
{
    libheifDecode(state, "phone.avif");
}
BENCHMARK(BM_LibheifHeic4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibheifAvif4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif
#ifdef TINTARA_JXL
void BM_LibjxlJxl4000x3000(benchmark::State &state)
{
    const QString path = fixtureDir() + QStringLiteral("/phone.jxl");
    for (auto _ : state) {
        // The file is read inside the loop, as the loader reads it.
        QFile again(path);
        again.open(QIODevice::ReadOnly);
        const QByteArray bytes = again.readAll();
        JxlDecoder *dec = JxlDecoderCreate(nullptr);
        void *runner = JxlThreadParallelRunnerCreate(
            nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
        JxlDecoderSetParallelRunner(dec, JxlThreadParallelRunner, runner);
        JxlDecoderSubscribeEvents(dec, JXL_DEC_FULL_IMAGE);
        JxlDecoderSetInput(dec, reinterpret_cast<const uint8_t *>(bytes.constData()),
                           std::size_t(bytes.size()));
        JxlDecoderCloseInput(dec);
        const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
        std::vector<uint8_t> pixels;
        for (JxlDecoderStatus s = JxlDecoderProcessInput(dec); s != JXL_DEC_FULL_IMAGE;
             s = JxlDecoderProcessInput(dec)) {
            if (s == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
                std::size_t size = 0;
                JxlDecoderImageOutBufferSize(dec, &format, &size);
                pixels.resize(size);
                JxlDecoderSetImageOutBuffer(dec, &format, pixels.data(), size);
            } else {
                state.SkipWithError("libjxl cannot decode the fixture");
                break;
            }
        }
        benchmark::DoNotOptimize(pixels.data());
        JxlThreadParallelRunnerDestroy(runner);
        JxlDecoderDestroy(dec);
    }
    state.counters["rise_MiB"] = peakMiB() - startMiB;
}
BENCHMARK(BM_LibjxlJxl4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// For scale, the formats' command-line decoders, each a process writing a file.
void tool(benchmark::State &state, const char *program, QStringList args)
{
    const QString exe = QStandardPaths::findExecutable(QLatin1String(program));
    if (exe.isEmpty()) {
        state.SkipWithError("the decoder is not installed");
        return;
    }
    for (QString &a : args)
        a.replace(QStringLiteral("%d"), fixtureDir());
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QProcess::execute(exe, args);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}
void BM_ToolHeifConvert(benchmark::State &state)
{
    tool(state, "heif-convert", {"%d/phone.heic", "%d/out-heic.png"});
}
void BM_ToolAvifdec(benchmark::State &state)
{
    tool(state, "avifdec", {"%d/phone.avif", "%d/out-avif.png"});
}
void BM_ToolDjxl(benchmark::State &state)
{
    tool(state, "djxl", {"%d/phone.jxl", "%d/out-jxl.ppm"});
}
BENCHMARK(BM_ToolHeifConvert)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ToolAvifdec)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ToolDjxl)->Unit(benchmark::kMillisecond)->UseManualTime();

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
    if (!QFile::exists(fixtureDir() + QStringLiteral("/phone.png")) &&
        QProcess::execute(QString::fromLocal8Bit(argv[0]),
                          {QStringLiteral("--make-fixtures"), fixtureDir()}) != 0)
        return 1;
    startMiB = peakMiB();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
