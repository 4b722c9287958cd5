// The main window as it is created and started.
#include "app/layout.h"
#include "platform/scrollingwindow.h"
#include "support/form1driver.h"
#include "support/pictures.h"

#include <QCoreApplication>
#include <QScrollBar>
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
    Form1Driver form;
    QList<QWidget *> stops;
    for (QWidget *w : form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible())
            continue;
        stops << w;
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }
    // Lists, buttons, bars, options, Overlap, Live, the planes, the zoom box.
    QCOMPARE(stops.size(), 25);
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
    QCOMPARE(form.plane(View::Red)->accessibleName(), QStringLiteral("Red plane"));
    QCOMPARE(form.bar(Channel::Red, Bound::Minimum)->accessibleName(),
             QStringLiteral("Red minimum threshold"));
    QCOMPARE(form.probe(Channel::Red)->buddy(), form.plane(View::Red));
    QCOMPARE(form.probe(Channel::Blue)->buddy(), form.plane(View::Blue));
}

void TestForm1Startup::windowItself()
{
    Form1Driver form;
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

    // Smaller than its layout, the program's window scrolls; the layout stays as it is, and
    // the window goes with the form's Quit.
    auto *inside = new Form1Driver(Form1Driver::Start::Created);
    platform::ScrollingWindow window(inside);
    QCOMPARE(window.windowTitle(), form.windowTitle());
    window.resize(800, 500);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(window.horizontalScrollBar()->isVisible());
    QVERIFY(window.verticalScrollBar()->isVisible());
    QVERIFY(inside->width() >= 1120 && inside->height() >= 584);
    QCOMPARE(inside->button(Button::Rgb)->geometry(), QRect(792, 16, 57, 25));
    inside->close();
    QTRY_VERIFY(!window.isVisible());
}

void TestForm1Startup::controlsAtTheirDesignPlaces_data()
{
    QTest::addColumn<int>("row");
    const std::span<const layout::Control> table = layout::form1Controls();
    for (std::size_t i = 0; i < table.size(); ++i)
        QTest::newRow(table[i].name) << static_cast<int>(i);
}

// Each control is where the layout table puts it, with its caption; the table's places are the
// design's whole pixels.
void TestForm1Startup::controlsAtTheirDesignPlaces()
{
    QFETCH(int, row);
    const layout::Control &c = layout::form1Controls()[static_cast<std::size_t>(row)];
    Form1Driver form(Form1Driver::Start::Created);
    auto *control = form.findChild<QWidget *>(QLatin1String(c.name));
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), &form);
    if (c.kind == layout::Kind::Dialog) {
        QVERIFY(control->isHidden());
        return;
    }
    QVERIFY(!control->toolTip().isEmpty());
    QCOMPARE(control->geometry(), QRectF(c.left, c.top, c.width, c.height).toRect());
    const QString caption = QString::fromLatin1(c.caption);
    if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), caption);
    else if (auto *button = qobject_cast<QAbstractButton *>(control))
        QCOMPARE(button->text(), caption);
    else if (auto *list = qobject_cast<QComboBox *>(control))
        QCOMPARE(list->currentText(), caption);
}

