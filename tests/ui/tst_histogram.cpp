// The histogram window: its counts are the block values the threshold band is tested on, its
// bounds move the bars, and it follows the picture, the rates and the type.
#include "core/autothreshold.h"
#include "core/geometry.h"
#include "core/measurements.h"
#include "histogramwindow/frmhistogram.h"
#include "histogramwindow/histogramview.h"
#include "overlaywindow/frmoverlay.h"
#include "support/form1driver.h"
#include "support/pictures.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>

using namespace platform;

namespace {

frmHistogram *histogramOf(Form1Driver &f)
{
    return f.findChild<frmHistogram *>(QStringLiteral("frmHistogram"));
}

const histogram::Bins &bins(Form1Driver &f, int channel)
{
    return histogramOf(f)->view(Channel(channel))->bins();
}

std::uint64_t within(const histogram::Bins &b, int lo, int hi)
{
    std::uint64_t n = 0;
    for (int k = lo + 1; k <= hi; ++k)
        n += b[k];
    return n;
}

// Blocks a threshold scan marks inside the band, counted on the plane as shown.
std::uint64_t marked(const PictureBox *plane, core::Colour inside)
{
    const QImage img = plane->surface().convertToFormat(QImage::Format_RGB32);
    const QRgb want = core::toArgb(inside);
    std::uint64_t n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == want;
    return n;
}

// Ctrl+H in the main window.
frmHistogram *openHistogram(Form1Driver &f)
{
    QApplication::setActiveWindow(&f);
    if (!QTest::qWaitForWindowActive(&f))
        return nullptr;
    QTest::keySequence(&f, QKeySequence(Qt::CTRL | Qt::Key_H));
    return histogramOf(f);
}

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

class TestHistogram : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void opensFromMenuAndKey();
    void countsWhatTheBandTests_data();
    void countsWhatTheBandTests();
    void methodsSetTheMinimumAndKeepTheMaximum();
    void draggedEdgesMoveTheBars();
    void followsThePicture();
    void automaticMethodsApplyOrSayNoThreshold();
    void tryAllShowsEveryMethodAndAClickApplies();
    void localMethodsApplyUndoAndReplayInTheBatch();
    void readableAxesBandAndPointer();
    void measurementsOfTheLastThresholdScan();
    void overlayCoversTheMarkedBlocksAndIsNeverSampled();
    void everyMethodOnOddPreviewsAndRates_data();
    void everyMethodOnOddPreviewsAndRates();

private:
    QTemporaryDir dir_;
    QString twoTone_, other_, thin_;
};

void TestHistogram::initTestCase()
{
    // Tool windows' places are kept in the settings: the tests' own, empty to start.
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("tintara"), QStringLiteral("tintara")).clear();
    // Two levels per channel, in unequal parts, and a smooth ramp for the other picture.
    QImage img(300, 300, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, x < 100 ? qRgb(40, 200, 10) : qRgb(180, 20, 250));
    twoTone_ = testpics::write(dir_, QStringLiteral("two-tone.png"), img);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb(x * 255 / 299, y * 255 / 299, (x + y) * 255 / 598));
    other_ = testpics::write(dir_, QStringLiteral("ramp.png"), img);
    // Fitted into a preview of 500 x 5.
    QImage thin(1000, 10, QImage::Format_RGB32);
    for (int x = 0; x < thin.width(); ++x)
        for (int y = 0; y < thin.height(); ++y)
            thin.setPixel(x, y, qRgb(x % 256, (x / 4) % 256, x < 500 ? 30 : 220));
    thin_ = testpics::write(dir_, QStringLiteral("thin.png"), thin);
}

