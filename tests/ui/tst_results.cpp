// Results out and pictures in: copy and save of the planes, drops on the window, the command
// line.
#include "core/quoting.h"
#include "support/form1driver.h"
#include "support/modalscript.h"
#include "support/pictures.h"

#include "core/measurements.h"
#include "histogramwindow/frmhistogram.h"
#include "picture/pngtexts.h"
#include "picture/pngwriter.h"
#include "picture/recipefile.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QImageReader>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QTest>
#include <QUndoStack>
#include <QUndoView>
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

// What a user could see change: the settings, the picture, the planes and the history.
struct Seen {
    QStringList settings;
    QList<QImage> views;
    int steps = 0;
    bool operator==(const Seen &) const = default;
};

Seen seen(Form1Driver &f)
{
    Seen s;
    s.settings << f.sizeList()->Text() << f.typeList()->Text()
               << QString::number(f.typeList()->ListIndex()) << f.dialog()->FileName()
               << QString::number(f.control<QCheckBox>("CheckOverlap")->isChecked())
               << results::shellQuoted(results::batchArguments(f.recipe()));
    for (const Axis a : {Axis::X, Axis::Y})
        s.settings << QString::number(f.rate(a)->Value());
    for (const Channel c : Channels)
        for (const Bound b : {Bound::Minimum, Bound::Maximum})
            s.settings << QString::number(f.bar(c, b)->Value());
    for (const View v : Views)
        s.views << f.resultImage(v).convertToFormat(QImage::Format_RGB32);
    s.steps = f.history()->count();
    return s;
}

QList<QImage> blocks(Form1Driver &f)
{
    return {f.resultImage(View::Red), f.resultImage(View::Green), f.resultImage(View::Blue)};
}

} // namespace

class TestResults : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void copyTakesTheBlocks();
    void saveWritesTheInteriorAndHowItWasMade();
    void saveRefusesTheLoadedPictureAndBadFolders();
    void rightClickTakesNoThreshold();
    void dropLoadsAsLoadDoes();
    void commandLine();
    void recipesCarrySettingsBothWays();
    void copiedCommandMakesTheSamePlanes_data();
    void copiedCommandMakesTheSamePlanes();
    void undoTakesBackOneStepAtATime();
    void refusedRecipesChangeNothing();
    void planePixelsMapToThePicture();

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

void TestResults::copyTakesTheBlocks()
{
    // Before any load or scan: a blank plane, copied without a word.
    action(form->plane(View::Green), QStringLiteral("Copy"))->trigger();
    QCOMPARE(
        QApplication::clipboard()->image().size(),
        QSize(form->plane(View::Green)->ScaleWidth(), form->plane(View::Green)->ScaleHeight()));
    // A 400 x 300 picture fills a 500 x 375 preview: at rate 3, floor(499 / 3) + 1 = 167 block
    // columns and floor(374 / 3) + 1 = 125 rows, drawn from the planes' pixel (1, 1) on.
    scan(picture_);
    const auto copied = [](PictureBox *box) {
        action(box, QStringLiteral("Copy"))->trigger();
        return QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    };
    for (const View view : {View::Red, View::Blue})
        QCOMPARE(copied(form->plane(view)), form->plane(view)
                                                ->surface()
                                                .copy(1, 1, 167, 125)
                                                .convertToFormat(QImage::Format_RGB32));
    // The zoom box keeps its own size.
    QCOMPARE(copied(form->plane(View::Zoom)),
             form->plane(View::Zoom)->surface().convertToFormat(QImage::Format_RGB32));
    // At rate 30 the plane, (500 + 20) / 30 wide, cannot show all 17 x 13 blocks; the copy
    // holds them all.
    form->rate(Axis::X)->setValue(30);
    form->click(Button::Threshold);
    const QImage all = copied(form->plane(View::Green));
    QCOMPARE(all.size(), QSize(17, 13));
    const PictureBox *green = form->plane(View::Green);
    QVERIFY(green->ScaleWidth() < 18);
    const QSize shown(green->ScaleWidth() - 1, green->ScaleHeight() - 1);
    QCOMPARE(
        all.copy(QRect(QPoint(), shown)),
        green->surface().copy(QRect(QPoint(1, 1), shown)).convertToFormat(QImage::Format_RGB32));
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
             form->plane(View::Red)
                 ->surface()
                 .copy(1, 1, 167, 125)
                 .convertToFormat(QImage::Format_RGB32));
    // Where its blocks lie: 500 preview pixels for the picture's 400.
    const auto texts = picture::pngTexts(QFile::encodeName(path));
    QVERIFY(texts);
    for (const auto &[key, value] :
         QList<QPair<QString, QString>>{{QStringLiteral("Format version"), QStringLiteral("2")},
                                        {QStringLiteral("Picture size"), QStringLiteral("400x300")},
                                        {QStringLiteral("Preview scale"), QStringLiteral("1.25")},
                                        {QStringLiteral("Grid origin"), QStringLiteral("0,0")},
                                        {QStringLiteral("Grid step"), QStringLiteral("3x3")}})
        QVERIFY2(texts->contains({key, value}), qPrintable(key));
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

