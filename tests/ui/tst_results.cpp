// Results out and pictures in: copy and save of the planes, drops on the window, the command
// line.
#include "support/form1driver.h"
#include "support/modalscript.h"
#include "support/pictures.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QImageReader>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QTest>
#include <QUrl>

using namespace platform;

namespace {

QAction *action(QWidget *box, const QString &text)
{
    for (QAction *a : box->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

// The planes' interiors as images, to compare one window with another.
QList<QImage> planes(Form1Driver &form)
{
    return {form.plane(View::Red)->surface(), form.plane(View::Green)->surface(),
            form.plane(View::Blue)->surface()};
}

// Drags data over the window and drops it where Load's button is; whether the window took it.
bool drop(Form1Driver &form, QMimeData *data)
{
    const QPoint at(300, 300);
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &dropped);
    return dropped.isAccepted();
}

} // namespace

class TestResults : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void copyTakesTheInterior();
    void saveWritesTheInteriorAndHowItWasMade();
    void saveRefusesTheLoadedPictureAndBadFolders();
    void rightClickTakesNoThreshold();
    void dropLoadsAsLoadDoes();
    void commandLine();

private:
    void scan(const QString &picture)
    {
        form->load(picture);
        form->typeList()->setListIndex(3);
        form->click(Button::Threshold);
    }
    Form1Driver *form = nullptr;
    QTemporaryDir dir_;
    QString picture_;
};

void TestResults::init()
{
    form = new Form1Driver;
    picture_ = testpics::write(dir_, QStringLiteral("p.png"),
                               testpics::split(400, 300, Qt::red, Qt::darkGreen));
}

void TestResults::cleanup()
{
    delete form;
    form = nullptr;
}

void TestResults::copyTakesTheInterior()
{
    // Before any load or scan: a blank plane, copied without a word.
    action(form->plane(View::Green), QStringLiteral("Copy"))->trigger();
    QCOMPARE(
        QApplication::clipboard()->image().size(),
        QSize(form->plane(View::Green)->ScaleWidth(), form->plane(View::Green)->ScaleHeight()));
    scan(picture_);
    for (PictureBox *box :
         {form->plane(View::Red), form->plane(View::Blue), form->plane(View::Zoom)}) {
        action(box, QStringLiteral("Copy"))->trigger();
        const QImage copied = QApplication::clipboard()->image();
        QCOMPARE(copied.convertToFormat(QImage::Format_RGB32),
                 box->surface().convertToFormat(QImage::Format_RGB32));
    }
}

void TestResults::saveWritesTheInteriorAndHowItWasMade()
{
    scan(picture_);
    const QString path = dir_.filePath(QStringLiteral("red.png"));
    QString suggested;
    for (int round = 0; round < 2; ++round) { // the second time over the existing file
        ModalScript script;
        script.then([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            suggested = dialog->selectedFiles().value(0);
            dialog->selectFile(path);
            dialog->setOption(QFileDialog::DontConfirmOverwrite); // as if the user said yes
            static_cast<QDialog *>(dialog)->accept();
        });
        action(form->plane(View::Red), QStringLiteral("Save As PNG..."))->trigger();
        QVERIFY(script.done());
        QCOMPARE(script.unexpected(), QStringList());
    }
    QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("p-red-massimo-minimo-3x3.png"));
    QCOMPARE(QFileInfo(suggested).absolutePath(), QFileInfo(picture_).absolutePath());
    const QImage saved(path);
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
             form->plane(View::Red)->surface().convertToFormat(QImage::Format_RGB32));
    QCOMPARE(saved.text(QStringLiteral("Source")), QStringLiteral("p.png"));
    QCOMPARE(saved.text(QStringLiteral("Selection")), QStringLiteral("massimo-minimo"));
    QCOMPARE(saved.text(QStringLiteral("Mode")), QStringLiteral("threshold"));
    QCOMPARE(saved.text(QStringLiteral("Rates")), QStringLiteral("3x3"));
    QCOMPARE(saved.text(QStringLiteral("Red threshold")), QStringLiteral("128:255"));
    QVERIFY(QDir(dir_.path()).entryList(QDir::Files).contains(QStringLiteral("red.png")));
}

