// The two scan commands end to end: load a picture, press the button, read the planes.
#include "app/form1.h"
#include "support/pictures.h"
#include "support/referencescan.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace platform;
using namespace core;

class TestScanCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void statusLineAndZoomBoxDuringAScan();
    void uniformPictureInBothModes();
    void gridStartsAtThePreview();
    void planesEqualThePlainScanOfTheWindow_data();
    void planesEqualThePlainScanOfTheWindow();
    void typedSelectionTypeGivesBlackPlanes();
    void planesAreResizedAndNotCleared();

private:
    void load(const QImage &img)
    {
        testpics::load(*form, testpics::write(dir_, QStringLiteral("p.png"), img));
    }
    Form1 *form = nullptr;
    QTemporaryDir dir_;
};

void TestScanCommands::init()
{
    form = new Form1;
    testpics::start(*form);
}

void TestScanCommands::cleanup()
{
    delete form;
    form = nullptr;
}

void TestScanCommands::statusLineAndZoomBoxDuringAScan()
{
    load(testpics::solid(500, 500, QColor(200, 100, 50)));
    form->Command1->click();
    form->Option1->click();
    QCOMPARE(form->Immagine->Point(10, 10), RGB(200, 0, 0));
    QSignalSpy optionClicks(form->Option1, &QRadioButton::clicked);
    QString during;
    Colour duringColour = 0;
    // Runs in the command's first yield, before the scan.
    QTimer::singleShot(0, form, [&] {
        during = form->Label23->Caption();
        duringColour = form->Label23->ForeColor();
    });
    form->Command7->click();
    QCOMPARE(during, QStringLiteral(" Working... "));
    QCOMPARE(duringColour, RGB(255, 0, 0));
    QCOMPARE(form->Label23->Caption(), QStringLiteral("Process complete."));
    QCOMPARE(form->Label23->ForeColor(), RGB(0, 0, 255));
    for (auto *option : {form->Option1, form->Option2, form->Option3})
        QVERIFY(!option->isChecked());
    QCOMPARE(optionClicks.count(), 0);
    QCOMPARE(form->Immagine->Point(10, 10), form->Immagine->BackColor());
}

void TestScanCommands::uniformPictureInBothModes()
{
    load(testpics::solid(500, 500, QColor(200, 100, 50)));
    form->Command1->click();
    // Interior blocks only: the last column and row reach past the preview.
    for (int i = 1; i <= 166; i += 15) {
        QCOMPARE(form->Picture4->Point(i, 166 - i + 1), RGB(200, 0, 0));
        QCOMPARE(form->Picture3->Point(i, i), RGB(0, 100, 0));
        QCOMPARE(form->Picture2->Point(i, i), RGB(0, 0, 50));
    }
    form->Command7->click();
    for (int i = 1; i <= 166; i += 15) {
        QCOMPARE(form->Picture4->Point(i, i), RGB(128, 0, 0));
        QCOMPARE(form->Picture3->Point(i, i), RGB(192, 192, 192));
        QCOMPARE(form->Picture2->Point(i, i), RGB(192, 192, 192));
    }
    form->Combo2->setListIndex(3);
    form->Command1->click();
    QCOMPARE(form->Picture4->Point(50, 50), RGB(0, 0, 0));
}

void TestScanCommands::gridStartsAtThePreview()
{
    // Top half red, bottom half blue: the first block row holds the picture's top rows and
    // the last full block row its bottom rows, not the window above it.
    load(testpics::split(500, 500, Qt::red, Qt::blue));
    form->Command1->click();
    QCOMPARE(form->Picture4->Point(1, 1), RGB(255, 0, 0));
    QCOMPARE(form->Picture2->Point(1, 1), RGB(0, 0, 0));
    QCOMPARE(form->Picture2->Point(80, 166), RGB(0, 0, 255));
    QCOMPARE(form->Picture4->Point(80, 166), RGB(0, 0, 0));
    QCOMPARE(form->Picture4->Point(80, 83), RGB(255, 0, 0)); // rows 246..248
    QCOMPARE(form->Picture2->Point(80, 84), RGB(0, 0, 170)); // rows 249..251: 249 is red
    QCOMPARE(form->Picture4->Point(80, 84), RGB(85, 0, 0));
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
    form->HScroll4->setValue(rx);
    form->HScroll8->setValue(ry);
    form->Combo2->setListIndex(type);
    form->HScroll1->setValue(60);
    form->HScroll5->setValue(220);

    scan::ScanParams p;
    p.iw = form->Image1->Width();
    p.ih = form->Image1->Height();
    p.originX = 17, p.originY = 65;
    p.rx = rx, p.ry = ry, p.sel = type, p.threshold = threshold;
    p.red = {form->HScroll2->Value(), form->HScroll5->Value()};
    p.green = {form->HScroll1->Value(), form->HScroll6->Value()};
    p.blue = {form->HScroll3->Value(), form->HScroll7->Value()};
    const ColourSurface window = readSurface(testpics::capture(*form), QRect(0, 0, 1120, 584));
    const scan::ScanPlanes expected = referenceScan(window, p);

    threshold ? form->Command7->click() : form->Command1->click();
    QCOMPARE(form->Picture4->Width(), (p.iw + 20) / rx);
    QCOMPARE(form->Picture4->Height(), (p.ih + 20) / ry);
    for (int by = 0; by < expected.ny; ++by)
        for (int bx = 0; bx < expected.nx; ++bx) {
            const std::size_t at = std::size_t(by) * expected.nx + bx;
            if (bx + 1 >= form->Picture4->ScaleWidth() || by + 1 >= form->Picture4->ScaleHeight())
                continue; // past the plane's interior: drawn nowhere
            QCOMPARE(form->Picture4->Point(bx + 1, by + 1), expected.red[at]);
            QCOMPARE(form->Picture3->Point(bx + 1, by + 1), expected.green[at]);
            QCOMPARE(form->Picture2->Point(bx + 1, by + 1), expected.blue[at]);
        }
}

void TestScanCommands::typedSelectionTypeGivesBlackPlanes()
{
    load(testpics::solid(300, 300, Qt::white));
    form->show();
    QTest::keyClicks(form->Combo2->lineEdit(), QStringLiteral("x"));
    QCOMPARE(form->Combo2->ListIndex(), -1);
    form->Command1->click();
    QCOMPARE(form->Picture4->Point(20, 20), RGB(0, 0, 0));
    QCOMPARE(form->Picture2->Point(20, 20), RGB(0, 0, 0));
    form->Command7->click();
    QCOMPARE(form->Picture3->Point(20, 20), RGB(192, 192, 192));
}

void TestScanCommands::planesAreResizedAndNotCleared()
{
    load(testpics::solid(500, 375, Qt::white));
    form->Picture3->PSet(0, 0, RGB(1, 2, 3));
    form->HScroll8->setValue(5);
    form->Picture3->setHeight(20); // anything else: the scan sizes the planes itself
    form->Command1->click();
    QCOMPARE(form->Picture3->Width(), 520.0f / 3);
    QCOMPARE(form->Picture3->Height(), 395.0f / 5);
    QCOMPARE(form->Picture3->Point(0, 0), RGB(1, 2, 3)); // row 0 and column 0 are never drawn
}

QTEST_MAIN(TestScanCommands)
#include "tst_scan_commands.moc"