void TestResults::recipesCarrySettingsBothWays()
{
    form->sizeList()->setListIndex(1);
    form->load(picture_);
    form->rate(Axis::X)->setValue(7);
    form->rate(Axis::Y)->setValue(4);
    form->bar(Channel::Red, Bound::Minimum)->setValue(50);
    form->bar(Channel::Red, Bound::Maximum)->setValue(200);
    form->typeList()->setListIndex(1);
    form->control<QCheckBox>("CheckOverlap")->setChecked(true);
    QVERIFY(form->applyAutomatic(Channel::Green, histogram::Method::Otsu));
    form->click(Button::Threshold);
    const QString json = dir_.filePath(QStringLiteral("edges.tintara.json"));
    {
        ModalScript script;
        script.chooseFile(json);
        QVERIFY(form->menu(View::Red, "Save Recipe..."));
        QVERIFY(script.done());
    }
    const QString plane = dir_.filePath(QStringLiteral("plane.png"));
    QVERIFY(form->saveResult(View::Blue, plane));

    // Opened, and dropped, on a fresh window: the same settings and planes, in one step.
    for (const QString &recipe : {json, plane}) {
        Form1Driver other;
        ModalScript script;
        script.answer(QMessageBox::Yes); // load the picture it was made from too
        if (recipe == json) {
            other.openRecipe(recipe);
        } else {
            auto files = std::make_unique<QMimeData>();
            files->setUrls({QUrl::fromLocalFile(recipe)});
            QVERIFY(drop(other, files.get()));
        }
        QVERIFY(script.done());
        QVERIFY(script.messages().constFirst().contains(picture_));
        QVERIFY(other.recipe() == form->recipe());
        QCOMPARE(blocks(other), blocks(*form));
        QCOMPARE(other.history()->count(), 1);
        QVERIFY(other.history()->text(0).startsWith(
            QStringLiteral("Recipe %1: Preview size 300").arg(QFileInfo(recipe).fileName())));
        // Undone, the settings go back; the picture stays.
        other.history()->undo();
        QCOMPARE(other.rate(Axis::X)->Value(), 3);
        QCOMPARE(other.bar(Channel::Red, Bound::Minimum)->Value(), 128);
        QCOMPARE(other.dialog()->FileName(), picture_);
    }

    // A plane saved by an earlier version, framed, with no format version: still a recipe.
    const QString earlier = dir_.filePath(QStringLiteral("earlier.png"));
    QVERIFY(picture::savePng(testpics::solid(9, 9, Qt::gray), earlier,
                             {{"Source", "p.png"},
                              {"Preview size", "500"},
                              {"Selection", "minimo"},
                              {"Mode", "RGB"},
                              {"Rates", "5x6"},
                              {"Red threshold", "1:2"},
                              {"Green threshold", "3:4"},
                              {"Blue threshold", "5:6"},
                              {"Software", "Tintara"}}));
    {
        Form1Driver old;
        ModalScript script;
        script.answer(QMessageBox::Yes);
        old.openRecipe(earlier);
        QVERIFY(script.done());
        QCOMPARE(old.dialog()->FileName(), picture_);
        QCOMPARE(old.rate(Axis::Y)->Value(), 6);
        QCOMPARE(old.bar(Channel::Blue, Bound::Maximum)->Value(), 6);
        QCOMPARE(old.typeList()->ListIndex(), 2);
    }

    // What a later version adds is kept when the recipe is saved again.
    QFile file(json);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    text.replace("{\n", "{\n    \"Palette\": \"warm\",\n");
    const QString later = dir_.filePath(QStringLiteral("later.tintara.json"));
    QFile out(later);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(text) == text.size());
    out.close();
    Form1Driver other;
    ModalScript script;
    script.answer(QMessageBox::No); // its settings alone, on no picture
    other.openRecipe(later);
    QCOMPARE(other.rate(Axis::X)->Value(), 7);
    QCOMPARE(other.dialog()->FileName(), QString());
    const QString again = dir_.filePath(QStringLiteral("again.tintara.json"));
    script.chooseFile(again);
    QVERIFY(other.menu(View::Green, "Save Recipe..."));
    QVERIFY(script.done());
    const auto read = picture::readRecipe(again);
    QVERIFY(read && *read);
    QCOMPARE((*read)->unknown, (results::Entries{{"Palette", "warm"}}));
}

