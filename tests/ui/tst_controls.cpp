// The platform's controls: the event semantics the window's handlers rely on.
#include "platform/buttons.h"
#include "platform/combobox.h"
#include "platform/commondialog.h"
#include "platform/label.h"
#include "platform/picturebox.h"
#include "platform/scrollbar.h"
#include "support/modalscript.h"
#include "support/pictures.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;
using namespace core;

class TestControls : public QObject {
    Q_OBJECT
private slots:
    void fractionalGeometryReadsBackUnchanged_data();
    void fractionalGeometryReadsBackUnchanged();
    void scrollBarRunsItsHandlerOnCommittedChangesOnly();
    void comboBoxClickAndTyping();
    void pictureBoxSurface();
    void pictureBoxAutoSize();
    void labelColoursCanBeReadBack();
    void fileDialogKeepsTheLastFile();
};

void TestControls::fractionalGeometryReadsBackUnchanged_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("pixels");
    QTest::newRow("173.33") << 173.33f << 173;
    QTest::newRow("131.67") << 131.67f << 132;
    QTest::newRow("tie down to even") << 2.5f << 2;
    QTest::newRow("tie up to even") << 3.5f << 4;
    QTest::newRow("whole") << 520.0f << 520;
}

void TestControls::fractionalGeometryReadsBackUnchanged()
{
    QFETCH(float, value);
    QFETCH(int, pixels);
    QWidget parent;
    PictureBox box(QStringLiteral("box"), true, &parent);
    box.Move(value, value, value, value);
    QCOMPARE(box.Left(), value);
    QCOMPARE(box.Width(), value);
    QCOMPARE(box.geometry(), QRect(pixels, pixels, pixels, pixels));
    QCOMPARE(box.ScaleWidth(), std::max(0, pixels - 4)); // the 2-pixel border on each side
}

void TestControls::scrollBarRunsItsHandlerOnCommittedChangesOnly()
{
    QWidget parent;
    HScrollBar bar(QStringLiteral("bar"), 0, 255, 0, 1, 20, &parent);
    bar.Move(0, 0, 97, 17);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    int runs = 0, seen = -1;
    connect(&bar, &QScrollBar::valueChanged, &bar, [&] { ++runs, seen = bar.Value(); });

    bar.setValue(128);
    QCOMPARE(runs, 1); // synchronous
    QCOMPARE(seen, 128);
    bar.setValue(128);
    QCOMPARE(runs, 1); // same value: nothing runs

    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(bar.Value(), 129);
    bar.triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(bar.Value(), 109);
    QCOMPARE(runs, 3);

    // Dragging the thumb shows nothing until it is released.
    bar.setSliderDown(true);
    bar.setSliderPosition(40);
    bar.setSliderPosition(60);
    QCOMPARE(runs, 3);
    QCOMPARE(bar.Value(), 109);
    bar.setSliderDown(false);
    QCOMPARE(bar.Value(), 60);
    QCOMPARE(runs, 4);

    bar.setFocus();
    QTest::keyClick(&bar, Qt::Key_Right);
    QCOMPARE(bar.Value(), 61);
    QCOMPARE(runs, 5);
    bar.setValue(300);
    QCOMPARE(bar.Value(), 255); // the limits hold
}

