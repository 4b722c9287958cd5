// The main window as it is created and started.
#include "app/form1.h"
#include "support/pictures.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>

using namespace platform;
using namespace core;

class TestForm1Startup : public QObject {
    Q_OBJECT
private slots:
    void windowItself();
    void reachableByKeyboardAndAssistiveTechnology();
    void controlsAtTheirDesignPlaces_data();
    void controlsAtTheirDesignPlaces();
    void captionsAndFonts();
    void createdStateBeforeStartUp();
    void startUpSequence();
    void frameSizeDuringStartUp();
    void pointReadsTheRenderedWindow();
    void clearErasesOnlyThePlanes();
};

void TestForm1Startup::reachableByKeyboardAndAssistiveTechnology()
{
    Form1 form;
    testpics::start(form);
    QList<QWidget *> stops;
    for (QWidget *w : form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible())
            continue;
        stops << w;
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }
    QCOMPARE(stops.size(), 24); // lists, buttons, bars, options, Live, the planes, the zoom box
    // Tab from the first stop visits every other one in reading order.
    std::sort(stops.begin(), stops.end(), [](const QWidget *a, const QWidget *b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    QWidget *at = stops.constFirst();
    for (qsizetype i = 1; i < stops.size(); ++i) {
        do
            at = at->nextInFocusChain();
        while (!stops.contains(at));
        QCOMPARE(at->objectName(), stops[i]->objectName());
    }
    QCOMPARE(form.Picture4->accessibleName(), QStringLiteral("Red plane"));
    QCOMPARE(form.HScroll2->accessibleName(), QStringLiteral("Red minimum threshold"));
    QCOMPARE(form.Label29->buddy(), form.Picture4);
    QCOMPARE(form.Label27->buddy(), form.Picture2);
}

void TestForm1Startup::windowItself()
{
    Form1 form;
    QVERIFY(form.windowTitle().startsWith(QStringLiteral("Tintara 3.0   -  ")));
    QVERIFY(form.windowTitle().contains(QStringLiteral("example.org")));
    QCOMPARE(form.size(), QSize(1120, 584));
    // The user may resize the window; the controls keep their places.
    const QList<QWidget *> controls = form.findChildren<QWidget *>();
    QList<QRect> places;
    for (const QWidget *w : controls)
        places << w->geometry();
    form.resize(1400, 700);
    QCOMPARE(form.size(), QSize(1400, 700));
    for (qsizetype i = 0; i < controls.size(); ++i)
        QCOMPARE(controls[i]->geometry(), places[i]);
    QVERIFY(!form.windowIcon().pixmap(16, 16).isNull());
    QCOMPARE(form.objectName(), QStringLiteral("Form1"));
}

void TestForm1Startup::controlsAtTheirDesignPlaces_data()
{
    QTest::addColumn<QRect>("place");
    const std::pair<const char *, QRect> controls[] = {
        {"Label19", {16, 16, 81, 17}},      {"Combo1", {112, 16, 97, 24}},
        {"Command8", {216, 16, 73, 25}},    {"Command2", {296, 16, 65, 25}},
        {"Command4", {368, 16, 129, 25}},   {"Command7", {536, 16, 121, 25}},
        {"Command3", {664, 16, 121, 25}},   {"Command1", {792, 16, 57, 25}},
        {"Image1", {16, 64, 161, 89}},      {"Picture1", {40, 80, 97, 65}},
        {"Shape4", {536, 56, 312, 200}},    {"Label12", {560, 64, 105, 17}},
        {"Shape2", {664, 64, 33, 17}},      {"Label18", {704, 64, 97, 17}},
        {"Shape3", {808, 64, 33, 17}},      {"Label6", {544, 88, 17, 17}},
        {"HScroll2", {560, 88, 97, 17}},    {"Label14", {664, 88, 33, 17}},
        {"HScroll5", {704, 88, 97, 17}},    {"Label11", {808, 88, 33, 17}},
        {"Label7", {544, 104, 17, 17}},     {"HScroll1", {560, 104, 97, 17}},
        {"Label13", {664, 104, 33, 17}},    {"HScroll6", {704, 104, 97, 17}},
        {"Label16", {808, 104, 33, 17}},    {"Label8", {544, 120, 17, 17}},
        {"HScroll3", {560, 120, 97, 17}},   {"Label15", {664, 120, 33, 17}},
        {"HScroll7", {704, 120, 97, 17}},   {"Label17", {808, 120, 33, 17}},
        {"Label5", {576, 136, 17, 17}},     {"Label9", {632, 136, 25, 17}},
        {"Label21", {552, 168, 89, 17}},    {"HScroll4", {648, 168, 177, 17}},
        {"Label22", {552, 192, 97, 17}},    {"HScroll8", {648, 192, 177, 17}},
        {"Label4", {552, 224, 153, 17}},    {"Combo2", {720, 224, 105, 21}},
        {"Label23", {544, 272, 137, 17}},   {"Label10", {752, 272, 73, 17}},
        {"Immagine", {544, 296, 280, 280}}, {"Option1", {544, 296, 49, 17}},
        {"Option2", {592, 296, 49, 17}},    {"Option3", {640, 296, 41, 17}},
        {"CheckLive", {688, 272, 57, 17}},  {"Label2", {872, 8, 41, 17}},
        {"Label29", {920, 8, 41, 17}},      {"Picture4", {872, 24, 217, 169}},
        {"Label1", {872, 200, 57, 17}},     {"Label28", {936, 200, 41, 17}},
        {"Picture3", {872, 216, 217, 169}}, {"Label3", {872, 392, 129, 17}},
        {"Label27", {1008, 392, 41, 17}},   {"Picture2", {872, 408, 217, 169}},
    };
    for (const auto &[name, place] : controls)
        QTest::newRow(name) << place;
}

void TestForm1Startup::controlsAtTheirDesignPlaces()
{
    QFETCH(QRect, place);
    Form1 form;
    auto *control = form.findChild<QWidget *>(QLatin1String(QTest::currentDataTag()));
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), &form);
    QCOMPARE(control->geometry(), place);
}