void TestResults::copiedCommandMakesTheSamePlanes_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("rx");
    QTest::addColumn<int>("ry");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("command"); // Button
    QTest::addColumn<bool>("overlap");
    QTest::addColumn<bool>("otsu");
    QTest::newRow("media RGB 3, 500") << 500 << 3 << 3 << 0 << int(Button::Rgb) << false << false;
    QTest::newRow("massimo threshold 7x4, Otsu red")
        << 500 << 7 << 4 << 1 << int(Button::Threshold) << false << true;
    QTest::newRow("minimo RGB 4x9 overlap, 300")
        << 300 << 4 << 9 << 2 << int(Button::Rgb) << true << false;
    QTest::newRow("massimo-minimo threshold 5 overlap, 400")
        << 400 << 5 << 5 << 3 << int(Button::Threshold) << true << false;
    QTest::newRow("reduction 7, zoom")
        << 400 << 7 << 7 << 0 << int(Button::Reduction) << false << false;
}

void TestResults::copiedCommandMakesTheSamePlanes()
{
    QFETCH(int, size);
    QFETCH(int, rx);
    QFETCH(int, ry);
    QFETCH(int, type);
    QFETCH(int, command);
    QFETCH(bool, overlap);
    QFETCH(bool, otsu);
    // A name the shell would split and expand, unquoted.
    QTemporaryDir in;
    QImage noise(333, 211, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 7 + y) & 255, (x * y) & 255, (y * 5) & 255));
    const QString picture = testpics::write(in, QStringLiteral("it's $a *b.png"), noise);
    form->sizeList()->setListIndex((size - 200) / 100);
    form->load(picture);
    form->rate(Axis::X)->setValue(rx);
    form->rate(Axis::Y)->setValue(ry);
    form->bar(Channel::Red, Bound::Minimum)->setValue(100);
    form->bar(Channel::Red, Bound::Maximum)->setValue(200);
    form->bar(Channel::Green, Bound::Minimum)->setValue(30);
    form->bar(Channel::Green, Bound::Maximum)->setValue(40);
    form->typeList()->setListIndex(type);
    form->control<QCheckBox>("CheckOverlap")->setChecked(overlap);
    if (otsu)
        QVERIFY(form->applyAutomatic(Channel::Red, histogram::Method::Otsu));
    form->click(Button(command));
    if (Button(command) == Button::Reduction)
        form->zoomOption(Channel::Blue)->click();
    QVERIFY(form->menu(View::Red, "Copy as Command"));
    const QString line = QApplication::clipboard()->text();
    QCOMPARE(line, form->batchCommand());
    QVERIFY2(line.startsWith(QStringLiteral("tintara --batch --size %1 ").arg(size)),
             qPrintable(line));

    // The line as a user pastes it into a shell, with `tintara` on the path.
    QTemporaryDir bin;
    QVERIFY(QFile::link(QStringLiteral(TINTARA_BINARY), bin.filePath(QStringLiteral("tintara"))));
    QProcess sh;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"),
               bin.path() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    sh.setProcessEnvironment(env);
    sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line});
    QVERIFY(sh.waitForFinished(60000));
    QVERIFY2(sh.exitCode() == 0, sh.readAllStandardError().constData());
    int compared = 0;
    for (const View view : Views) {
        const QString name = form->resultName(view);
        const QString written = in.filePath(name);
        if (!QFileInfo::exists(written))
            continue;
        const QString mine = dir_.filePath(name);
        QVERIFY(form->saveResult(view, mine));
        QFile a(written), b(mine);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QVERIFY2(a.readAll() == b.readAll(), qPrintable(name));
        ++compared;
    }
    QCOMPARE(compared, Button(command) == Button::Reduction ? 2 : 3);
}