void TestControls::comboBoxClickAndTyping()
{
    QWidget parent;
    ComboBox list(QStringLiteral("list"), false, &parent);
    ComboBox edit(QStringLiteral("edit"), true, &parent);
    edit.setText(QStringLiteral("Combo2"));
    QCOMPARE(edit.Text(), QStringLiteral("Combo2"));
    QCOMPARE(edit.ListIndex(), -1);
    for (const char *item : {"Media", "Massimo", "Minimo"}) {
        list.AddItem(QLatin1String(item));
        edit.AddItem(QLatin1String(item));
    }
    QSignalSpy clicks(&list, &ComboBox::Click);
    list.setListIndex(2);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(list.Text(), QStringLiteral("Minimo"));

    edit.setListIndex(1);
    QCOMPARE(edit.ListIndex(), 1);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    edit.lineEdit()->selectAll();
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("Massimo"));
    QCOMPARE(edit.ListIndex(), -1); // typed text selects nothing, even when it matches
    QTest::keyClick(edit.lineEdit(), Qt::Key_Return);
    QCOMPARE(edit.ListCount(), 3); // nothing typed is ever added
    edit.lineEdit()->selectAll();
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("Nuovo"));
    QTest::keyClick(edit.lineEdit(), Qt::Key_Return);
    QCOMPARE(edit.ListCount(), 3);
    QCOMPARE(edit.ListIndex(), -1);
    edit.setCurrentIndex(0); // the user picks an item again
    emit edit.activated(0);
    QCOMPARE(edit.ListIndex(), 0);
}

void TestControls::pictureBoxSurface()
{
    QWidget parent;
    PictureBox box(QStringLiteral("box"), true, &parent);
    box.setBackColor(RGB(10, 20, 30));
    box.Move(0, 0, 24, 14);
    box.Cls();
    QCOMPARE(box.ScaleWidth(), 20);
    QCOMPARE(box.ScaleHeight(), 10);
    QCOMPARE(box.Point(0, 0), RGB(10, 20, 30));
    QCOMPARE(box.Point(19, 9), RGB(10, 20, 30));
    QCOMPARE(box.Point(20, 0), NoColour);
    QCOMPARE(box.Point(-1, 0), NoColour);
    box.PSet(3, 4, RGB(200, 0, 0));
    box.PSet(19, 9, RGB(1, 2, 3));
    box.PSet(50, 50, RGB(1, 2, 3)); // outside: ignored
    box.PSet(5, 5, NoColour);
    QCOMPARE(box.Point(3, 4), RGB(200, 0, 0));
    QCOMPARE(box.Point(5, 5), RGB(255, 255, 255));

    // A resize keeps what still fits and shows the back colour where it grows.
    box.setWidth(14);
    QCOMPARE(box.Point(3, 4), RGB(200, 0, 0));
    box.setWidth(30);
    QCOMPARE(box.Point(3, 4), RGB(200, 0, 0));
    QCOMPARE(box.Point(19, 9), RGB(10, 20, 30));
    QCOMPARE(box.Point(25, 9), RGB(10, 20, 30));

    box.Cls();
    QCOMPARE(box.Point(3, 4), RGB(10, 20, 30));
    QCOMPARE(box.ScaleWidth(), 26);

    // Blocks of colours: clipped to the surface; an empty block, such as a scan of an empty
    // preview hands over, draws nothing and reads nothing.
    const Colour block[] = {RGB(1, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0), RGB(4, 0, 0)};
    box.PSetBlock(24, 9, 2, 2, block);
    QCOMPARE(box.Point(24, 9), RGB(1, 0, 0));
    QCOMPARE(box.Point(25, 9), RGB(2, 0, 0));
    box.PSetBlock(1, 1, 0, 5, nullptr);
    box.PSetBlock(1, 1, 5, 0, nullptr);
    QCOMPARE(box.Point(1, 1), RGB(10, 20, 30));

    // What the widget shows on screen is its surface inside the border.
    // (The first interior pixel can share its place with the border on a scaled screen.)
    box.PSet(1, 1, RGB(0, 255, 0));
    const QImage shown = testpics::capture(box);
    QCOMPARE(QColor(shown.pixel(3, 3)), QColor(0, 255, 0));
    QCOMPARE(QColor(shown.pixel(4, 3)), QColor(10, 20, 30));

    // With the focus, its border is drawn in the highlight colour; the pixels inside stay.
    box.setFocusPolicy(Qt::StrongFocus);
    parent.show();
    QApplication::setActiveWindow(&parent);
    QVERIFY(QTest::qWaitForWindowActive(&parent));
    box.setFocus();
    QTRY_VERIFY(box.hasFocus());
    const QImage focused = testpics::capture(box);
    const QColor highlight = box.palette().color(QPalette::Highlight);
    QCOMPARE(QColor(focused.pixel(0, 0)), highlight);
    QCOMPARE(QColor(focused.pixel(focused.width() - 1, 5)), highlight);
    QVERIFY(QColor(shown.pixel(0, 0)) != highlight);
    QCOMPARE(focused.copy(box.contentsRect()), shown.copy(box.contentsRect()));
}