void TestHistogram::opensFromMenuAndKey()
{
    Form1Driver form;
    QCOMPARE(histogramOf(form), nullptr);
    QAction *menu = nullptr;
    for (QAction *a : form.plane(View::Green)->actions())
        if (a->text() == QLatin1String("Histogram..."))
            menu = a;
    QVERIFY(menu);
    QCOMPARE(menu->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    menu->trigger();
    frmHistogram *window = histogramOf(form);
    QVERIFY(window && window->isVisible());
    QVERIFY(!window->isModal());
    QVERIFY(window->windowFlags().testFlag(Qt::Tool));
    // Nothing loaded: nothing to count, no method to offer, no threshold in the montage.
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("OtsuR"))->isEnabled());
    window->findChild<QPushButton *>(QStringLiteral("ApplyAuto"))->click();
    QVERIFY(window->findChild<QLabel *>(QStringLiteral("AutoResult"))
                ->text()
                .contains(QStringLiteral("no threshold")));
    QCOMPARE(form.bar(Channel::Blue, Bound::Minimum)->Value(), 128);
    window->findChild<QPushButton *>(QStringLiteral("TryAllG"))->click();
    for (QToolButton *tile : window->findChild<frmTryAll *>()->findChildren<QToolButton *>())
        if (!tile->objectName().startsWith(QLatin1String("TryAllLocal")))
            QVERIFY(!tile->isEnabled() && tile->text().endsWith(QStringLiteral("no threshold")));

    // Beside the main window where the screen has room (the suite's screen is 2560 x 1440),
    // never off it.
    const QRect screen = form.screen()->availableGeometry();
    QVERIFY(screen.contains(window->frameGeometry()));
    if (screen.width() >= form.window()->frameGeometry().width() + window->frameGeometry().width())
        QVERIFY(!window->frameGeometry().intersects(form.window()->frameGeometry()));

    // Where the user puts it, it opens again, in this window and the next.
    const QPoint put = screen.topLeft() + QPoint(37, 41);
    window->move(put);
    window->close();
    form.plane(View::Red)->setFocus();
    QCOMPARE(openHistogram(form), window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->pos(), put);
    window->close();
    Form1Driver next;
    frmHistogram *again = openHistogram(next);
    QVERIFY(again && again != window);
    QCOMPARE(again->pos(), put);
    // A place off the screen (a screen since unplugged) is brought back onto it.
    again->move(screen.bottomRight() + QPoint(500, 500));
    again->close();
    Form1Driver third;
    QVERIFY(openHistogram(third));
    QVERIFY(screen.contains(histogramOf(third)->frameGeometry()));
}

void TestHistogram::countsWhatTheBandTests_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("rx");
    QTest::addColumn<int>("ry");
    for (int type = 0; type < 4; ++type)
        for (auto [rx, ry] : {std::pair{3, 3}, std::pair{4, 3}, std::pair{3, 4}, std::pair{10, 7},
                              std::pair{30, 11}})
            QTest::addRow("type %d, %dx%d", type, rx, ry) << type << rx << ry;
}

void TestHistogram::countsWhatTheBandTests()
{
    QFETCH(int, type);
    QFETCH(int, rx);
    QFETCH(int, ry);
    Form1Driver form;
    form.load(other_);
    form.typeList()->setCurrentIndex(type);
    form.bar(Channel::Red, Bound::Minimum)->setValue(60);
    form.bar(Channel::Red, Bound::Maximum)->setValue(190);
    form.bar(Channel::Green, Bound::Minimum)->setValue(0);
    form.bar(Channel::Green, Bound::Maximum)->setValue(127);
    form.bar(Channel::Blue, Bound::Maximum)->setValue(254);
    form.button(Button::Rgb)->click(); // the window follows changes made before it opens, too
    form.rate(Axis::X)->setValue(rx);
    form.rate(Axis::Y)->setValue(ry);
    form.button(Button::Threshold)->click();
    QVERIFY(openHistogram(form));
    const struct {
        PictureBox *plane;
        HScrollBar *lo, *hi;
        core::Colour inside;
    } channels[] = {{form.plane(View::Red), form.bar(Channel::Red, Bound::Minimum),
                     form.bar(Channel::Red, Bound::Maximum), core::QBColor(4)},
                    {form.plane(View::Green), form.bar(Channel::Green, Bound::Minimum),
                     form.bar(Channel::Green, Bound::Maximum), core::QBColor(10)},
                    {form.plane(View::Blue), form.bar(Channel::Blue, Bound::Minimum),
                     form.bar(Channel::Blue, Bound::Maximum), core::QBColor(1)}};
    const float side = form.preview()->Width();
    const auto blocks = static_cast<std::uint64_t>(geometry::stepCount(side, rx)) *
                        static_cast<std::uint64_t>(geometry::stepCount(side, ry));
    // Past rate 4 the planes are too small to show the last blocks, which are still tested.
    const bool allShown = rx <= 4 && ry <= 4;
    for (int c = 0; c < 3; ++c) {
        const auto &ch = channels[c];
        QCOMPARE(within(bins(form, c), -1, 255), blocks);
        if (allShown) {
            QCOMPARE(marked(ch.plane, ch.inside) + marked(ch.plane, core::QBColor(7)), blocks);
            QCOMPARE(within(bins(form, c), ch.lo->Value(), ch.hi->Value()),
                     marked(ch.plane, ch.inside));
        }
    }
}