void TestResults::undoTakesBackOneStepAtATime()
{
    form->load(picture_);
    form->live()->setChecked(true);
    form->click(Button::Threshold);
    QUndoStack *history = form->history();
    QCOMPARE(history->count(), 0); // a load is no step
    const QList<QImage> first = blocks(*form);

    // A burst of presses on one bar: one step.
    HScrollBar *red = form->bar(Channel::Red, Bound::Minimum);
    red->setFocus();
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(red, Qt::Key_Right);
    QTRY_COMPARE(history->count(), 1);
    QCOMPARE(red->Value(), 133);
    const QList<QImage> pressed = blocks(*form);
    // A thumb drag, every value it passes followed live: one step.
    HScrollBar *rate = form->rate(Axis::X);
    rate->setSliderDown(true);
    for (int v = 4; v <= 9; ++v) {
        rate->setValue(v);
        QCoreApplication::processEvents();
    }
    rate->setSliderDown(false);
    QTRY_COMPARE(history->count(), 2);
    // Otsu in the histogram window: one step.
    QVERIFY(form->menu(View::Red, "Histogram..."));
    auto *window = form->findChild<frmHistogram *>();
    window->findChild<QPushButton *>(QStringLiteral("OtsuR"))->click();
    QTRY_COMPARE(history->count(), 3);
    const int otsu = red->Value();
    const QList<QImage> last = blocks(*form);
    auto *list = window->findChild<QUndoView *>(QStringLiteral("History"));
    QCOMPARE(list->model()->rowCount(), 4);
    QCOMPARE(list->model()->index(1, 0).data().toString(), QStringLiteral("Red minimum 133"));
    QCOMPARE(list->model()->index(2, 0).data().toString(), QStringLiteral("Rate x 9, rate y 9"));
    QCOMPARE(list->model()->index(3, 0).data().toString(),
             QStringLiteral("Red minimum %1 (Otsu)").arg(otsu));

    // Undone with the window's keys, step by step; Live scans again each time.
    form->activateWindow();
    QTest::keySequence(form, QKeySequence::Undo);
    QCOMPARE(red->Value(), 133);
    QTest::keySequence(form, QKeySequence::Undo);
    QCOMPARE(rate->Value(), 3);
    QTRY_COMPARE(blocks(*form), pressed);
    QTest::keySequence(form, QKeySequence::Undo);
    QCOMPARE(red->Value(), 128);
    QTRY_COMPARE(blocks(*form), first);
    // Nothing left to undo: the menus' Undo is off, Redo on.
    QVERIFY(!action(form->plane(View::Red), QStringLiteral("Undo"))->isEnabled());
    QVERIFY(action(form->plane(View::Red), QStringLiteral("Redo"))->isEnabled());
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(red->Value(), otsu);
    QCOMPARE(form->rate(Axis::Y)->Value(), 9);
    QTRY_COMPARE(blocks(*form), last);
    // The list goes back to a step when it is clicked.
    list->setCurrentIndex(list->model()->index(1, 0));
    QCOMPARE(history->index(), 1);
    QCOMPARE(red->Value(), 133);
    // A change after an undo takes the place of the steps undone.
    form->bar(Channel::Blue, Bound::Maximum)->setValue(200);
    QTRY_COMPARE(history->count(), 2);
}