void TestForm1Startup::captionsAndFonts()
{
    Form1Driver form(Form1Driver::Start::Created);
    QCOMPARE(form.button(Button::About)->text(), QStringLiteral("Abuot  Tintara"));
    QCOMPARE(form.control<Label>("Label3")->Caption(), QStringLiteral("BLU /  Reduction"));
    QCOMPARE(form.status()->Caption(), QStringLiteral("Process complete"));
    QCOMPARE(form.typeList()->Text(), QStringLiteral("Combo2"));
    QCOMPARE(form.sizeList()->ListCount(), 0);
    QVERIFY(form.control<Label>("Label19")->font().bold());
    QCOMPARE(form.control<Label>("Label19")->font().pixelSize(), 13);
    QCOMPARE(form.button(Button::Load)->font().pixelSize(), 11);
    QVERIFY(!form.button(Button::Load)->font().bold());
    QCOMPARE(form.button(Button::About)->font().pixelSize(), 13);
    QCOMPARE(form.control<Label>("Label10")->font().pixelSize(), 11);
    QVERIFY(form.control<Label>("Label10")->font().bold());
    QCOMPARE(form.control<Label>("Label19")->ForeColor(),
             fromQColor(form.palette().color(QPalette::Highlight)));
    QCOMPARE(form.control<Label>("Label2")->ForeColor(), RGB(255, 0, 0));
    QCOMPARE(form.probe(Channel::Green)->ForeColor(), RGB(0, 192, 0));
    QCOMPARE(form.probe(Channel::Blue)->ForeColor(), RGB(0, 0, 192));
    QCOMPARE(form.zoomOption(Channel::Green)->palette().color(QPalette::WindowText),
             QColor(0, 128, 0));
    QCOMPARE(form.zoomOption(Channel::Blue)->palette().color(QPalette::Window),
             QColor(255, 255, 255));
    QCOMPARE(form.sizeList()->palette().color(QPalette::Base), QColor(192, 192, 255));
    QCOMPARE(form.previewFrame()->BorderColor(), RGB(0, 0, 255));
}

void TestForm1Startup::createdStateBeforeStartUp()
{
    Form1Driver form(Form1Driver::Start::Created);
    for (HScrollBar *bar :
         {form.bar(Channel::Green, Bound::Minimum), form.bar(Channel::Red, Bound::Minimum),
          form.bar(Channel::Blue, Bound::Minimum), form.bar(Channel::Red, Bound::Maximum),
          form.bar(Channel::Green, Bound::Maximum), form.bar(Channel::Blue, Bound::Maximum)}) {
        QCOMPARE(bar->Value(), 0);
        QCOMPARE(bar->Min(), 0);
        QCOMPARE(bar->Max(), 255);
        QCOMPARE(bar->SmallChange(), 1);
        QCOMPARE(bar->LargeChange(), 20);
    }
    QCOMPARE(form.swatch(Bound::Minimum)->BackColor(), Colour(0xC0C0FF));
    QCOMPARE(form.swatch(Bound::Maximum)->BackColor(), Colour(0xC0C0FF));
    QCOMPARE(form.readout(Channel::Red, Bound::Minimum)->Caption(), QStringLiteral("0"));
    QCOMPARE(form.rate(Axis::X)->Value(), 3);
    QCOMPARE(form.rate(Axis::X)->LargeChange(), 1);
}

void TestForm1Startup::startUpSequence()
{
    Form1Driver form;
    QCOMPARE(form.sizeList()->Text(), QStringLiteral("500"));
    QCOMPARE(form.sizeList()->ListIndex(), 3);
    QCOMPARE(form.typeList()->Text(), QStringLiteral("Media"));
    QCOMPARE(form.typeList()->ListIndex(), 0);
    QCOMPARE(form.typeList()->ListCount(), 4);
    QCOMPARE(form.typeList()->itemText(3), QStringLiteral("Massimo-minimo"));
    QCOMPARE(form.previewFrame()->geometry(), QRect(8, 56, 520, 520));
    for (HScrollBar *bar :
         {form.bar(Channel::Green, Bound::Minimum), form.bar(Channel::Red, Bound::Minimum),
          form.bar(Channel::Blue, Bound::Minimum)})
        QCOMPARE(bar->Value(), 128);
    for (HScrollBar *bar :
         {form.bar(Channel::Red, Bound::Maximum), form.bar(Channel::Green, Bound::Maximum),
          form.bar(Channel::Blue, Bound::Maximum)}) {
        QCOMPARE(bar->Value(), 255);
        QCOMPARE(bar->Min(), 128);
        QCOMPARE(bar->Max(), 255);
    }
    for (Label *l :
         {form.readout(Channel::Green, Bound::Minimum), form.readout(Channel::Red, Bound::Minimum),
          form.readout(Channel::Blue, Bound::Minimum)})
        QCOMPARE(l->Caption(), QStringLiteral("128"));
    for (Label *l :
         {form.readout(Channel::Red, Bound::Maximum), form.readout(Channel::Green, Bound::Maximum),
          form.readout(Channel::Blue, Bound::Maximum)})
        QCOMPARE(l->Caption(), QStringLiteral("255"));
    QCOMPARE(form.swatch(Bound::Minimum)->BackColor(), RGB(128, 128, 128));
    QCOMPARE(form.swatch(Bound::Maximum)->BackColor(), RGB(255, 255, 255));
    QCOMPARE(form.rateCaption(Axis::X)->Caption(), QStringLiteral("Rate x 1: 3"));
    QCOMPARE(form.rateCaption(Axis::Y)->Caption(), QStringLiteral("Rate y 1: 3"));
    for (Label *l :
         {form.probe(Channel::Blue), form.probe(Channel::Green), form.probe(Channel::Red)})
        QCOMPARE(l->Caption(), QStringLiteral("0"));
    QCOMPARE(form.status()->Caption(), QStringLiteral("Process complete"));
    QCOMPARE(form.dialog()->InitDir(), QCoreApplication::applicationDirPath());
    QVERIFY(form.preview()->Picture().isNull());
    QCOMPARE(form.plane(View::Blue)->geometry(),
             QRect(872, 408, 217, 169)); // not sized at start-up
    for (auto *option : {form.zoomOption(Channel::Red), form.zoomOption(Channel::Green),
                         form.zoomOption(Channel::Blue)})
        QVERIFY(!option->isChecked());
}

