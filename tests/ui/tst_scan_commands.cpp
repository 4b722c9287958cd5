// The two scan commands end to end: load a picture, press the button, read the planes.
#include "pipeline/pipeline.h"
#include "pipeline/stage.h"
#include "support/form1driver.h"
#include "support/pictures.h"
#include "support/referencescan.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <private/qhighdpiscaling_p.h>
#include <qpa/qwindowsysteminterface.h>
#include <random>

using namespace platform;
using namespace core;

class TestScanCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void statusLineAndZoomBoxDuringAScan();
    void aClickQueuedDuringTheYieldRunsAfterTheScan();
    void uniformPictureInBothModes();
    void gridStartsAtThePreview();
    void planesEqualThePlainScanOfTheWindow_data();
    void planesEqualThePlainScanOfTheWindow();
    void pipelineStagesWhatTheWindowShows_data();
    void pipelineStagesWhatTheWindowShows();
    void typedSelectionTypeGivesBlackPlanes();
    void planesAreResizedAndNotCleared();

private:
    void load(const QImage &img)
    {
        form->load(testpics::write(dir_, QStringLiteral("p.png"), img));
    }
    Form1Driver *form = nullptr;
    QTemporaryDir dir_;
};

void TestScanCommands::init()
{
    form = new Form1Driver;
}

void TestScanCommands::cleanup()
{
    delete form;
    form = nullptr;
}

void TestScanCommands::statusLineAndZoomBoxDuringAScan()
{
    load(testpics::solid(500, 500, QColor(200, 100, 50)));
    form->button(Button::Rgb)->click();
    form->zoomOption(Channel::Red)->click();
    QCOMPARE(form->plane(View::Zoom)->Point(10, 10), RGB(200, 0, 0));
    QSignalSpy optionClicks(form->zoomOption(Channel::Red), &QRadioButton::clicked);
    QString during;
    Colour duringColour = 0;
    // Runs in the command's first yield, before the scan.
    QTimer::singleShot(0, form, [&] {
        during = form->status()->Caption();
        duringColour = form->status()->ForeColor();
    });
    form->button(Button::Threshold)->click();
    QCOMPARE(during, QStringLiteral(" Working... "));
    QCOMPARE(duringColour, RGB(255, 0, 0));
    QCOMPARE(form->status()->Caption(), QStringLiteral("Process complete."));
    QCOMPARE(form->status()->ForeColor(), RGB(0, 0, 255));
    for (auto *option : {form->zoomOption(Channel::Red), form->zoomOption(Channel::Green),
                         form->zoomOption(Channel::Blue)})
        QVERIFY(!option->isChecked());
    QCOMPARE(optionClicks.count(), 0);
    QCOMPARE(form->plane(View::Zoom)->Point(10, 10), form->plane(View::Zoom)->BackColor());
}

// The click comes as the window system delivers it: queued, to be read by the next event loop
// that takes input.
void TestScanCommands::aClickQueuedDuringTheYieldRunsAfterTheScan()
{
    load(testpics::solid(500, 500, QColor(200, 100, 50)));
    QWindow *window = form->windowHandle();
    const QPointF at = QHighDpi::toNativeLocalPosition(
        QPointF(form->button(Button::Rgb)->geometry().center()), window);
    const QPointF global = QHighDpi::toNativeGlobalPosition(window->mapToGlobal(at), window);
    QSignalSpy rgb(form->button(Button::Rgb), &QPushButton::clicked);
    QStringList order;
    QTimer::singleShot(0, form, [&] {
        for (const auto &[type, buttons] : {std::pair(QEvent::MouseButtonPress, Qt::LeftButton),
                                            std::pair(QEvent::MouseButtonRelease, Qt::NoButton)})
            QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, at, global, buttons, Qt::LeftButton, type);
        order << QStringLiteral("queued during ") + form->status()->Caption();
    });
    form->button(Button::Threshold)->click();
    order << QStringLiteral("scan done");
    QCOMPARE(rgb.count(), 0);
    QTRY_COMPARE(rgb.count(), 1);
    QCOMPARE(order, (QStringList{QStringLiteral("queued during  Working... "),
                                 QStringLiteral("scan done")}));
    // The RGB command ran last: its red plane shows the picture's red.
    QCOMPARE(form->plane(View::Red)->Point(10, 10), RGB(200, 0, 0));
}

