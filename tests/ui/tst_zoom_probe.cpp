// The pixel reduction, the zoom box and the colour probe, through the real widgets.
#include "app/form1.h"
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
        testpics::load(*form, testpics::write(dir_, QStringLiteral("p.png"), img));
    }
    Form1 *form = nullptr;
    QTemporaryDir dir_;
};

void TestZoomProbe::init()
{
    form = new Form1;
    testpics::start(*form);
}

void TestZoomProbe::cleanup()
{
    delete form;
    form = nullptr;
}

void TestZoomProbe::reductionSamplesWithTheXRate()
{
    load(positions(500, 400)); // previewed at its own size
    form->HScroll4->setValue(5);
    form->HScroll8->setValue(10);
    const QSizeF red = outer(form->Picture4), green = outer(form->Picture3);
    form->Command3->click();
    QCOMPARE(outer(form->Picture2), QSizeF(520.0f / 5, 420.0f / 5));
    QCOMPARE(outer(form->Picture4), red);
    QCOMPARE(outer(form->Picture3), green);
    // Output (i, j) is preview pixel (5 (i - 1), 5 (j - 1)).
    for (int j = 1; j < form->Picture2->ScaleHeight(); j += 7)
        for (int i = 1; i < form->Picture2->ScaleWidth(); i += 7)
            QCOMPARE(form->Picture2->Point(i, j),
                     RGB((5 * (i - 1)) & 255, (5 * (j - 1)) & 255, 77));
}

void TestZoomProbe::reductionKeepsWhatItDoesNotWrite()
{
    load(testpics::solid(500, 500, QColor(10, 20, 30)));
    form->Command1->click();
    const Colour red = form->Picture4->Point(40, 40);
    form->Picture2->PSet(0, 0, RGB(9, 9, 9));
    form->Command3->click();
    QCOMPARE(form->Picture2->Point(0, 0), RGB(9, 9, 9)); // row 0 and column 0 stay
    QCOMPARE(form->Picture2->Point(50, 50), RGB(10, 20, 30));
    QCOMPARE(form->Picture4->Point(40, 40), red);
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
    for (auto *option : {form->Option1, form->Option2, form->Option3}) {
        option->click();
        QCOMPARE(outer(form->Immagine), view);
        QCOMPARE(form->Immagine->geometry().topLeft(), QPoint(544, 296));
    }
    QVERIFY(std::abs(view.width() - 212.69) < 0.01 || std::abs(view.height() - 212.69) < 0.01 ||
            view == QSizeF(280, 280));
}

void TestZoomProbe::viewRepeatsThePlanePixels()
{
    load(positions(250, 200));
    form->HScroll4->setValue(4);
    form->HScroll8->setValue(3);
    form->Command1->click();
    form->Option2->click();
    const PictureBox *plane = form->Picture3;
    const PictureBox *view = form->Immagine;
    const int sw = plane->ScaleWidth(), sh = plane->ScaleHeight();
    const int dw = view->ScaleWidth(), dh = view->ScaleHeight();
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x)
            QCOMPARE(view->Point(x, y),
                     plane->Point(int((x + 0.5) * sw / dw), int((y + 0.5) * sh / dh)));
}

void TestZoomProbe::beforeAnyScanTheViewShowsTheBackground()
{
    form->Option1->click();
    QCOMPARE(outer(form->Immagine), QSizeF(280, 280.0f * 169 / 217));
    QCOMPARE(form->Immagine->Point(100, 100), form->Picture4->BackColor());
}

void TestZoomProbe::unevenStretchAfterAReduction()
{
    load(testpics::solid(500, 375, Qt::white));
    form->HScroll8->setValue(6);
    form->Command1->click();
    form->Command3->click();
    QCOMPARE(outer(form->Picture2), QSizeF(520.0f / 3, 395.0f / 3));
    QCOMPARE(outer(form->Picture3), QSizeF(520.0f / 3, 395.0f / 6));
    form->Option2->click();
    QCOMPARE(outer(form->Immagine), QSizeF(280, (395.0f / 3) / (520.0f / 3) * 280));
    // The green plane's rows are stretched about twice as much as its columns.
    const double sx = double(form->Immagine->ScaleWidth()) / form->Picture3->ScaleWidth();
    const double sy = double(form->Immagine->ScaleHeight()) / form->Picture3->ScaleHeight();
    QVERIFY(sy / sx > 1.8 && sy / sx < 2.2);
    form->Option3->click(); // the reduced picture, enlarged
    QCOMPARE(form->Immagine->Point(100, 100), RGB(255, 255, 255));
}