void TestHistogram::methodsSetTheMinimumAndKeepTheMaximum()
{
    Form1Driver form;
    form.load(twoTone_);
    form.bar(Channel::Red, Bound::Maximum)->setValue(230);
    form.bar(Channel::Blue, Bound::Minimum)->setValue(0);
    form.bar(Channel::Blue, Bound::Maximum)->setValue(240);
    form.live()->setChecked(true);
    frmHistogram *window = openHistogram(form);
    QVERIFY(window);
    const auto button = [window](const char *name) {
        return window->findChild<QPushButton *>(QLatin1String(name));
    };
    // Red has blocks at 40 and 180 and a few mixed ones where the two parts meet: any method
    // worth its name splits between the two.
    button("OtsuR")->click();
    QVERIFY2(form.bar(Channel::Red, Bound::Minimum)->Value() >= 40 &&
                 form.bar(Channel::Red, Bound::Minimum)->Value() < 180,
             qPrintable(QString::number(form.bar(Channel::Red, Bound::Minimum)->Value())));
    QCOMPARE(form.bar(Channel::Red, Bound::Maximum)->Value(), 230);
    button("TriangleB")->click();
    QVERIFY2(form.bar(Channel::Blue, Bound::Minimum)->Value() >= 10 &&
                 form.bar(Channel::Blue, Bound::Minimum)->Value() < 250,
             qPrintable(QString::number(form.bar(Channel::Blue, Bound::Minimum)->Value())));
    QCOMPARE(form.bar(Channel::Blue, Bound::Maximum)->Value(),
             std::max(240, form.bar(Channel::Blue, Bound::Minimum)->Value()));
    // The band drawn follows the bars.
    settle();
    QTRY_COMPARE(window->view(Channel::Red)
                     ->boundAt(window->view(Channel::Red)
                                   ->edgeOf(form.bar(Channel::Red, Bound::Minimum)->Value())),
                 form.bar(Channel::Red, Bound::Minimum)->Value());
}

void TestHistogram::draggedEdgesMoveTheBars()
{
    Form1Driver form;
    form.load(twoTone_);
    form.bar(Channel::Green, Bound::Minimum)->setValue(20);
    form.bar(Channel::Green, Bound::Maximum)->setValue(250);
    QVERIFY(openHistogram(form));
    HistogramView *green = histogramOf(form)->view(Channel::Green);
    QVERIFY(QTest::qWaitForWindowExposed(green->window()));
    const auto at = [green](int bound) {
        return QPoint(static_cast<int>(std::lround(green->edgeOf(bound))), green->height() / 2);
    };
    // The lower edge, dragged right; then the upper edge, dragged left.
    QTest::mousePress(green, Qt::LeftButton, {}, at(21));
    QTest::mouseMove(green, at(80));
    QTest::mouseRelease(green, Qt::LeftButton, {}, at(100));
    QCOMPARE(form.bar(Channel::Green, Bound::Minimum)->Value(), 100);
    QCOMPARE(form.bar(Channel::Green, Bound::Maximum)->Value(), 250);
    settle();
    QTest::mousePress(green, Qt::LeftButton, {}, at(249));
    QTest::mouseRelease(green, Qt::LeftButton, {}, at(150));
    QCOMPARE(form.bar(Channel::Green, Bound::Maximum)->Value(), 150);
    QCOMPARE(form.bar(Channel::Green, Bound::Minimum)->Value(), 100);
}

void TestHistogram::followsThePicture()
{
    Form1Driver form;
    form.load(twoTone_);
    QVERIFY(openHistogram(form));
    const histogram::Bins before = bins(form, 0);
    form.load(other_);
    QTRY_VERIFY(bins(form, 0) != before);
    // The logarithmic scale draws the same counts differently.
    HistogramView *red = histogramOf(form)->view(Channel::Red);
    const QImage linear = red->grab().toImage();
    histogramOf(form)->findChild<QCheckBox *>(QStringLiteral("CheckLog"))->click();
    QVERIFY(red->grab().toImage() != linear);
}

