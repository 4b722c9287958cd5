// The pixel reduction, the zoom box and the colour probe, through the real widgets.
#include "support/form1driver.h"
#include "support/pictures.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

using namespace platform;
using namespace core;

namespace {
QSizeF outer(const PictureBox *p)
{
    return {p->Width(), p->Height()};
}

// A picture whose pixel (x, y) is RGB(x mod 256, y mod 256, 77).
QImage positions(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x & 255, y & 255, 77));
    return img;
}

// Where a pointer over a plane's interior pixel (x, y) sits in the widget.
// The pointer's position over an interior pixel, a little inside it, as a scaled screen
// reports it (fractional). Sent straight to the plane, whatever the screen's size.
QPointF overPixel(const PictureBox *p, int x, int y)
{
    return QPointF(p->contentsRect().topLeft()) + QPointF(x + 0.6, y + 0.3);
}

void mouse(PictureBox *p, QEvent::Type type, QPointF at)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, p->mapToGlobal(at), button,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(p, &e);
}
} // namespace

class TestZoomProbe : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void reductionSamplesWithTheXRate();
    void reductionKeepsWhatItDoesNotWrite();
    void viewSizes_data();
    void viewSizes();
    void viewRepeatsThePlanePixels();
    void beforeAnyScanTheViewShowsTheBackground();
    void unevenStretchAfterAReduction();
    void probeReadsThePixelUnderThePointer();
    void probeLeavesReadoutsAloneOverTheBorder();
    void clickTakesTheReadoutAsMinimum();

private:
    void load(const QImage &img)
    {
        form->load(testpics::write(dir_, QStringLiteral("p.png"), img));
    }
    Form1Driver *form = nullptr;
    QTemporaryDir dir_;
};

void TestZoomProbe::init()
{
    form = new Form1Driver;
}

void TestZoomProbe::cleanup()
{
    delete form;
    form = nullptr;
}

void TestZoomProbe::reductionSamplesWithTheXRate()
{
    load(positions(500, 400)); // previewed at its own size
    form->rate(Axis::X)->setValue(5);
    form->rate(Axis::Y)->setValue(10);
    const QSizeF red = outer(form->plane(View::Red)), green = outer(form->plane(View::Green));
    form->button(Button::Reduction)->click();
    QCOMPARE(outer(form->plane(View::Blue)), QSizeF(520.0f / 5, 420.0f / 5));
    QCOMPARE(outer(form->plane(View::Red)), red);
    QCOMPARE(outer(form->plane(View::Green)), green);
    // Output (i, j) is preview pixel (5 (i - 1), 5 (j - 1)).
    for (int j = 1; j < form->plane(View::Blue)->ScaleHeight(); j += 7)
        for (int i = 1; i < form->plane(View::Blue)->ScaleWidth(); i += 7)
            QCOMPARE(form->plane(View::Blue)->Point(i, j),
                     RGB((5 * (i - 1)) & 255, (5 * (j - 1)) & 255, 77));
}

void TestZoomProbe::reductionKeepsWhatItDoesNotWrite()
{
    load(testpics::solid(500, 500, QColor(10, 20, 30)));
    form->button(Button::Rgb)->click();
    const Colour red = form->plane(View::Red)->Point(40, 40);
    form->plane(View::Blue)->PSet(0, 0, RGB(9, 9, 9));
    form->button(Button::Reduction)->click();
    QCOMPARE(form->plane(View::Blue)->Point(0, 0), RGB(9, 9, 9)); // row 0 and column 0 stay
    QCOMPARE(form->plane(View::Blue)->Point(50, 50), RGB(10, 20, 30));
    QCOMPARE(form->plane(View::Red)->Point(40, 40), red);
}

void TestZoomProbe::viewSizes_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSizeF>("view");
    QTest::newRow("landscape") << QSize(640, 480)
                               << QSizeF(280, 280.0f * ((395.0f / 3) / (520.0f / 3)));
    QTest::newRow("portrait") << QSize(480, 640)
                              << QSizeF(280.0f * ((395.0f / 3) / (520.0f / 3)), 280);
    QTest::newRow("square") << QSize(300, 300) << QSizeF(280, 280);
}

