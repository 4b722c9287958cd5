// Live mode against a press of the command, and a long thumb drag, on a 500 x 500 preview at
// rate 3; an undo against the change it takes back; a recipe opened against a press.
#include "picture/recipefile.h"
#include "support/form1driver.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <benchmark/benchmark.h>
#include <random>

namespace {

// A window with a loaded 500 x 500 preview and its planes on screen.
struct LoadedWindow {
    LoadedWindow()
    {
        QImage img(500, 500, QImage::Format_RGB32);
        std::mt19937 rng(3);
        for (int y = 0; y < 500; ++y)
            for (int x = 0; x < 500; ++x)
                img.setPixel(x, y, qRgb((x + (rng() & 31)) & 255, y & 255, (x ^ y) & 255));
        form.preview()->Move(18, 66, 500, 500);
        form.preview()->setPicture(img);
        QCoreApplication::processEvents();
        live = form.findChild<QTimer *>(QStringLiteral("livePending"));
    }
    void press(bool threshold)
    {
        threshold ? form.click(Button::Threshold) : form.click(Button::Rgb);
    }
    // What the user waits for: the three planes painted.
    void paintPlanes()
    {
        for (auto *plane : {form.plane(View::Red), form.plane(View::Green), form.plane(View::Blue)})
            plane->repaint();
    }
    void drain()
    {
        while (live->isActive())
            QCoreApplication::processEvents();
    }
    Form1Driver form;
    QTimer *live = nullptr;
};

// mode 0: press the command; 1: move a bar, let its read-outs repaint, then press; 2: live,
// move the bar and let the pending run happen.
void liveBench(benchmark::State &state)
{
    LoadedWindow w;
    w.form.typeList()->setListIndex(static_cast<int>(state.range(0)));
    const bool threshold = state.range(1) != 0;
    const auto mode = state.range(2);
    w.form.live()->setChecked(mode == 2);
    w.press(threshold);
    int v = 200;
    for (auto _ : state) {
        if (mode > 0)
            w.form.bar(Channel::Green, Bound::Maximum)->setValue(v ^= 1);
        if (mode == 2) {
            w.drain();
        } else {
            if (mode == 1)
                QCoreApplication::processEvents();
            w.press(threshold);
        }
        w.paintPlanes();
    }
}
BENCHMARK(liveBench)
    ->ArgNames({"type", "threshold", "mode"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);

// A 1080p film of 300 frames (made once, as photo-like as a fractal zoom with grain), stepped
// with Page Down with Live on after a threshold scan at rate 3: from the key press to the three
// planes painted; and Play, the frames it shows a second.
void frameStepBench(benchmark::State &state)
{
    const QString film = QStringLiteral("/tmp/tintara-bench/film/film1080.mp4");
    if (!QFileInfo::exists(film)) {
        QDir().mkpath(QFileInfo(film).path());
        QProcess::execute(QStringLiteral("ffmpeg"),
                          {"-v", "error", "-f", "lavfi", "-i",
                           "mandelbrot=size=1920x1080:rate=30,noise=alls=12:allf=t", "-t", "10",
                           "-c:v", "libx264", "-crf", "20", "-bf", "3", "-pix_fmt", "yuv420p",
                           film});
    }
    Form1Driver form;
    form.load(film);
    auto *number = form.findChild<QSpinBox *>(QStringLiteral("FrameNumber"));
    QElapsedTimer waited;
    waited.start();
    while (!number->isVisible() && waited.elapsed() < 30000)
        QCoreApplication::processEvents();
    if (!number->isVisible()) {
        state.SkipWithError("the film has no frames here (ffmpeg or FFmpeg's libraries missing)");
        return;
    }
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form)) {
        state.SkipWithError("the window cannot take keys here");
        return;
    }
    auto *live = form.findChild<QTimer *>(QStringLiteral("livePending"));
    form.live()->setChecked(true);
    form.click(Button::Threshold);
    if (state.range(0) == 1) {
        // Play: the frames shown in two seconds of it.
        auto *play = form.findChild<QPushButton *>(QStringLiteral("FramePlay"));
        double shown = 0, seconds = 0;
        for (auto _ : state) {
            QTest::keyClick(&form, Qt::Key_Home);
            const int from = number->value();
            QElapsedTimer clock;
            clock.start();
            play->setChecked(true);
            while (clock.elapsed() < 2000)
                QCoreApplication::processEvents();
            play->setChecked(false);
            shown += number->value() - from;
            seconds += clock.elapsed() / 1000.0;
        }
        state.counters["frames_per_s"] = shown / seconds;
        return;
    }
    for (auto _ : state) {
        if (number->value() == number->maximum()) {
            state.PauseTiming();
            QTest::keyClick(&form, Qt::Key_Home);
            while (live->isActive())
                QCoreApplication::processEvents();
            state.ResumeTiming();
        }
        QTest::keyClick(&form, Qt::Key_PageDown);
        while (live->isActive())
            QCoreApplication::processEvents();
        for (auto *plane : {form.plane(View::Red), form.plane(View::Green), form.plane(View::Blue)})
            plane->repaint();
    }
}
BENCHMARK(frameStepBench)
    ->ArgName("play")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The thumb of a minimum bar dragged over all 256 values, with the event loop turning once per