void TestHistogram::automaticMethodsApplyOrSayNoThreshold()
{
    Form1Driver form;
    form.load(twoTone_);
    form.bar(Channel::Red, Bound::Maximum)->setValue(230);
    frmHistogram *window = openHistogram(form);
    QVERIFY(window);
    auto *methods = window->findChild<QComboBox *>(QStringLiteral("AutoMethod"));
    QCOMPARE(methods->count(), 16);
    const auto button = [window](const QString &name) {
        return window->findChild<QPushButton *>(name);
    };
    const auto result = [window] {
        return window->findChild<QLabel *>(QStringLiteral("AutoResult"))->text();
    };
    // Red has blocks at 40 and 180 and a few mixed ones between: every method with an answer
    // splits between the two, and the maximum stays.
    methods->setCurrentText(QStringLiteral("Huang"));
    button(QStringLiteral("ApplyR"))->click();
    const int red = form.bar(Channel::Red, Bound::Minimum)->Value();
    QVERIFY2(red >= 40 && red < 180, qPrintable(QString::number(red)));
    QCOMPARE(form.bar(Channel::Red, Bound::Maximum)->Value(), 230);
    QCOMPARE(result(), QStringLiteral("Huang: Red minimum %1.").arg(red));

    methods->setCurrentText(QStringLiteral("Percentile"));
    button(QStringLiteral("ApplyAuto"))->click();
    QStringList set;
    for (const Channel c : Channels) {
        const int t =
            histogram::threshold(histogram::Method::Percentile, window->view(c)->bins()).value();
        QCOMPARE(form.bar(c, Bound::Minimum)->Value(), t);
        set << QStringLiteral("%1 minimum %2").arg(channelTitle(c)).arg(t);
    }
    QCOMPARE(result(), QStringLiteral("Percentile: %1.").arg(set.join(QStringLiteral(", "))));

    // A typed selection type reduces every block to 0: no method has an answer, nothing moves.
    form.typeList()->lineEdit()->setFocus();
    QTest::keyClicks(form.typeList()->lineEdit(), QStringLiteral("x"));
    QTRY_COMPARE(within(bins(form, 0), -1, 0), within(bins(form, 0), -1, 255));
    const int before = form.bar(Channel::Green, Bound::Minimum)->Value();
    for (const histogram::Method m : histogram::Methods) {
        methods->setCurrentIndex(static_cast<int>(m));
        button(QStringLiteral("ApplyG"))->click();
        QVERIFY2(result().contains(QStringLiteral("no threshold")), qPrintable(result()));
    }
    QCOMPARE(form.bar(Channel::Green, Bound::Minimum)->Value(), before);
}

void TestHistogram::tryAllShowsEveryMethodAndAClickApplies()
{
    Form1Driver form;
    form.load(other_);
    form.typeList()->setCurrentIndex(scan::Spread);
    form.button(Button::Threshold)->click();
    frmHistogram *window = openHistogram(form);
    QVERIFY(window);
    // Space on the focused button, as a keyboard user opens it.
    QPushButton *tryAll = window->findChild<QPushButton *>(QStringLiteral("TryAllB"));
    tryAll->setFocus();
    QTest::keyClick(tryAll, Qt::Key_Space);
    auto *montage = window->findChild<frmTryAll *>(QStringLiteral("frmTryAll"));
    QVERIFY(montage && montage->isVisible());
    // Beside the main window too, on the wide screen, wherever the histogram window is.
    QVERIFY(form.screen()->availableGeometry().contains(montage->frameGeometry()));
    QVERIFY(!montage->frameGeometry().intersects(form.window()->frameGeometry()));
    QCOMPARE(montage->channel(), Channel::Blue);
    const histogram::Bins blue = window->view(Channel::Blue)->bins();
    for (const histogram::Method m : histogram::Methods) {
        const QString name = QLatin1String(histogram::methodName(m));
        auto *tile = montage->findChild<QToolButton *>(QStringLiteral("TryAll") + name);
        QVERIFY(tile);
        const std::optional<int> t = histogram::threshold(m, blue);
        QCOMPARE(tile->isEnabled(), t.has_value());
        QCOMPARE(tile->text(), t ? QStringLiteral("%1\n%2").arg(name).arg(*t)
                                 : QStringLiteral("%1\nno threshold").arg(name));
        if (t) // the plane of that band, as small as it was scanned
            QVERIFY(!tile->icon().isNull());
    }
    auto *yen = montage->findChild<QToolButton *>(QStringLiteral("TryAllYen"));
    const int t = histogram::threshold(histogram::Method::Yen, blue).value();
    form.live()->setChecked(true);
    yen->click();
    QCOMPARE(form.bar(Channel::Blue, Bound::Minimum)->Value(), t);
    // The tile showed what the threshold scan now draws: its marked blocks.
    QTRY_COMPARE(marked(form.plane(View::Blue), core::QBColor(1)), within(blue, t, 255));
    // The montage follows the type.
    form.typeList()->setCurrentIndex(scan::Average);
    QTRY_VERIFY(window->view(Channel::Blue)->bins() != blue);
    auto *otsu = montage->findChild<QToolButton *>(QStringLiteral("TryAllOtsu"));
    QTRY_COMPARE(otsu->text(), QStringLiteral("Otsu\n%1")
                                   .arg(histogram::threshold(histogram::Method::Otsu,
                                                             window->view(Channel::Blue)->bins())
                                            .value()));
}