void TestScanCommands::uniformPictureInBothModes()
{
    load(testpics::solid(500, 500, QColor(200, 100, 50)));
    form->button(Button::Rgb)->click();
    // Interior blocks only: the last column and row reach past the preview.
    for (int i = 1; i <= 166; i += 15) {
        QCOMPARE(form->plane(View::Red)->Point(i, 166 - i + 1), RGB(200, 0, 0));
        QCOMPARE(form->plane(View::Green)->Point(i, i), RGB(0, 100, 0));
        QCOMPARE(form->plane(View::Blue)->Point(i, i), RGB(0, 0, 50));
    }
    QCOMPARE(form->plane(View::Red)->toolTip(),
             QStringLiteral("Red plane: brightness = the block's value"));
    form->button(Button::Threshold)->click();
    QCOMPARE(form->plane(View::Green)->toolTip(),
             QStringLiteral("Green plane: marked: the block's value is inside (128, 255]; grey: "
                            "outside; %1 marked")
                 .arg(scan::describeCount(form->measurements().channels[Channel::Green])));
    for (int i = 1; i <= 166; i += 15) {
        QCOMPARE(form->plane(View::Red)->Point(i, i), RGB(128, 0, 0));
        QCOMPARE(form->plane(View::Green)->Point(i, i), RGB(192, 192, 192));
        QCOMPARE(form->plane(View::Blue)->Point(i, i), RGB(192, 192, 192));
    }
    form->typeList()->setListIndex(3);
    form->button(Button::Rgb)->click();
    QCOMPARE(form->plane(View::Red)->Point(50, 50), RGB(0, 0, 0));
}

void TestScanCommands::gridStartsAtThePreview()
{
    // Top half red, bottom half blue: the first block row holds the picture's top rows and
    // the last full block row its bottom rows, not the window above it.
    load(testpics::split(500, 500, Qt::red, Qt::blue));
    form->button(Button::Rgb)->click();
    QCOMPARE(form->plane(View::Red)->Point(1, 1), RGB(255, 0, 0));
    QCOMPARE(form->plane(View::Blue)->Point(1, 1), RGB(0, 0, 0));
    QCOMPARE(form->plane(View::Blue)->Point(80, 166), RGB(0, 0, 255));
    QCOMPARE(form->plane(View::Red)->Point(80, 166), RGB(0, 0, 0));
    QCOMPARE(form->plane(View::Red)->Point(80, 83), RGB(255, 0, 0));  // rows 246..248
    QCOMPARE(form->plane(View::Blue)->Point(80, 84), RGB(0, 0, 170)); // rows 249..251: 249 is red
    QCOMPARE(form->plane(View::Red)->Point(80, 84), RGB(85, 0, 0));
}

void TestScanCommands::planesEqualThePlainScanOfTheWindow_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("threshold");
    QTest::addColumn<int>("rx");
    QTest::addColumn<int>("ry");
    QTest::newRow("average rgb 3x3") << 0 << false << 3 << 3;
    QTest::newRow("maximum threshold 4x7") << 1 << true << 4 << 7;
    QTest::newRow("minimum rgb 30x5") << 2 << false << 30 << 5;
    QTest::newRow("spread threshold 5x5") << 3 << true << 5 << 5;
}