void TestZoomProbe::viewSizes()
{
    QFETCH(QSize, picture);
    QFETCH(QSizeF, view);
    load(testpics::solid(picture.width(), picture.height(), Qt::red));
    for (auto *option : {form->zoomOption(Channel::Red), form->zoomOption(Channel::Green),
                         form->zoomOption(Channel::Blue)}) {
        option->click();
        QCOMPARE(outer(form->plane(View::Zoom)), view);
        QCOMPARE(form->plane(View::Zoom)->geometry().topLeft(), QPoint(544, 296));
    }
    QVERIFY(std::abs(view.width() - 212.69) < 0.01 || std::abs(view.height() - 212.69) < 0.01 ||
            view == QSizeF(280, 280));
}

void TestZoomProbe::viewRepeatsThePlanePixels()
{
    load(positions(250, 200));
    form->rate(Axis::X)->setValue(4);
    form->rate(Axis::Y)->setValue(3);
    form->button(Button::Rgb)->click();
    form->zoomOption(Channel::Green)->click();
    const PictureBox *plane = form->plane(View::Green);
    const PictureBox *view = form->plane(View::Zoom);
    const int sw = plane->ScaleWidth(), sh = plane->ScaleHeight();
    const int dw = view->ScaleWidth(), dh = view->ScaleHeight();
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x)
            QCOMPARE(view->Point(x, y),
                     plane->Point(int((x + 0.5) * sw / dw), int((y + 0.5) * sh / dh)));
}

void TestZoomProbe::beforeAnyScanTheViewShowsTheBackground()
{
    form->zoomOption(Channel::Red)->click();
    QCOMPARE(outer(form->plane(View::Zoom)), QSizeF(280, 280.0f * 169 / 217));
    QCOMPARE(form->plane(View::Zoom)->Point(100, 100), form->plane(View::Red)->BackColor());
}

void TestZoomProbe::unevenStretchAfterAReduction()
{
    load(testpics::solid(500, 375, Qt::white));
    form->rate(Axis::Y)->setValue(6);
    form->button(Button::Rgb)->click();
    form->button(Button::Reduction)->click();
    QCOMPARE(outer(form->plane(View::Blue)), QSizeF(520.0f / 3, 395.0f / 3));
    QCOMPARE(outer(form->plane(View::Green)), QSizeF(520.0f / 3, 395.0f / 6));
    form->zoomOption(Channel::Green)->click();
    QCOMPARE(outer(form->plane(View::Zoom)), QSizeF(280, (395.0f / 3) / (520.0f / 3) * 280));
    // The green plane's rows are stretched about twice as much as its columns.
    const double sx =
        double(form->plane(View::Zoom)->ScaleWidth()) / form->plane(View::Green)->ScaleWidth();
    const double sy =
        double(form->plane(View::Zoom)->ScaleHeight()) / form->plane(View::Green)->ScaleHeight();
    QVERIFY(sy / sx > 1.8 && sy / sx < 2.2);
    form->zoomOption(Channel::Blue)->click(); // the reduced picture, enlarged
    QCOMPARE(form->plane(View::Zoom)->Point(100, 100), RGB(255, 255, 255));
}