// A local method for every channel, followed live, undone and done again, and its planes as
// the copied command makes them in the batch, byte for byte.
void TestHistogram::localMethodsApplyUndoAndReplayInTheBatch()
{
    Form1Driver form;
    form.load(other_);
    form.typeList()->setCurrentIndex(scan::Spread);
    form.live()->setChecked(true);
    form.button(Button::Threshold)->click();
    frmHistogram *window = openHistogram(form);
    window->findChild<QComboBox *>(QStringLiteral("LocalMethod"))
        ->setCurrentText(QStringLiteral("Sauvola"));
    window->findChild<QSpinBox *>(QStringLiteral("LocalRadius"))->setValue(4);
    const QImage band = form.resultImage(View::Green);
    window->findChild<QPushButton *>(QStringLiteral("ApplyLocal"))->click();
    // The rows say it and the bands wait; Live draws the local marks.
    QVERIFY(form.control<Label>("LocalG")->isVisible());
    QVERIFY(form.control<Label>("LocalG")->Caption().contains(QLatin1String("Sauvola")));
    QVERIFY(!form.bar(Channel::Green, Bound::Minimum)->isEnabled());
    QTRY_VERIFY(form.resultImage(View::Green) != band);
    const QImage local = form.resultImage(View::Green);
    QVERIFY(form.recipe().local[Channel::Blue] == local::Method::Sauvola);
    QCOMPARE(form.recipe().localRadius, 4);
    // One step back: the band again, everywhere; and forth.
    form.history()->undo();
    QTRY_COMPARE(form.resultImage(View::Green), band);
    QVERIFY(!form.control<Label>("LocalG")->isVisible());
    QVERIFY(form.bar(Channel::Green, Bound::Minimum)->isEnabled());
    form.history()->redo();
    QTRY_COMPARE(form.resultImage(View::Green), local);
    // Copy as Command, run: the planes the window saves.
    QTemporaryDir out;
    QStringList words = QProcess::splitCommand(form.batchCommand());
    QVERIFY(words.size() > 2 && words.contains(QLatin1String("--local-red")));
    words.removeFirst();
    QProcess batch;
    batch.start(QStringLiteral(TINTARA_BINARY),
                words + QStringList{QStringLiteral("--out"), out.path()});
    QVERIFY(batch.waitForFinished(30000));
    QCOMPARE(batch.exitCode(), 0);
    for (const View v : {View::Red, View::Green, View::Blue}) {
        const QString name = form.resultName(v);
        QVERIFY(form.saveResult(v, out.filePath(QStringLiteral("window-") + name)));
        QFile mine(out.filePath(QStringLiteral("window-") + name)), theirs(out.filePath(name));
        QVERIFY(mine.open(QIODevice::ReadOnly) && theirs.open(QIODevice::ReadOnly));
        QVERIFY2(mine.readAll() == theirs.readAll(), qPrintable(name));
    }
}