void TestControls::pictureBoxAutoSize()
{
    QWidget parent;
    PictureBox box(QStringLiteral("Picture1"), false, &parent);
    box.Move(40, 80, 97, 65);
    box.setAutoSize(true);
    box.setPicture(picture::Picture{QSize(640, 480), {}});
    QCOMPARE(box.Width(), 640.0f);
    QCOMPARE(box.Height(), 480.0f);
    box.setPicture(picture::Picture{}); // an empty picture leaves the size alone
    QCOMPARE(box.Width(), 640.0f);
    QVERIFY(box.picture().isEmpty());
}

void TestControls::labelColoursCanBeReadBack()
{
    QWidget parent;
    Label label(QStringLiteral("Label23"), QStringLiteral("Process complete"), &parent);
    label.setForeColor(255);
    label.setBackColor(RGB(0, 0, 255));
    QCOMPARE(label.ForeColor(), RGB(255, 0, 0));
    QCOMPARE(label.BackColor(), RGB(0, 0, 255));
    QCOMPARE(label.palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(label.autoFillBackground());
}

void TestControls::fileDialogKeepsTheLastFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("one.txt"));
    QFile(path).open(QIODevice::WriteOnly);
    QWidget parent;
    CommonDialog cd(QStringLiteral("CD1"), &parent);
    cd.setInitDir(dir.path());
    QString title, directory;
    bool native = true;
    ModalScript script;
    script
        .then([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            QVERIFY(dialog);
            title = dialog->windowTitle();
            directory = dialog->directory().absolutePath();
            native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
            // Every file by default; the pictures' names, the decoders' own too, on request.
            QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("All files (*)"));
            QCOMPARE(dialog->nameFilters().size(), 2);
            for (const char *suffix : {"*.png", "*.jpg", "*.jpeg", "*.tif", "*.webp", "*.tga"
#ifdef TINTARA_HEIF
                                       ,
                                       "*.heic", "*.heif", "*.avif"
#endif
#ifdef TINTARA_JXL
                                       ,
                                       "*.jxl"
#endif
                 })
                QVERIFY2(dialog->nameFilters().at(1).contains(QLatin1String(suffix)), suffix);
            dialog->reject();
        })
        .chooseFile(path)
        .cancelDialog();
    cd.ShowOpen();
    QCOMPARE(cd.FileName(), QString());
    QCOMPARE(title, QStringLiteral("Open"));
    QCOMPARE(directory, QDir(dir.path()).absolutePath());
    QVERIFY(!native);
    cd.ShowOpen();
    QCOMPARE(cd.FileName(), path);
    cd.ShowOpen();
    QCOMPARE(cd.FileName(), path); // cancelled: the last choice stays
    QVERIFY(script.done());

    // Double quotes are part of a name, not a list of names: a click on such a file puts its
    // name into the name field as it stands.
    const QString quoted = dir.filePath(QStringLiteral("\"a\" \"b\".png"));
    QFile(quoted).open(QIODevice::WriteOnly);
    script.then([](QWidget *w) {
        w->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("\"a\" \"b\".png"));
        static_cast<QDialog *>(w)->accept();
    });
    cd.ShowOpen();
    QVERIFY(script.done());
    QCOMPARE(script.unexpected(), QStringList());
    QCOMPARE(cd.FileName(), quoted);
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