void TestForm1Startup::captionsAndFonts()
{
    Form1 form;
    QCOMPARE(form.Command4->text(), QStringLiteral("Abuot  Tintara"));
    QCOMPARE(form.Command7->text(), QStringLiteral("THRESHOLD SCAN"));
    QCOMPARE(form.Command3->text(), QStringLiteral("PIXEL REDUCTION"));
    QCOMPARE(form.Label3->Caption(), QStringLiteral("BLU /  Reduction"));
    QCOMPARE(form.Label23->Caption(), QStringLiteral("Process complete"));
    QCOMPARE(form.Label12->Caption(), QStringLiteral("Min threshold :"));
    QCOMPARE(form.Combo2->Text(), QStringLiteral("Combo2"));
    QCOMPARE(form.Combo1->ListCount(), 0);
    QVERIFY(form.Label19->font().bold());
    QCOMPARE(form.Label19->font().pixelSize(), 13);
    QCOMPARE(form.Command8->font().pixelSize(), 11);
    QVERIFY(!form.Command8->font().bold());
    QCOMPARE(form.Command4->font().pixelSize(), 13);
    QCOMPARE(form.Label10->font().pixelSize(), 11);
    QVERIFY(form.Label10->font().bold());
    QCOMPARE(form.Label19->ForeColor(), fromQColor(form.palette().color(QPalette::Highlight)));
    QCOMPARE(form.Label2->ForeColor(), RGB(255, 0, 0));
    QCOMPARE(form.Label28->ForeColor(), RGB(0, 192, 0));
    QCOMPARE(form.Label27->ForeColor(), RGB(0, 0, 192));
    QCOMPARE(form.Option2->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    QCOMPARE(form.Option3->palette().color(QPalette::Window), QColor(255, 255, 255));
    QCOMPARE(form.Combo1->palette().color(QPalette::Base), QColor(192, 192, 255));
    QCOMPARE(form.Shape1->BorderColor(), RGB(0, 0, 255));
}

void TestForm1Startup::createdStateBeforeStartUp()
{
    Form1 form;
    QCOMPARE(form.margine, short(0));
    for (HScrollBar *bar : {form.HScroll1, form.HScroll2, form.HScroll3, form.HScroll5,
                            form.HScroll6, form.HScroll7}) {
        QCOMPARE(bar->Value(), 0);
        QCOMPARE(bar->Min(), 0);
        QCOMPARE(bar->Max(), 255);
        QCOMPARE(bar->SmallChange(), 1);
        QCOMPARE(bar->LargeChange(), 20);
    }
    QCOMPARE(form.Shape2->BackColor(), Colour(0xC0C0FF));
    QCOMPARE(form.Shape3->BackColor(), Colour(0xC0C0FF));
    QCOMPARE(form.Label14->Caption(), QStringLiteral("0"));
    QCOMPARE(form.HScroll4->Value(), 3);
    QCOMPARE(form.HScroll4->LargeChange(), 1);
}

void TestForm1Startup::startUpSequence()
{
    Form1 form;
    testpics::start(form);
    QCOMPARE(form.margine, short(10));
    QCOMPARE(form.Combo1->Text(), QStringLiteral("500"));
    QCOMPARE(form.Combo1->ListIndex(), 3);
    QCOMPARE(form.Combo2->Text(), QStringLiteral("Media"));
    QCOMPARE(form.Combo2->ListIndex(), 0);
    QCOMPARE(form.Combo2->ListCount(), 4);
    QCOMPARE(form.Combo2->itemText(3), QStringLiteral("Massimo-minimo"));
    QCOMPARE(form.Shape1->geometry(), QRect(8, 56, 520, 520));
    for (HScrollBar *bar : {form.HScroll1, form.HScroll2, form.HScroll3})
        QCOMPARE(bar->Value(), 128);
    for (HScrollBar *bar : {form.HScroll5, form.HScroll6, form.HScroll7}) {
        QCOMPARE(bar->Value(), 255);
        QCOMPARE(bar->Min(), 128);
        QCOMPARE(bar->Max(), 255);
    }
    for (Label *l : {form.Label13, form.Label14, form.Label15})
        QCOMPARE(l->Caption(), QStringLiteral("128"));
    for (Label *l : {form.Label11, form.Label16, form.Label17})
        QCOMPARE(l->Caption(), QStringLiteral("255"));
    QCOMPARE(form.Shape2->BackColor(), RGB(128, 128, 128));
    QCOMPARE(form.Shape3->BackColor(), RGB(255, 255, 255));
    QCOMPARE(form.Label21->Caption(), QStringLiteral("Rate x 1: 3"));
    QCOMPARE(form.Label22->Caption(), QStringLiteral("Rate y 1: 3"));
    for (Label *l : {form.Label27, form.Label28, form.Label29})
        QCOMPARE(l->Caption(), QStringLiteral("0"));
    QCOMPARE(form.Label23->Caption(), QStringLiteral("Process complete"));
    QCOMPARE(form.CD1->InitDir(), QCoreApplication::applicationDirPath());
    QVERIFY(form.Image1->Picture().isNull());
    QCOMPARE(form.Picture2->geometry(), QRect(872, 408, 217, 169)); // not sized at start-up
    for (auto *option : {form.Option1, form.Option2, form.Option3})
        QVERIFY(!option->isChecked());
}

void TestForm1Startup::frameSizeDuringStartUp()
{
    Form1 form;
    QList<std::pair<float, short>> seen;
    // Connected after the window's own handler, so it sees what Combo1_Click left.
    connect(form.Combo1, &ComboBox::Click, &form,
            [&] { seen << std::make_pair(form.Shape1->Width(), form.margine); });
    form.Form_Load();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].first, 500.0f);
    QCOMPARE(seen[0].second, short(0));
    QCOMPARE(form.Shape1->Width(), 520.0f);
    QCOMPARE(form.Shape1->Height(), 520.0f);
}