void TestHistogram::readableAxesBandAndPointer()
{
    Form1Driver form;
    form.load(twoTone_);
    form.bar(Channel::Red, Bound::Minimum)->setValue(60);
    form.bar(Channel::Red, Bound::Maximum)->setValue(190);
    // Maximum minus minimum: all but the blocks where the two parts meet are 0, a bin that
    // towers over the rest.
    form.typeList()->setCurrentIndex(scan::Spread);
    frmHistogram *window = openHistogram(form);
    QVERIFY(window && QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("BandR"))->text(),
             QStringLiteral("band (60, 190]"));
    HistogramView *red = window->view(Channel::Red);
    QTRY_COMPARE(red->clippedBin(), 0);
    QVERIFY(bins(form, 0)[0] >
            2 * *std::max_element(bins(form, 0).begin() + 1, bins(form, 0).end()));
    window->findChild<QCheckBox *>(QStringLiteral("CheckLog"))->click();
    QCOMPARE(red->clippedBin(), -1); // the logarithmic scale shows it whole

    // The bin under the pointer, with its count.
    auto *pointer = window->findChild<QLabel *>(QStringLiteral("HistogramPointer"));
    const int x = static_cast<int>(std::lround((red->edgeOf(-1) + red->edgeOf(0)) / 2));
    const QPointF at(x, red->height() / 2);
    QMouseEvent move(QEvent::MouseMove, at, red->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(red, &move);
    QCOMPARE(pointer->text(),
             QStringLiteral("Red: value 0, %1 blocks").arg(QLocale().toString(bins(form, 0)[0])));
    // The value axis spans the plot: bound 255's edge at its right end, 0's one bin in.
    QCOMPARE(red->binAt(red->edgeOf(254) + 0.5), 255);
    QCOMPARE(red->binAt(red->edgeOf(255) + 1), -1);
}

void TestHistogram::measurementsOfTheLastThresholdScan()
{
    Form1Driver form;
    frmHistogram *window = openHistogram(form);
    QVERIFY(window);
    auto *readout = window->findChild<QLabel *>(QStringLiteral("Measurements"));
    auto *copy = window->findChild<QPushButton *>(QStringLiteral("CopyMeasurements"));
    // Counted on the planes as drawn: block (bx, by) is plane pixel (bx + 1, by + 1).
    const auto counted = [&form] {
        QImage planes[3];
        for (const Channel c : Channels)
            planes[int(c)] = form.plane(viewOf(c))->surface().convertToFormat(QImage::Format_RGB32);
        const int nx = geometry::stepCount(form.preview()->Width(), form.rate(Axis::X)->Value());
        const int ny = geometry::stepCount(form.preview()->Height(), form.rate(Axis::Y)->Value());
        QStringList row;
        int all = 0, any = 0, marked[3] = {};
        for (int by = 0; by < ny; ++by)
            for (int bx = 0; bx < nx; ++bx) {
                int here = 0;
                for (const Channel c : Channels)
                    if (planes[int(c)].pixel(bx + 1, by + 1) ==
                        core::toArgb(core::QBColor(c == Channel::Red     ? 4
                                                   : c == Channel::Green ? 10
                                                                         : 1))) {
                        ++marked[int(c)];
                        ++here;
                    }
                all += here == 3;
                any += here > 0;
            }
        for (int n : {marked[0], marked[1], marked[2], all, any})
            row << QString::number(nx * ny) << QString::number(n)
                << QString::number(100.0 * n / (nx * ny), 'f', 2);
        return row;
    };
    const auto copied = [copy] {
        copy->click();
        return QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
    };
    // Nothing scanned: nothing marked, 0 %, here and in the overlay, which shows the preview.
    QVERIFY(readout->text().contains(QStringLiteral("Any: 0 of 0 blocks (0.00 %)")));
    form.menu(View::Red, "Overlay...");
    auto *overlay = form.findChild<frmOverlay *>(QStringLiteral("frmOverlay"));
    QVERIFY(overlay && overlay->isVisible());
    QCOMPARE(overlay->composed().size(),
             QSize(int(form.preview()->Width()), int(form.preview()->Height())));
    QCOMPARE(overlay->findChild<QLabel *>(QStringLiteral("OverlayMeasurements"))->text(),
             QStringLiteral("Marked: 0 of 0 blocks (0.00 %)"));
    QStringList zeros;
    for (int group = 0; group < 5; ++group)
        zeros << QStringLiteral("0") << QStringLiteral("0") << QStringLiteral("0.00");
    QCOMPARE(copied().value(1).split(QLatin1Char('\t')), zeros);
    form.load(twoTone_);
    form.bar(Channel::Red, Bound::Minimum)->setValue(100);
    form.bar(Channel::Green, Bound::Minimum)->setValue(10);
    form.button(Button::Threshold)->click();
    const QStringList lines = copied();
    QVERIFY(lines.value(0).startsWith(QStringLiteral("red_tested\tred_marked\tred_percent\t")));
    QCOMPARE(lines.value(1).split(QLatin1Char('\t')), counted());
    QVERIFY2(form.plane(View::Red)->toolTip().endsWith(
                 scan::describeCount(form.measurements().channels[Channel::Red]) +
                 QStringLiteral(" marked")),
             qPrintable(form.plane(View::Red)->toolTip()));
    QVERIFY(form.measurements().any.marked > form.measurements().all.marked);
    // Settings changed since, with Live off: the measurements, the overlay and the planes say
    // so and how to catch up, while the planes still describe how they were made. F5 does it.
    auto *counts = overlay->findChild<QLabel *>(QStringLiteral("OverlayMeasurements"));
    form.bar(Channel::Red, Bound::Minimum)->setValue(101);
    for (const QString &said : {readout->text(), counts->text(), form.plane(View::Red)->toolTip()})
        QVERIFY2(said.contains(QStringLiteral("Out of date: made before red minimum 101")) &&
                     said.contains(QStringLiteral("F5")),
                 qPrintable(said));
    QVERIFY(form.plane(View::Red)->toolTip().contains(QStringLiteral("inside (100, 255]")));
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_F5);
    for (const QString &said : {readout->text(), counts->text(), form.plane(View::Red)->toolTip()})
        QVERIFY2(!said.contains(QStringLiteral("Out of date")), qPrintable(said));
    // CLEAR, an RGB scan and a typed selection type leave nothing marked.
    form.button(Button::Clear)->click();
    QCOMPARE(form.measurements(), scan::Measurements{});
    form.button(Button::Rgb)->click();
    QCOMPARE(form.measurements().any.marked, 0u);
    form.typeList()->lineEdit()->setFocus();
    QTest::keyClicks(form.typeList()->lineEdit(), QStringLiteral("x"));
    form.button(Button::Threshold)->click();
    QCOMPARE(form.measurements().any.marked, 0u);
    QVERIFY(form.measurements().any.tested > 0);
    // A preview of 500 x 5 at rate 30: one row of blocks.
    form.load(thin_);
    form.typeList()->setCurrentIndex(scan::Spread);
    form.rate(Axis::X)->setValue(30);
    form.button(Button::Threshold)->click();
    QCOMPARE(copied().value(1).split(QLatin1Char('\t')), counted());
}