void TestZoomProbe::probeReadsThePixelUnderThePointer()
{
    form->Picture4->PSet(10, 10, RGB(200, 0, 0));
    form->Picture4->PSet(11, 10, RGB(1, 2, 3));
    form->Picture4->PSet(12, 10, RGB(255, 255, 255));
    form->Picture4->PSet(13, 10, RGB(0, 0, 0));
    mouse(form->Picture4, QEvent::MouseMove, overPixel(form->Picture4, 10, 10));
    QCOMPARE(form->Label29->Caption(), QStringLiteral("200"));
    QCOMPARE(form->Label28->Caption(), QStringLiteral("0"));
    QCOMPARE(form->Label27->Caption(), QStringLiteral("0"));
    // Fractional positions, as scaled screens report them, read the pixel they lie in.
    form->Picture4_MouseMove(0, 0, 11.7f, 10.5f);
    QCOMPARE(form->Label27->Caption(), QStringLiteral("3"));
    form->Picture4_MouseMove(0, 0, 11, 10);
    QCOMPARE(form->Label27->Caption(), QStringLiteral("3"));
    QCOMPARE(form->Label28->Caption(), QStringLiteral("2"));
    QCOMPARE(form->Label29->Caption(), QStringLiteral("1"));
    form->Picture4_MouseMove(1, 1, 12, 10); // a button or shift held makes no difference
    QCOMPARE(form->Label27->Caption(), QStringLiteral("255"));
    QCOMPARE(form->Label29->Caption(), QStringLiteral("255"));
    form->Picture4_MouseMove(0, 0, 13, 10);
    QCOMPARE(form->Label28->Caption(), QStringLiteral("0"));
}

void TestZoomProbe::probeLeavesReadoutsAloneOverTheBorder()
{
    form->Picture3->PSet(0, 0, RGB(7, 8, 9));
    form->Picture3_MouseMove(0, 0, 0, 0);
    QCOMPARE(form->Label29->Caption(), QStringLiteral("7"));
    form->Picture3_MouseMove(0, 0, -1, -1); // on the border
    form->Picture3_MouseMove(0, 0, 500, 3);
    QCOMPARE(form->Label29->Caption(), QStringLiteral("7"));
    QCOMPARE(form->Label27->Caption(), QStringLiteral("9"));
}

void TestZoomProbe::clickTakesTheReadoutAsMinimum()
{
    form->Picture4->PSet(10, 10, RGB(200, 0, 0));
    form->Picture2->PSet(5, 5, RGB(30, 60, 90));
    mouse(form->Picture4, QEvent::MouseMove, overPixel(form->Picture4, 20, 20));
    mouse(form->Picture4, QEvent::MouseMove, overPixel(form->Picture4, 10, 10));
    QCOMPARE(form->Label29->Caption(), QStringLiteral("200"));
    mouse(form->Picture4, QEvent::MouseButtonPress, overPixel(form->Picture4, 10, 10));
    mouse(form->Picture4, QEvent::MouseButtonRelease, overPixel(form->Picture4, 10, 10));
    QCOMPARE(form->HScroll2->Value(), 200);
    QCOMPARE(form->HScroll5->Min(), 200);
    QCOMPARE(form->Shape2->BackColor(), RGB(200, 128, 128));

    // A click takes whatever the plane's readout holds, even from a move over another plane.
    form->Picture2_MouseMove(0, 0, 5, 5);
    form->Picture3_Click();
    QCOMPARE(form->HScroll1->Value(), 60);
    form->Picture4_Click();
    QCOMPARE(form->HScroll2->Value(), 30);

    // A click that gives the current value runs nothing.
    form->HScroll6->setValue(150);
    QSignalSpy changed(form->HScroll1, &QScrollBar::valueChanged);
    form->Picture3_Click();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(form->HScroll6->Value(), 150);
}

QTEST_MAIN(TestZoomProbe)
#include "tst_zoom_probe.moc"