void TestScanCommands::planesEqualThePlainScanOfTheWindow()
{
    QFETCH(int, type);
    QFETCH(bool, threshold);
    QFETCH(int, rx);
    QFETCH(int, ry);
    QImage picture(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            picture.setPixel(x, y, qRgb((x * 5) & 255, (y * 3 + x) & 255, (x * y / 7) & 255));
    load(picture);
    form->rate(Axis::X)->setValue(rx);
    form->rate(Axis::Y)->setValue(ry);
    form->typeList()->setListIndex(type);
    form->bar(Channel::Green, Bound::Minimum)->setValue(60);
    form->bar(Channel::Red, Bound::Maximum)->setValue(220);

    scan::ScanParams p;
    p.iw = form->preview()->Width();
    p.ih = form->preview()->Height();
    p.originX = 17, p.originY = 65;
    p.rx = rx, p.ry = ry, p.sel = type, p.threshold = threshold;
    p.bands[Channel::Red] = {form->bar(Channel::Red, Bound::Minimum)->Value(),
                             form->bar(Channel::Red, Bound::Maximum)->Value()};
    p.bands[Channel::Green] = {form->bar(Channel::Green, Bound::Minimum)->Value(),
                               form->bar(Channel::Green, Bound::Maximum)->Value()};
    p.bands[Channel::Blue] = {form->bar(Channel::Blue, Bound::Minimum)->Value(),
                              form->bar(Channel::Blue, Bound::Maximum)->Value()};
    const ColourSurface window = readSurface(testpics::capture(*form), QRect(0, 0, 1120, 584));
    const scan::ScanPlanes expected = referenceScan(window, p);

    threshold ? form->button(Button::Threshold)->click() : form->button(Button::Rgb)->click();
    QCOMPARE(form->plane(View::Red)->Width(), (p.iw + 20) / rx);
    QCOMPARE(form->plane(View::Red)->Height(), (p.ih + 20) / ry);
    for (int by = 0; by < expected.ny; ++by)
        for (int bx = 0; bx < expected.nx; ++bx) {
            const std::size_t at = std::size_t(by) * expected.nx + bx;
            if (bx + 1 >= form->plane(View::Red)->ScaleWidth() ||
                by + 1 >= form->plane(View::Red)->ScaleHeight())
                continue; // past the plane's interior: drawn nowhere
            QCOMPARE(form->plane(View::Red)->Point(bx + 1, by + 1),
                     expected.planes[Channel::Red][at]);
            QCOMPARE(form->plane(View::Green)->Point(bx + 1, by + 1),
                     expected.planes[Channel::Green][at]);
            QCOMPARE(form->plane(View::Blue)->Point(bx + 1, by + 1),
                     expected.planes[Channel::Blue][at]);
        }
}

void TestScanCommands::pipelineStagesWhatTheWindowShows_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("seed");
    std::mt19937 rng(20261210);
    const auto noise = [&](int w, int h, QImage::Format format) {
        QImage img(w, h, QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, rng());
        if (format == QImage::Format_RGB32)
            img = img.convertToFormat(QImage::Format_RGB32);
        return format == QImage::Format_Indexed8 || format == QImage::Format_Grayscale8
                   ? img.convertToFormat(format)
                   : img;
    };
    QTest::newRow("wide, 500") << noise(321, 203, QImage::Format_RGB32) << 500 << 1;
    QTest::newRow("tall, 400") << noise(150, 211, QImage::Format_RGB32) << 400 << 2;
    QTest::newRow("transparent, 300") << noise(97, 97, QImage::Format_ARGB32) << 300 << 3;
    QTest::newRow("transparent tall, 500") << noise(60, 90, QImage::Format_ARGB32) << 500 << 4;
    QTest::newRow("palette, 200") << noise(255, 101, QImage::Format_Indexed8) << 200 << 5;
    QTest::newRow("grey, 500") << noise(99, 333, QImage::Format_Grayscale8) << 500 << 6;
    QTest::newRow("thin, 500") << noise(1, 200, QImage::Format_RGB32) << 500 << 7;
    QTest::newRow("flat, 400") << noise(200, 3, QImage::Format_RGB32) << 400 << 8;
}