void TestResults::saveRefusesTheLoadedPictureAndBadFolders()
{
    scan(picture_);
    const QStringList files = QDir(dir_.path()).entryList(QDir::Files);
    const QByteArray before = [&] {
        QFile f(picture_);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    for (const QString &target :
         {picture_, dir_.filePath(QStringLiteral("no such folder/plane.png"))}) {
        ModalScript script;
        script
            .then([&](QWidget *w) {
                auto *dialog = qobject_cast<QFileDialog *>(w);
                dialog->selectFile(target);
                // The dialog itself asks before replacing; answer yes.
                dialog->setOption(QFileDialog::DontConfirmOverwrite);
                static_cast<QDialog *>(dialog)->accept();
            })
            .acknowledgeMessage();
        action(form->plane(View::Blue), QStringLiteral("Save As PNG..."))->trigger();
        QVERIFY(script.done());
        QCOMPARE(script.messages().size(), 1);
        QVERIFY2(script.messages().constFirst().startsWith(QStringLiteral("Tintara 3.0|")),
                 qPrintable(script.messages().constFirst()));
        QVERIFY(script.messages().constFirst().contains(QFileInfo(target).fileName()));
    }
    QFile f(picture_);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), files);
}

void TestResults::rightClickTakesNoThreshold()
{
    form->plane(View::Red)->PSet(10, 10, core::RGB(200, 0, 0));
    form->moveOver(Channel::Red, 10, 10);
    const QPointF at =
        QPointF(form->plane(View::Red)->contentsRect().topLeft()) + QPointF(10.5, 10.5);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, at, form->plane(View::Red)->mapToGlobal(at), Qt::RightButton,
                      type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(form->plane(View::Red), &e);
    }
    QCOMPARE(form->bar(Channel::Red, Bound::Minimum)->Value(), 128);
    QCOMPARE(form->plane(View::Red)->contextMenuPolicy(), Qt::ActionsContextMenu);
}

void TestResults::dropLoadsAsLoadDoes()
{
    scan(picture_);
    const QList<QImage> loaded = planes(*form);
    Form1Driver dropped;
    auto files = std::make_unique<QMimeData>();
    files->setUrls({QUrl::fromLocalFile(picture_), QUrl::fromLocalFile(dir_.path())});
    QVERIFY(drop(dropped, files.get()));
    QCOMPARE(dropped.dialog()->FileName(), picture_);
    dropped.typeList()->setListIndex(3);
    dropped.click(Button::Threshold);
    QCOMPARE(planes(dropped), loaded);

    // Not local picture files: refused at the drag, nothing changes.
    auto text = std::make_unique<QMimeData>();
    text->setText(QStringLiteral("some words"));
    QVERIFY(!drop(dropped, text.get()));
    auto page = std::make_unique<QMimeData>();
    page->setUrls({QUrl(QStringLiteral("https://tintara.example.org/picture.png"))});
    QVERIFY(!drop(dropped, page.get()));
    auto folder = std::make_unique<QMimeData>();
    folder->setUrls({QUrl::fromLocalFile(dir_.path())});
    QVERIFY(!drop(dropped, folder.get()));
    QCOMPARE(dropped.dialog()->FileName(), picture_);

    // A damaged file dropped: its one message, as Load gives it.
    const QString bad =
        testpics::write(dir_, QStringLiteral("bad.png"), testpics::solid(9, 9, Qt::red));
    QFile::resize(bad, 40);
    auto damaged = std::make_unique<QMimeData>();
    damaged->setUrls({QUrl::fromLocalFile(bad)});
    ModalScript script;
    script.acknowledgeMessage();
    QVERIFY(drop(dropped, damaged.get()));
    QVERIFY(script.done());
    QCOMPARE(planes(dropped), loaded);
}

void TestResults::commandLine()
{
    // A file named on the command line loads as Load would (what main does after start-up).
    Form1Driver named;
    named.loadFile(picture_);
    QCOMPARE(named.dialog()->FileName(), picture_);
    QCOMPARE(named.preview()->Width(), 500.0f);

    const auto run = [](const QStringList &args, int status, const QString &out, bool toErr) {
        QProcess p;
        p.start(QStringLiteral(TINTARA_BINARY), args);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), status);
        const QString text =
            QString::fromLocal8Bit(toErr ? p.readAllStandardError() : p.readAllStandardOutput());
        QVERIFY2(text.contains(out), qPrintable(text));
    };
    run({QStringLiteral("--version")}, 0, QStringLiteral("tintara 3.0.0"), false);
    run({QStringLiteral("--help")}, 0, QStringLiteral("Usage: tintara"), false);
    run({QStringLiteral("--bogus")}, 2, QStringLiteral("Usage: tintara"), true);
    run({QStringLiteral("a.png"), QStringLiteral("b.png")}, 2, QStringLiteral("Usage"), true);
}

QTEST_MAIN(TestResults)
#include "tst_results.moc"
