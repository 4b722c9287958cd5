// The block scan, the pixel reduction and the zoom copy on a 500 x 500 preview.
#include "core/autothreshold.h"
#include "core/channelscan.h"
#include "core/coloursurface.h"
#include "core/histogram.h"
#include "core/pixelreduction.h"
#include "picture/pictureloader.h"
#include "platform/stretchblt.h"
#include "support/form1driver.h"

#include <QApplication>
#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <cmath>
#include <random>

namespace {

// A 521 x 521 window area with a picture-like preview in it.
core::ColourSurface windowSurface()
{
    core::ColourSurface s;
    s.rect = QRect(0, 0, 560, 600);
    std::mt19937 rng(1);
    for (int y = 0; y < s.rect.height(); ++y)
        for (int x = 0; x < s.rect.width(); ++x)
            s.values.push_back(
                core::RGB((x + (rng() & 15)) & 255, (y * 3) & 255, ((x * y) >> 6) & 255));
    return s;
}

void scanBench(benchmark::State &state)
{
    static const core::ColourSurface surface = windowSurface();
    scan::ScanParams p;
    p.iw = 500, p.ih = 500, p.originX = 17, p.originY = 65;
    p.rx = p.ry = static_cast<int>(state.range(0));
    p.sel = static_cast<int>(state.range(1));
    p.threshold = state.range(2) != 0;
    p.overlap = state.range(3) != 0;
    scan::Scanner scanner;
    for (auto _ : state) {
        const scan::ScanPlanes &out = scanner.scan(surface, p);
        benchmark::DoNotOptimize(out.planes[Channel::Red].data());
    }
}
BENCHMARK(scanBench)
    ->ArgNames({"rate", "type", "threshold", "overlap"})
    ->ArgsProduct({{3, 30}, {0, 1, 2, 3}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// The same scan with fresh result vectors on every call, as a one-shot caller makes them.
void scanAllocatingBench(benchmark::State &state)
{
    static const core::ColourSurface surface = windowSurface();
    scan::ScanParams p;
    p.iw = 500, p.ih = 500, p.originX = 17, p.originY = 65;
    p.sel = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const scan::ScanPlanes out = scan::scansiona(surface, p);
        benchmark::DoNotOptimize(out.planes[Channel::Red].data());
    }
}
BENCHMARK(scanAllocatingBench)->ArgName("type")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// The histogram window's work on the preview: the counts of the three channels and a method
// per channel.
void histogramBench(benchmark::State &state)
{
    static const core::ColourSurface surface = windowSurface();
    scan::ScanParams p;
    p.iw = 500, p.ih = 500, p.originX = 17, p.originY = 65;
    p.sel = static_cast<int>(state.range(0));
    const bool triangle = state.range(1) != 0;
    scan::Scanner scanner;
    for (auto _ : state) {
        const scan::BlockHistograms h = scanner.histograms(surface, p);
        int sum = 0;
        for (const histogram::Bins &b : h.bins)
            sum += histogram::threshold(
                       triangle ? histogram::Method::Triangle : histogram::Method::Otsu, b)
                       .value_or(0);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(histogramBench)
    ->ArgNames({"type", "triangle"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// The sixteen automatic thresholds on the red channel's block values at rate 3; method 16 is all
// sixteen in a row, as Try all computes them.
void autoThresholdBench(benchmark::State &state)
{
    static const core::ColourSurface surface = windowSurface();
    scan::ScanParams p;
    p.iw = 500, p.ih = 500, p.originX = 17, p.originY = 65;
    p.sel = static_cast<int>(state.range(0));
    const histogram::Bins bins = scan::Scanner().histograms(surface, p).bins[Channel::Red];
    const auto method = static_cast<std::size_t>(state.range(1));
    for (auto _ : state) {
        int sum = 0;
        for (std::size_t m = 0; m < histogram::Methods.size(); ++m)
            if (method == histogram::Methods.size() || m == method)
                sum += histogram::threshold(histogram::Methods[m], bins).value_or(0);
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel(method < histogram::Methods.size()
                       ? histogram::methodName(histogram::Methods[method])
                       : "all sixteen");
}
BENCHMARK(autoThresholdBench)
    ->ArgNames({"type", "method"})
    ->ArgsProduct({{0, 1, 2, 3}, {16}})
    ->ArgsProduct({{0, 1}, benchmark::CreateDenseRange(0, 15, 1)})
    ->Unit(benchmark::kMicrosecond);

// For scale: the same scan as a straightforward block-by-block loop, bytes split directly.
scan::ScanPlanes straightforward(const core::ColourSurface &s, const scan::ScanParams &p)
{
    const scan::ScanGrid g = scan::scanGrid(p);
    scan::ScanPlanes out;
    out.nx = g.nx, out.ny = g.ny;
    const std::size_t blocks = std::size_t(g.nx) * g.ny;
    out.planes[Channel::Red].resize(blocks), out.planes[Channel::Green].resize(blocks),
        out.planes[Channel::Blue].resize(blocks);
    const double n = double(p.rx) * p.ry;
    for (int bx = 0; bx < g.nx; ++bx)
        for (int by = 0; by < g.ny; ++by) {
            int sum[3] = {0, 0, 0}, hi[3] = {0, 0, 0}, lo[3] = {255, 255, 255};
            for (int kx = 1; kx <= p.rx; ++kx)
                for (int ky = 1; ky <= p.ry; ++ky) {
                    const auto c = static_cast<std::uint32_t>(
                        s.Point(p.originX + bx * p.rx + kx, p.originY + by * p.ry + ky));
                    for (int ch = 0; ch < 3; ++ch) {
                        const int v = int((c >> (8 * ch)) & 0xFF);
                        sum[ch] += v, hi[ch] = std::max(hi[ch], v), lo[ch] = std::min(lo[ch], v);
                    }
                }
            double v[3];
            for (int ch = 0; ch < 3; ++ch)
                v[ch] = p.sel == 0   ? sum[ch] / n
                        : p.sel == 1 ? hi[ch]
                        : p.sel == 2 ? lo[ch]
                                     : hi[ch] - lo[ch];
            const std::size_t at = std::size_t(by) * g.nx + bx;
            out.planes[Channel::Red][at] = core::Colour(std::nearbyint(v[0]));
            out.planes[Channel::Green][at] = core::Colour(std::nearbyint(v[1])) << 8;
            out.planes[Channel::Blue][at] = core::Colour(std::nearbyint(v[2])) << 16;
        }
    return out;
}

void straightforwardBench(benchmark::State &state)
{
    static const core::ColourSurface surface = windowSurface();
    scan::ScanParams p;
    p.iw = 500, p.ih = 500, p.originX = 17, p.originY = 65;
    p.rx = p.ry = static_cast<int>(state.range(0));
    p.sel = static_cast<int>(state.range(1));
    for (auto _ : state) {
        const scan::ScanPlanes out = straightforward(surface, p);
        benchmark::DoNotOptimize(out.planes[Channel::Red].data());
    }
}
BENCHMARK(straightforwardBench)
    ->ArgNames({"rate", "type"})
    ->ArgsProduct({{3, 30}, {0, 3}})
    ->Unit(benchmark::kMicrosecond);

// For scale: one plain read of every pixel of the 521 x 521 area that a 500 x 500 scan covers.
void BM_PlainRead521(benchmark::State &state)
{
    static const core::ColourSurface surface = windowSurface();
    for (auto _ : state) {
        std::uint32_t sum = 0;
        for (int y = 66; y < 66 + 521; ++y) {
            const core::Colour *row = surface.row(y) + 18;
            for (int x = 0; x < 521; ++x)
                sum += static_cast<std::uint32_t>(row[x]);
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PlainRead521)->Unit(benchmark::kMicrosecond);

void BM_Reduction3(benchmark::State &state)
{
    static const core::ColourSurface surface = windowSurface();
    reduction::ReductionParams p;
    p.iw = 500, p.ih = 500, p.firstX = 18, p.firstY = 66, p.n = 3;
    for (auto _ : state) {
        const reduction::ReducedPicture out = reduction::riduzione(surface, p);
        benchmark::DoNotOptimize(out.colours.data());
    }
}
BENCHMARK(BM_Reduction3)->Unit(benchmark::kMicrosecond);

void BM_MagnifierCopy173(benchmark::State &state)
{
    platform::PictureBox plane(QStringLiteral("plane"), true, nullptr);
    plane.Move(0, 0, 173.33f, 173.33f);
    platform::PictureBox view(QStringLiteral("view"), true, nullptr);
    view.Move(0, 0, 280, 280);
    for (auto _ : state)
        platform::StretchBlt(view, 0, 0, view.ScaleWidth(), view.ScaleHeight(), plane, 0, 0,
                             plane.ScaleWidth(), plane.ScaleHeight(), platform::SRCCOPY);
}
BENCHMARK(BM_MagnifierCopy173)->Unit(benchmark::kMicrosecond);

// A window with a loaded 500 x 500 preview, as after Load.
struct LoadedWindow {
    LoadedWindow()
    {
        QImage img(500, 500, QImage::Format_RGB32);
        for (int y = 0; y < 500; ++y)
            for (int x = 0; x < 500; ++x)
                img.setPixel(x, y, qRgb(x & 255, y & 255, (x ^ y) & 255));
        form.preview()->Move(18, 66, 500, 500);
        form.preview()->setPicture(img);
        QCoreApplication::processEvents();
    }
    void render(QImage &into, const QRect &region)
    {
        form.render(&into, QPoint(), QRegion(region),
                    QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    Form1Driver form;
};

// A whole scan command at 3 x 3: status line, capture, scan, the three planes drawn.
void commandBench(benchmark::State &state)
{
    LoadedWindow w;
    w.form.typeList()->setListIndex(static_cast<int>(state.range(0)));
    const bool threshold = state.range(1) != 0;
    for (auto _ : state) {
        if (threshold)
            w.form.click(Button::Threshold);
        else
            w.form.click(Button::Rgb);
    }
}
BENCHMARK(commandBench)
    ->ArgNames({"type", "threshold"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// One render of the whole client area, and of the 501 x 501 area that a 3 x 3 scan samples.
void renderBench(benchmark::State &state)
{
    LoadedWindow w;
    const QRect region = state.range(0) ? QRect(18, 66, 501, 501) : w.form.rect();
    QImage img(region.size(), QImage::Format_RGB32);
    img.setDevicePixelRatio(1);
    for (auto _ : state) {
        w.render(img, region);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(renderBench)->ArgName("region")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The scan once more, after everything above has run in this process.
BENCHMARK(scanBench)
    ->Name("scanBenchWarmed")
    ->ArgNames({"rate", "type", "threshold"})
    ->ArgsProduct({{3}, {0, 1, 2, 3}, {0}})
    ->Unit(benchmark::kMicrosecond);

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