void TestForm1Startup::pointReadsTheRenderedWindow()
{
    Form1 form;
    testpics::start(form);
    QCOMPARE(form.Point(680, 72), RGB(128, 128, 128)); // inside the minimum swatch
    QCOMPARE(form.Point(824, 72), RGB(255, 255, 255)); // inside the maximum swatch
    QCOMPARE(form.Point(8, 300), RGB(0, 0, 255));      // the preview frame's left edge
    QCOMPARE(form.Point(-1, 10), NoColour);
    QCOMPARE(form.Point(1120, 10), NoColour);
    QCOMPARE(form.Point(10, 584), NoColour);
}

void TestForm1Startup::clearErasesOnlyThePlanes()
{
    Form1 form;
    testpics::start(form);
    const QImage before = testpics::capture(form);
    form.Command2->click(); // before any scan: nothing visible changes
    QCOMPARE(testpics::capture(form), before);

    for (PictureBox *plane : {form.Picture2, form.Picture3, form.Picture4})
        plane->PSet(5, 5, RGB(9, 9, 9));
    form.Immagine->PSet(5, 5, RGB(9, 9, 9));
    const QRectF size = QRectF(form.Picture3->Left(), form.Picture3->Top(), form.Picture3->Width(),
                               form.Picture3->Height());
    form.Command2->click();
    for (PictureBox *plane : {form.Picture2, form.Picture3, form.Picture4})
        QCOMPARE(plane->Point(5, 5), plane->BackColor());
    QCOMPARE(form.Immagine->Point(5, 5), RGB(9, 9, 9));
    QCOMPARE(QRectF(form.Picture3->Left(), form.Picture3->Top(), form.Picture3->Width(),
                    form.Picture3->Height()),
             size);
    QCOMPARE(form.Label23->Caption(), QStringLiteral("Process complete"));
}

QTEST_MAIN(TestForm1Startup)
#include "tst_form1_startup.moc"