void TestHistogram::overlayCoversTheMarkedBlocksAndIsNeverSampled()
{
    Form1Driver form;
    form.load(twoTone_);
    form.typeList()->setCurrentIndex(scan::Spread);
    form.rate(Axis::X)->setValue(4);
    for (const Channel c : Channels)
        form.bar(c, Bound::Minimum)->setValue(c == Channel::Blue ? 0 : 20);
    form.button(Button::Threshold)->click();
    const auto planes = [&form] {
        QList<QImage> all;
        for (const Channel c : Channels)
            all << form.plane(viewOf(c))->surface();
        return all;
    };
    const QList<QImage> before = planes();
    // Overlapping blocks span their plain pixels and more: a larger spread, never a smaller one,
    // and every block marked before is marked still. Unticked, the planes are as before.
    auto *overlap = form.control<QCheckBox>("CheckOverlap");
    overlap->click();
    form.button(Button::Threshold)->click();
    const QList<QImage> overlapping = planes();
    QVERIFY(overlapping != before);
    for (const Channel c : Channels)
        for (int y = 0; y < before[int(c)].height(); ++y)
            for (int x = 0; x < before[int(c)].width(); ++x)
                if (before[int(c)].pixel(x, y) == core::toArgb(scan::markerColour(c)))
                    QCOMPARE(overlapping[int(c)].pixel(x, y), before[int(c)].pixel(x, y));
    overlap->click();
    form.button(Button::Threshold)->click();
    QCOMPARE(planes(), before);
    // Ctrl+E, through the action the planes' menus show.
    QAction *open = nullptr;
    for (QAction *a : form.plane(View::Blue)->actions())
        if (a->text() == QLatin1String("Overlay..."))
            open = a;
    QVERIFY(open);
    QCOMPARE(open->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    open->trigger();
    auto *window = form.findChild<frmOverlay *>(QStringLiteral("frmOverlay"));
    QVERIFY(window && window->isVisible());
    window->findChild<QSlider *>(QStringLiteral("OverlayOpacity"))->setValue(100);
    // Laid over the main window's planes, it is still never scanned.
    window->move(form.mapToGlobal(form.plane(View::Red)->geometry().topLeft()));
    QVERIFY(QTest::qWaitForWindowExposed(window));
    form.button(Button::Threshold)->click();
    QCOMPARE(planes(), before);

    // Each block as the planes mark it, read from the planes as drawn: the last shown layer that
    // marks it covers exactly its pixels; unmarked pixels are the preview's own.
    const QImage shown = window->composed();
    QCOMPARE(shown.size(), QSize(int(form.preview()->Width()), int(form.preview()->Height())));
    const int rx = form.rate(Axis::X)->Value(), ry = form.rate(Axis::Y)->Value();
    int markedPixels = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            QRgb want = 0;
            for (const Channel c : Channels)
                if (before[int(c)].pixel(x / rx + 1, y / ry + 1) ==
                    core::toArgb(scan::markerColour(c)))
                    want = core::toArgb(scan::markerColour(c));
            markedPixels += want != 0;
            if (want)
                QCOMPARE(shown.pixel(x, y), want);
        }
    QVERIFY(markedPixels > 0);
    // Unmarked, the picture itself: away from the boundary the two tones.
    QCOMPARE(shown.pixel(10, 10), qRgb(40, 200, 10));
    QCOMPARE(shown.pixel(400, 10), qRgb(180, 20, 250));
    // Copy gives the same, and a saved copy records how it was drawn.
    window->findChild<QPushButton *>(QStringLiteral("OverlayCopy"))->click();
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), shown);
    QVERIFY(window->record().value().contains(
        {QStringLiteral("Overlay"),
         QStringLiteral("red #800000, green #00ff00, blue #000080; fill; opacity 100 %")}));
    // The outline draws fewer pixels, all on marked blocks; CLEAR leaves the picture alone.
    window->findChild<QCheckBox *>(QStringLiteral("OverlayOutline"))->click();
    QVERIFY(window->composed() != shown);
    form.button(Button::Clear)->click();
    const QImage cleared = window->composed();
    for (int y = 0; y < cleared.height(); ++y)
        for (int x = 0; x < cleared.width(); ++x)
            for (const Channel c : Channels)
                QVERIFY(cleared.pixel(x, y) != core::toArgb(scan::markerColour(c)));
    QVERIFY(window->findChild<QLabel *>(QStringLiteral("OverlayMeasurements"))
                ->text()
                .contains(QStringLiteral("(0.00 %)")));
    // A preview of 500 x 5 and a typed selection type: nothing to lay over, nothing breaks.
    form.load(thin_);
    form.typeList()->lineEdit()->setFocus();
    QTest::keyClicks(form.typeList()->lineEdit(), QStringLiteral("x"));
    form.button(Button::Threshold)->click();
    QCOMPARE(window->composed().height(), int(form.preview()->Height()));
    for (const char *zoom : {"Fit", "100 %", "200 %", "400 %"})
        window->findChild<QComboBox *>(QStringLiteral("OverlayZoom"))
            ->setCurrentText(QLatin1String(zoom));
}

void TestHistogram::everyMethodOnOddPreviewsAndRates_data()
{
    QTest::addColumn<bool>("thin");
    QTest::addColumn<int>("rate");
    for (const bool thin : {false, true})
        for (const int rate : {3, 30})
            QTest::addRow("%s, rate %d", thin ? "500 x 5" : "ramp", rate) << thin << rate;
}

void TestHistogram::everyMethodOnOddPreviewsAndRates()
{
    QFETCH(bool, thin);
    QFETCH(int, rate);
    Form1Driver form;
    form.load(thin ? thin_ : other_);
    form.rate(Axis::X)->setValue(rate);
    form.rate(Axis::Y)->setValue(rate);
    for (int type = 0; type < 4; ++type) {
        form.typeList()->setCurrentIndex(type);
        for (const histogram::Method m : histogram::Methods)
            if (const std::optional<int> t = form.applyAutomatic(Channel::Green, m)) {
                QVERIFY(*t >= 0 && *t <= 254);
                QCOMPARE(form.bar(Channel::Green, Bound::Minimum)->Value(), *t);
            }
    }
}

QTEST_MAIN(TestHistogram)
#include "tst_histogram.moc"