void TestZoomProbe::probeReadsThePixelUnderThePointer()
{
    form->plane(View::Red)->PSet(10, 10, RGB(200, 0, 0));
    form->plane(View::Red)->PSet(11, 10, RGB(1, 2, 3));
    form->plane(View::Red)->PSet(12, 10, RGB(255, 255, 255));
    form->plane(View::Red)->PSet(13, 10, RGB(0, 0, 0));
    mouse(form->plane(View::Red), QEvent::MouseMove, overPixel(form->plane(View::Red), 10, 10));
    QCOMPARE(form->probe(Channel::Red)->Caption(), QStringLiteral("200"));
    QCOMPARE(form->probe(Channel::Green)->Caption(), QStringLiteral("0"));
    QCOMPARE(form->probe(Channel::Blue)->Caption(), QStringLiteral("0"));
    // Fractional positions, as scaled screens report them, read the pixel they lie in.
    form->moveOver(Channel::Red, 11.7f, 10.5f);
    QCOMPARE(form->probe(Channel::Blue)->Caption(), QStringLiteral("3"));
    form->moveOver(Channel::Red, 11, 10);
    QCOMPARE(form->probe(Channel::Blue)->Caption(), QStringLiteral("3"));
    QCOMPARE(form->probe(Channel::Green)->Caption(), QStringLiteral("2"));
    QCOMPARE(form->probe(Channel::Red)->Caption(), QStringLiteral("1"));
    form->moveOver(Channel::Red, 12, 10); // a button or shift held makes no difference
    QCOMPARE(form->probe(Channel::Blue)->Caption(), QStringLiteral("255"));
    QCOMPARE(form->probe(Channel::Red)->Caption(), QStringLiteral("255"));
    form->moveOver(Channel::Red, 13, 10);
    QCOMPARE(form->probe(Channel::Green)->Caption(), QStringLiteral("0"));
}

void TestZoomProbe::probeLeavesReadoutsAloneOverTheBorder()
{
    form->plane(View::Green)->PSet(0, 0, RGB(7, 8, 9));
    form->moveOver(Channel::Green, 0, 0);
    QCOMPARE(form->probe(Channel::Red)->Caption(), QStringLiteral("7"));
    form->moveOver(Channel::Green, -1, -1); // on the border
    form->moveOver(Channel::Green, 500, 3);
    QCOMPARE(form->probe(Channel::Red)->Caption(), QStringLiteral("7"));
    QCOMPARE(form->probe(Channel::Blue)->Caption(), QStringLiteral("9"));
}

void TestZoomProbe::clickTakesTheReadoutAsMinimum()
{
    form->plane(View::Red)->PSet(10, 10, RGB(200, 0, 0));
    form->plane(View::Blue)->PSet(5, 5, RGB(30, 60, 90));
    mouse(form->plane(View::Red), QEvent::MouseMove, overPixel(form->plane(View::Red), 20, 20));
    mouse(form->plane(View::Red), QEvent::MouseMove, overPixel(form->plane(View::Red), 10, 10));
    QCOMPARE(form->probe(Channel::Red)->Caption(), QStringLiteral("200"));
    mouse(form->plane(View::Red), QEvent::MouseButtonPress,
          overPixel(form->plane(View::Red), 10, 10));
    mouse(form->plane(View::Red), QEvent::MouseButtonRelease,
          overPixel(form->plane(View::Red), 10, 10));
    QCOMPARE(form->bar(Channel::Red, Bound::Minimum)->Value(), 200);
    QCOMPARE(form->bar(Channel::Red, Bound::Maximum)->Min(), 200);
    QCOMPARE(form->swatch(Bound::Minimum)->BackColor(), RGB(200, 128, 128));

    // A click takes whatever the plane's readout holds, even from a move over another plane.
    form->moveOver(Channel::Blue, 5, 5);
    form->clickPlane(Channel::Green);
    QCOMPARE(form->bar(Channel::Green, Bound::Minimum)->Value(), 60);
    form->clickPlane(Channel::Red);
    QCOMPARE(form->bar(Channel::Red, Bound::Minimum)->Value(), 30);

    // A click that gives the current value runs nothing.
    form->bar(Channel::Green, Bound::Maximum)->setValue(150);
    QSignalSpy changed(form->bar(Channel::Green, Bound::Minimum), &QScrollBar::valueChanged);
    form->clickPlane(Channel::Green);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(form->bar(Channel::Green, Bound::Maximum)->Value(), 150);
}

QTEST_MAIN(TestZoomProbe)
#include "tst_zoom_probe.moc"