void TestResults::refusedRecipesChangeNothing()
{
    scan(picture_);
    const QByteArray good = results::toJson(results::describe(form->source(), form->recipe()));
    const auto writeJson = [this](const char *name, const QByteArray &json) {
        const QString path = dir_.filePath(QLatin1String(name));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(json) != json.size())
            qFatal("cannot write %s", name);
        return path;
    };
    auto edited = results::describe(form->source(), form->recipe());
    for (auto &[key, value] : edited)
        if (key == QLatin1String("Rates"))
            value = QStringLiteral("0x0");
    const QString hand = dir_.filePath(QStringLiteral("by hand.png"));
    QVERIFY(picture::savePng(form->resultImage(View::Red), hand, edited));
    QByteArray gone = good;
    gone.replace(picture_.toUtf8(), "/no/such/folder/gone.png")
        .replace("\"p.png\"", "\"gone.png\"");
    const QStringList files{
        writeJson("truncated.tintara.json", good.left(good.size() / 2)),
        writeJson("array.tintara.json", "[\"Rates\", \"3x3\"]"),
        writeJson("rate.tintara.json", QByteArray(good).replace("\"3x3\"", "\"2x2\"")),
        writeJson("bands.tintara.json", QByteArray(good).replace("\"128:255\"", "\"300:10\"")),
        writeJson("newer.tintara.json", QByteArray(good).replace("\"Format version\": \"2\"",
                                                                 "\"Format version\": \"4\"")),
        writeJson("gone.tintara.json", gone),
        hand,
    };
    const Seen before = seen(*form);
    for (const QString &file : files) {
        ModalScript script;
        script.acknowledgeMessage(); // a question, for the picture that is gone, says no
        if (file == hand) {
            auto urls = std::make_unique<QMimeData>();
            urls->setUrls({QUrl::fromLocalFile(file)});
            QVERIFY(drop(*form, urls.get()));
        } else {
            form->openRecipe(file);
        }
        QVERIFY2(script.done(), qPrintable(file));
        QCOMPARE(script.unexpected(), QStringList());
        QVERIFY2(script.messages().constFirst().contains(QFileInfo(file).fileName()),
                 qPrintable(script.messages().constFirst()));
        QCoreApplication::processEvents();
        QVERIFY2(seen(*form) == before, qPrintable(file));
    }
}

void TestResults::planePixelsMapToThePicture()
{
    // A black 1000 x 800 picture with one white 10 x 10 square at (600, 300): in the 500 x 400
    // preview it is the 5 x 5 block (60, 30) at rate 5, and nothing else is marked.
    QImage picture(1000, 800, QImage::Format_RGB32);
    picture.fill(Qt::black);
    for (int y = 300; y < 310; ++y)
        for (int x = 600; x < 610; ++x)
            picture.setPixel(x, y, qRgb(255, 255, 255));
    form->load(testpics::write(dir_, QStringLiteral("square.png"), picture));
    form->rate(Axis::X)->setValue(5);
    form->click(Button::Threshold);
    const QString path = dir_.filePath(QStringLiteral("square-red.png"));
    QVERIFY(form->saveResult(View::Red, path));
    const QImage saved = QImage(path).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(saved.size(), QSize(100, 80));
    QList<QPoint> marked;
    for (int y = 0; y < saved.height(); ++y)
        for (int x = 0; x < saved.width(); ++x)
            if (saved.pixel(x, y) != core::toArgb(scan::unmarkedColour()))
                marked << QPoint(x, y);
    QCOMPARE(marked, QList<QPoint>{QPoint(60, 30)});
    const auto read = picture::readRecipe(path);
    QVERIFY(read && *read);
    QCOMPARE(results::pictureRect(**read, marked.constFirst()), QRectF(600, 300, 10, 10));
}

QTEST_MAIN(TestResults)
#include "tst_results.moc"