void TestForm1Startup::frameSizeDuringStartUp()
{
    Form1Driver form(Form1Driver::Start::Created);
    QList<float> seen;
    // Connected after the window's own handler, so it sees what Combo1_Click left: the frame
    // fitted while the gap is still 0, widened by it only afterwards.
    connect(form.sizeList(), &ComboBox::Click, &form,
            [&] { seen << form.previewFrame()->Width(); });
    form.Form_Load();
    QCOMPARE(seen, QList<float>{500.0f});
    QCOMPARE(form.previewFrame()->Width(), 520.0f);
    QCOMPARE(form.previewFrame()->Height(), 520.0f);
}

void TestForm1Startup::pointReadsTheRenderedWindow()
{
    Form1Driver form;
    QCOMPARE(form.Point(680, 72), RGB(128, 128, 128)); // inside the minimum swatch
    QCOMPARE(form.Point(824, 72), RGB(255, 255, 255)); // inside the maximum swatch
    QCOMPARE(form.Point(8, 300), RGB(0, 0, 255));      // the preview frame's left edge
    QCOMPARE(form.Point(-1, 10), NoColour);
    QCOMPARE(form.Point(1120, 10), NoColour);
    QCOMPARE(form.Point(10, 584), NoColour);
}

void TestForm1Startup::clearErasesOnlyThePlanes()
{
    Form1Driver form;
    const QImage before = testpics::capture(form);
    form.button(Button::Clear)->click(); // before any scan: nothing visible changes
    QCOMPARE(testpics::capture(form), before);

    for (PictureBox *plane :
         {form.plane(View::Blue), form.plane(View::Green), form.plane(View::Red)})
        plane->PSet(5, 5, RGB(9, 9, 9));
    form.plane(View::Zoom)->PSet(5, 5, RGB(9, 9, 9));
    const QRectF size = QRectF(form.plane(View::Green)->Left(), form.plane(View::Green)->Top(),
                               form.plane(View::Green)->Width(), form.plane(View::Green)->Height());
    form.button(Button::Clear)->click();
    for (PictureBox *plane :
         {form.plane(View::Blue), form.plane(View::Green), form.plane(View::Red)})
        QCOMPARE(plane->Point(5, 5), plane->BackColor());
    QCOMPARE(form.plane(View::Zoom)->Point(5, 5), RGB(9, 9, 9));
    QCOMPARE(QRectF(form.plane(View::Green)->Left(), form.plane(View::Green)->Top(),
                    form.plane(View::Green)->Width(), form.plane(View::Green)->Height()),
             size);
    QCOMPARE(form.status()->Caption(), QStringLiteral("Process complete"));
}

QTEST_MAIN(TestForm1Startup)
#include "tst_form1_startup.moc"