void TestScanCommands::pipelineStagesWhatTheWindowShows()
{
    QFETCH(QImage, picture);
    QFETCH(int, size);
    QFETCH(int, seed);
    form->sizeList()->setListIndex((size - 200) / 100);
    load(picture);
    // Rendered as the window rendered its scans' samples before they were staged: straight
    // into RGBX8888, the fourth byte cleared.
    QImage shown(form->size(), QImage::Format_RGBX8888);
    shown.setDevicePixelRatio(1);
    form->render(&shown, QPoint(), QRegion(),
                 QWidget::DrawWindowBackground | QWidget::DrawChildren);
    shown = shown.convertToFormat(QImage::Format_RGB32);
    const Result<pipeline::Preview> preview = pipeline::load(dir_.filePath("p.png"), size);
    QVERIFY(preview);
    // Every pixel a block of any rates, with overlap, takes in.
    QRect reach;
    for (int rx = 3; rx <= 30; ++rx) {
        results::Recipe r;
        r.rx = r.ry = rx, r.overlap = true;
        reach |= scan::scanGrid(pipeline::scanParams(*preview, r)).sampled;
    }
    const ColourSurface window = readSurface(shown, reach);
    pipeline::Runner runner;
    const ColourSurface &staged = runner.stage(*preview, reach);
    QCOMPARE(staged.rect, window.rect);
    for (std::size_t i = 0; i < window.values.size(); ++i)
        if (staged.values[i] != window.values[i])
            QFAIL(qPrintable(QStringLiteral("window pixel (%1, %2) is %3, staged %4")
                                 .arg(reach.left() + int(i) % reach.width())
                                 .arg(reach.top() + int(i) / reach.width())
                                 .arg(window.values[i], 0, 16)
                                 .arg(staged.values[i], 0, 16)));
    // Planes from the pipeline against the plain scan of the window, at random settings.
    std::mt19937 rng(seed);
    for (int round = 0; round < 3; ++round) {
        results::Recipe r;
        r.size = size;
        r.rx = 3 + int(rng() % 28), r.ry = 3 + int(rng() % 28);
        r.selection = int(rng() % 4);
        r.threshold = rng() % 2;
        r.overlap = rng() % 2;
        for (const Channel c : Channels)
            r.bands[c] = {int(rng() % 256), 255};
        const pipeline::Planes planes = runner.run(*preview, r);
        const scan::ScanPlanes expected = referenceScan(window, pipeline::scanParams(*preview, r));
        for (const Channel c : Channels)
            for (int by = 0; by < expected.ny; ++by)
                for (int bx = 0; bx < expected.nx; ++bx)
                    QCOMPARE(Colour(fromArgb(planes.blocks[c].pixel(bx, by))),
                             expected.planes[c][std::size_t(by) * expected.nx + bx]);
    }
}

void TestScanCommands::typedSelectionTypeGivesBlackPlanes()
{
    load(testpics::solid(300, 300, Qt::white));
    form->show();
    QTest::keyClicks(form->typeList()->lineEdit(), QStringLiteral("x"));
    QCOMPARE(form->typeList()->ListIndex(), -1);
    form->button(Button::Rgb)->click();
    QCOMPARE(form->plane(View::Red)->Point(20, 20), RGB(0, 0, 0));
    QCOMPARE(form->plane(View::Blue)->Point(20, 20), RGB(0, 0, 0));
    form->button(Button::Threshold)->click();
    QCOMPARE(form->plane(View::Green)->Point(20, 20), RGB(192, 192, 192));
}

void TestScanCommands::planesAreResizedAndNotCleared()
{
    load(testpics::solid(500, 375, Qt::white));
    form->plane(View::Green)->PSet(0, 0, RGB(1, 2, 3));
    form->rate(Axis::Y)->setValue(5);
    form->plane(View::Green)->setHeight(20); // anything else: the scan sizes the planes itself
    form->button(Button::Rgb)->click();
    QCOMPARE(form->plane(View::Green)->Width(), 520.0f / 3);
    QCOMPARE(form->plane(View::Green)->Height(), 395.0f / 5);
    QCOMPARE(form->plane(View::Green)->Point(0, 0),
             RGB(1, 2, 3)); // row 0 and column 0 are never drawn
}

QTEST_MAIN(TestScanCommands)
#include "tst_scan_commands.moc"