// value as a pointer's moves arrive; runs counts the re-runs actually made.
void dragBench(benchmark::State &state)
{
    LoadedWindow w;
    w.form.live()->setChecked(true);
    w.press(true);
    QSignalSpy runs(w.live, &QTimer::timeout);
    const bool turns = state.range(0) != 0;
    for (auto _ : state) {
        runs.clear();
        w.form.bar(Channel::Green, Bound::Minimum)->setSliderDown(true);
        for (int v = 0; v <= 255; ++v) {
            w.form.bar(Channel::Green, Bound::Minimum)->setSliderPosition(v);
            if (turns)
                QCoreApplication::processEvents();
        }
        w.form.bar(Channel::Green, Bound::Minimum)->setSliderDown(false);
        w.drain();
        w.paintPlanes();
        state.counters["runs"] = static_cast<double>(runs.size());
    }
}
BENCHMARK(dragBench)->ArgName("loop_turns")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// "Try all..." in the histogram window: from the key press on the focused button to the montage
// of sixteen threshold planes painted.
void tryAllBench(benchmark::State &state)
{
    LoadedWindow w;
    w.form.typeList()->setListIndex(static_cast<int>(state.range(0)));
    w.press(true);
    w.form.menu(View::Red, "Histogram...");
    auto *button = w.form.findChild<QPushButton *>(QStringLiteral("TryAllR"));
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space); // the montage window is made once
    auto *montage = w.form.findChild<QWidget *>(QStringLiteral("frmTryAll"));
    QCoreApplication::processEvents();
    for (auto _ : state) {
        QTest::keyClick(button, Qt::Key_Space);
        montage->repaint();
    }
}
BENCHMARK(tryAllBench)->ArgName("type")->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);

// A threshold scan from the press to its planes painted, with the overlay window closed or open
// at fit size: the difference is the overlay's drawing.
void overlayBench(benchmark::State &state)
{
    LoadedWindow w;
    w.form.typeList()->setListIndex(static_cast<int>(state.range(0)));
    QWidget *overlay = nullptr;
    if (state.range(1) != 0) {
        w.form.menu(View::Red, "Overlay...");
        overlay = w.form.findChild<QWidget *>(QStringLiteral("frmOverlay"));
    }
    w.press(true);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        w.press(true);
        w.paintPlanes();
        if (overlay)
            overlay->repaint();
    }
}
BENCHMARK(overlayBench)
    ->ArgNames({"type", "overlay"})
    ->ArgsProduct({{0, 3}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// In Live mode on the edges (maximum minus minimum): a change of a bar against the undo that
// takes it back, each from the change to its scan's planes painted. The change an undo takes
// back is made outside the timing.
void undoBench(benchmark::State &state)
{
    LoadedWindow w;
    w.form.typeList()->setListIndex(3);
    w.form.live()->setChecked(true);
    w.press(true);
    QUndoStack *history = w.form.history();
    const bool undo = state.range(0) != 0;
    int v = 200;
    const auto change = [&] {
        w.form.bar(Channel::Green, Bound::Maximum)->setValue(v ^= 1);
        w.drain();
        // The step is recorded once the event that made it is done.
        QCoreApplication::processEvents();
    };
    for (auto _ : state) {
        if (undo) {
            state.PauseTiming();
            const int before = history->index();
            change();
            w.paintPlanes();
            if (history->index() == before)
                state.SkipWithError("the change made no step");
            state.ResumeTiming();
            history->undo();
            w.drain();
        } else {
            change();
        }
        w.paintPlanes();
    }
}
BENCHMARK(undoBench)->ArgName("undo")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Opening a recipe of the picture shown (read, parsed, its settings set, its threshold scan run
// and painted) against pressing THRESHOLD SCAN with the same settings.
void recipeBench(benchmark::State &state)
{
    QTemporaryDir dir;
    QImage img(500, 500, QImage::Format_RGB32);
    std::mt19937 rng(3);
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 500; ++x)
            img.setPixel(x, y, qRgb((x + (rng() & 31)) & 255, y & 255, (x ^ y) & 255));
    const QString picture = dir.filePath(QStringLiteral("noise.png"));
    img.save(picture);
    Form1Driver form;
    form.loadFile(picture);
    form.typeList()->setListIndex(3);
    // Two recipes, so that each opening changes the settings.
    QString recipes[2];
    for (int i = 0; i < 2; ++i) {
        form.bar(Channel::Red, Bound::Minimum)->setValue(40 + 20 * i);
        form.click(Button::Threshold);
        recipes[i] = dir.filePath(QStringLiteral("r%1.tintara.json").arg(i));
        if (!picture::saveRecipe(recipes[i], results::describe(form.source(), form.recipe())))
            state.SkipWithError("cannot save a recipe");
    }
    const bool open = state.range(0) != 0;
    int i = 0;
    for (auto _ : state) {
        if (open)
            form.openRecipe(recipes[i ^= 1]);
        else
            form.click(Button::Threshold);
        for (auto *plane : {form.plane(View::Red), form.plane(View::Green), form.plane(View::Blue)})
            plane->repaint();
    }
}
BENCHMARK(recipeBench)->ArgName("open")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

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
