// A seeded random walk through the real window: every button, bar, list, option, plane and
// dialog, with the promises of the controls checked after each action.
//   TINTARA_SOAK_SEED   the seed (default 20261208)
//   TINTARA_SOAK_ACTIONS how many actions (default 5000)
#include "about/frmabout.h"
#include "core/geometry.h"
#include "histogramwindow/frmhistogram.h"
#include "histogramwindow/histogramview.h"
#include "overlaywindow/frmoverlay.h"
#include "support/form1driver.h"
#include "support/modalscript.h"
#include "support/nosysinfo.h"
#include "support/pictures.h"
#include "support/slowload.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>
#include <QUndoView>
#include <QUrl>
#include <deque>
#include <numeric>
#include <random>

using namespace platform;
using namespace core;

namespace {

int envInt(const char *name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

QSizeF outer(const PictureBox *p)
{
    return {p->Width(), p->Height()};
}

int visibleAboutBoxes()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += w->objectName() == QLatin1String("frmAbout") && w->isVisible() ? 1 : 0;
    return n;
}

} // namespace

class TestSoak : public QObject {
    Q_OBJECT
private slots:
    void randomUse();

private:
    using Rng = std::mt19937;
    QString act(Rng &rng);
    QString check();
    // Returns false when the load was cancelled in its progress window.
    bool loadFile(const QString &path, bool expectMessage, int cancelMs = -1);
    void sizeAllPlanes();
    void sizeReducedPlane();
    QString histogramAction(Rng &rng);
    QString overlayAction(Rng &rng);
    QString historyAction(Rng &rng);
    QString recipeAction(Rng &rng);
    // The settings as the controls show them.
    QString settings() const
    {
        QStringList s{form->sizeList()->Text(), form->typeList()->Text(),
                      QString::number(form->control<QCheckBox>("CheckOverlap")->isChecked())};
        for (const Axis a : {Axis::X, Axis::Y})
            s << QString::number(form->rate(a)->Value());
        for (const Channel c : Channels)
            for (const Bound b : {Bound::Minimum, Bound::Maximum})
                s << QString::number(form->bar(c, b)->Value());
        return s.join(QLatin1Char(' '));
    }
    frmOverlay *overlay() const
    {
        return form->findChild<frmOverlay *>(QStringLiteral("frmOverlay"));
    }
    frmHistogram *histogram() const
    {
        return form->findChild<frmHistogram *>(QStringLiteral("frmHistogram"));
    }
    int pick(Rng &rng, int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    Form1Driver *form = nullptr;
    QTemporaryDir dir_;
    QStringList good_, bad_;
    QString slow_;        // shows the progress window
    QStringList recipes_; // recipes and planes saved so far, and damaged ones
    QSizeF expected_[3];  // Picture2, Picture3, Picture4
    // The command a live run repeats, as the window should remember it.
    enum class Last { None, Scan, Reduction } last_ = Last::None;
};

void TestSoak::sizeAllPlanes()
{
    const QSizeF s =
        geometry::planeSize(form->preview()->Width(), form->preview()->Height(),
                            form->rate(Axis::X)->Value(), form->rate(Axis::Y)->Value());
    for (QSizeF &e : expected_)
        e = QSizeF(float(s.width()), float(s.height()));
}

void TestSoak::sizeReducedPlane()
{
    const QSizeF s =
        geometry::planeSize(form->preview()->Width(), form->preview()->Height(),
                            form->rate(Axis::X)->Value(), form->rate(Axis::X)->Value());
    expected_[0] = QSizeF(float(s.width()), float(s.height()));
}

QString TestSoak::overlayAction(Rng &rng)
{
    frmOverlay *window = overlay();
    const int how = pick(rng, 6);
    if (!window || !window->isVisible() || how == 0) {
        // Ctrl+E, through the action the planes' menus show.
        form->menu(View::Green, "Overlay...");
        return QStringLiteral("overlay");
    }
    if (how == 1) {
        const char *names[] = {"OverlayRed", "OverlayGreen", "OverlayBlue", "OverlayOutline"};
        auto *box = window->findChild<QCheckBox *>(QLatin1String(names[pick(rng, 4)]));
        box->click();
        return QStringLiteral("overlay ") + box->objectName();
    }
    if (how == 2) {
        const int v = pick(rng, 101);
        window->findChild<QSlider *>(QStringLiteral("OverlayOpacity"))->setValue(v);
        return QStringLiteral("overlay opacity %1").arg(v);
    }
    if (how == 3) {
        auto *zoom = window->findChild<QComboBox *>(QStringLiteral("OverlayZoom"));
        zoom->setCurrentIndex(pick(rng, zoom->count()));
        return QStringLiteral("overlay zoom ") + zoom->currentText();
    }
    if (how == 4) {
        window->findChild<QPushButton *>(QStringLiteral("OverlayCopy"))->click();
        return QStringLiteral("overlay copy");
    }
    window->close();
    return QStringLiteral("close overlay");
}

QString TestSoak::histogramAction(Rng &rng)
{
    frmHistogram *window = histogram();
    const int how = pick(rng, 5);
    if (!window || !window->isVisible() || how == 0) {
        // Ctrl+H, through the action the planes' menus show.
        form->menu(View::Red, "Histogram...");
        return QStringLiteral("histogram");
    }
    if (how == 1) {
        auto *methods = window->findChild<QComboBox *>(QStringLiteral("AutoMethod"));
        methods->setCurrentIndex(pick(rng, methods->count()));
        // A tile of the montage, when it is open, or one of the window's buttons.
        if (auto *montage = window->findChild<QWidget *>(QStringLiteral("frmTryAll"));
            montage && montage->isVisible() && pick(rng, 2) == 0) {
            const QList<QToolButton *> tiles = montage->findChildren<QToolButton *>();
            QToolButton *tile = tiles[pick(rng, int(tiles.size()))];
            tile->click();
            return QStringLiteral("try all ") + tile->objectName();
        }
        const char *names[] = {"OtsuR",     "OtsuG",   "OtsuB",  "TriangleR", "TriangleG",
                               "TriangleB", "ApplyR",  "ApplyG", "ApplyB",    "ApplyAuto",
                               "TryAllR",   "TryAllG", "TryAllB"};
        auto *button = window->findChild<QPushButton *>(
            QLatin1String(names[pick(rng, int(std::size(names)))]));
        button->click();
        return QStringLiteral("histogram %1 (%2)")
            .arg(button->objectName(), methods->currentText());
    }
    if (how == 2) {
        HistogramView *view = window->view(Channel(pick(rng, 3)));
        const QPoint from(pick(rng, view->width()), view->height() / 2);
        const QPoint to(pick(rng, view->width()), view->height() / 2);
        QTest::mousePress(view, Qt::LeftButton, {}, from);
        QTest::mouseMove(view, (from + to) / 2);
        QTest::mouseRelease(view, Qt::LeftButton, {}, to);
        return QStringLiteral("histogram drag %1 from %2 to %3")
            .arg(view->objectName())
            .arg(from.x())
            .arg(to.x());
    }
    if (how == 3) {
        window->findChild<QCheckBox *>(QStringLiteral("CheckLog"))->click();
        return QStringLiteral("histogram log");
    }
    window->close();
    return QStringLiteral("close histogram");
}

QString TestSoak::historyAction(Rng &rng)
{
    QUndoStack *history = form->history();
    switch (pick(rng, 4)) {
    case 0:
        QTest::keySequence(form, QKeySequence::Undo);
        return QStringLiteral("undo to %1 of %2").arg(history->index()).arg(history->count());
    case 1:
        QTest::keyClick(form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        return QStringLiteral("redo to %1 of %2").arg(history->index()).arg(history->count());
    case 2: {
        // There and back: the settings come back as they were.
        const QString before = settings();
        const bool back = history->canUndo();
        form->menu(View::Green, back ? "Undo" : "Redo");
        form->menu(View::Green, back ? "Redo" : "Undo");
        [&] {
            QCOMPARE(settings(), before);
        }();
        return QStringLiteral("undo and redo at %1").arg(history->index());
    }
    default: {
        // A step of the list in the histogram window, when it is open.
        frmHistogram *window = histogram();
        if (!window || !window->isVisible())
            return QStringLiteral("no history list");
        auto *list = window->findChild<QUndoView *>(QStringLiteral("History"));
        const int row = pick(rng, list->model()->rowCount());
        list->setCurrentIndex(list->model()->index(row, 0));
        return QStringLiteral("history row %1").arg(row);
    }
    }
}

QString TestSoak::recipeAction(Rng &rng)
{
    const int how = pick(rng, 4);
    if (how == 0 || recipes_.size() < 3) {
        // Saved as a recipe, or as a plane, to be opened again later.
        const QString path = dir_.filePath(
            QStringLiteral("recipe%1%2")
                .arg(recipes_.size())
                .arg(how == 1 ? QStringLiteral(".png") : QStringLiteral(".tintara.json")));
        if (how == 1) {
            if (!form->saveResult(View(pick(rng, 3)), path))
                return QStringLiteral("plane not saved");
        } else {
            ModalScript script;
            script.chooseFile(path);
            form->menu(View::Blue, "Save Recipe...");
        }
        recipes_ << path;
        return QStringLiteral("save %1").arg(QFileInfo(path).fileName());
    }
    if (how == 1) {
        form->menu(View::Red, "Copy as Command");
        return QStringLiteral("copy as command");
    }
    // Opened, or dropped, with whatever answers the questions get.
    const QString path = recipes_[pick(rng, int(recipes_.size()))];
    const QString shown = form->dialog()->FileName();
    const int rates[] = {form->rate(Axis::X)->Value(), form->rate(Axis::Y)->Value()};
    ModalScript script;
    const QMessageBox::StandardButton answers[] = {QMessageBox::Yes, QMessageBox::No,
                                                   QMessageBox::Cancel};
    const QMessageBox::StandardButton answer = answers[pick(rng, 3)];
    // Whether the recipe is taken follows from what was asked and answered.
    bool taken = true;
    script.then([&taken, answer](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box || !box->button(answer)) { // a refusal
            taken = false;
            if (auto *dialog = qobject_cast<QDialog *>(w))
                dialog->accept();
            return;
        }
        const bool gone = box->text().contains(QLatin1String("is not there"));
        taken = gone ? answer == QMessageBox::Yes : answer != QMessageBox::Cancel;
        box->button(answer)->click();
    });
    if (how == 2) {
        form->openRecipe(path);
    } else {
        auto data = std::make_unique<QMimeData>();
        data->setUrls({QUrl::fromLocalFile(path)});
        // Dragged in first: Qt hands a drop only to a widget that took the drag.
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, data.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(form, &enter);
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, data.get(), Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(form, &drop);
        [&] {
            QVERIFY(drop.isAccepted());
        }();
    }
    [&] {
        QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join('|')));
    }();
    // A picture loaded sizes the planes, as a change of rate does; the recipe's command then
    // runs on the picture shown.
    if (form->dialog()->FileName() != shown || form->rate(Axis::X)->Value() != rates[0] ||
        form->rate(Axis::Y)->Value() != rates[1])
        sizeAllPlanes();
    if (taken && !form->dialog()->FileName().isEmpty()) {
        const results::Recipe r = form->recipe();
        last_ = r.reduction ? Last::Reduction : Last::Scan;
        r.reduction ? sizeReducedPlane() : sizeAllPlanes();
    }
    return QStringLiteral("%1 %2, answering %3")
        .arg(how == 2 ? QStringLiteral("open") : QStringLiteral("drop"), QFileInfo(path).fileName())
        .arg(int(answer));
}

bool TestSoak::loadFile(const QString &path, bool expectMessage, int cancelMs)
{
    ProgressWatcher progress(cancelMs);
    ModalScript script;
    if (path.isEmpty())
        script.cancelDialog();
    else
        script.chooseFile(path);
    if (expectMessage)
        script.acknowledgeMessage();
    form->button(Button::Load)->click();
    [&] {
        QVERIFY2(script.done(), qPrintable(path));
        QVERIFY2(
            script.unexpected().isEmpty(),
            qPrintable(path + QStringLiteral(": ") + script.unexpected().join(QLatin1Char('|'))));
        QCOMPARE(script.messages().size(), expectMessage ? 1 : 0);
    }();
    if (progress.acted())
        return false;
    if (!expectMessage)
        sizeAllPlanes();
    return true;
}

QString TestSoak::act(Rng &rng)
{
    HScrollBar *bars[] = {
        form->bar(Channel::Green, Bound::Minimum), form->bar(Channel::Red, Bound::Minimum),
        form->bar(Channel::Blue, Bound::Minimum),  form->rate(Axis::X),
        form->bar(Channel::Red, Bound::Maximum),   form->bar(Channel::Green, Bound::Maximum),
        form->bar(Channel::Blue, Bound::Maximum),  form->rate(Axis::Y)};
    PictureBox *planes[] = {form->plane(View::Blue), form->plane(View::Green),
                            form->plane(View::Red)};
    int rates[] = {form->rate(Axis::X)->Value(), form->rate(Axis::Y)->Value()};
    QString what;
    QSignalSpy liveRuns(form->findChild<QTimer *>(QStringLiteral("livePending")), &QTimer::timeout);
    switch (pick(rng, 29)) {
    case 0: {
        const QString path = good_[pick(rng, int(good_.size()))];
        // The slow picture is sometimes cancelled, at some moment of its progress window.
        const int moments[] = {-1, -1, 0, 50, 300};
        const int cancelMs = path == slow_ ? moments[pick(rng, 5)] : -1;
        const bool loaded = loadFile(path, false, cancelMs);
        what =
            QStringLiteral("load %1%2")
                .arg(QFileInfo(path).fileName(), loaded ? QString() : QStringLiteral(" cancelled"));
        break;
    }
    case 1: {
        const QString path = bad_[pick(rng, int(bad_.size()))];
        loadFile(path, true);
        what = QStringLiteral("load bad ") + QFileInfo(path).fileName();
        break;
    }
    case 2:
        // Cancelled: the last chosen file again at the current size (refused again if it
        // was refused before), or an empty preview.
        loadFile(QString(), bad_.contains(form->dialog()->FileName()));
        what = QStringLiteral("load cancelled");
        break;
    case 3:
        form->button(Button::Clear)->click();
        last_ = Last::None;
        what = QStringLiteral("CLEAR");
        break;
    case 4:
    case 5: {
        const bool threshold = pick(rng, 2) == 1;
        (threshold ? form->button(Button::Threshold) : form->button(Button::Rgb))->click();
        sizeAllPlanes();
        last_ = Last::Scan;
        what = threshold ? QStringLiteral("THRESHOLD SCAN") : QStringLiteral("RGB");
        break;
    }
    case 6: {
        form->button(Button::Reduction)->click();
        sizeReducedPlane();
        last_ = Last::Reduction;
        what = QStringLiteral("PIXEL REDUCTION");
        break;
    }
    case 7:
    case 8:
    case 9:
    case 10: {
        HScrollBar *bar = bars[pick(rng, 8)];
        const int how = pick(rng, 6);
        if (how < 4) {
            const QAbstractSlider::SliderAction actions[] = {
                QAbstractSlider::SliderSingleStepAdd, QAbstractSlider::SliderSingleStepSub,
                QAbstractSlider::SliderPageStepAdd, QAbstractSlider::SliderPageStepSub};
            bar->triggerAction(actions[how]);
        } else if (how == 4) {
            bar->setSliderDown(true);
            bar->setSliderPosition(bar->minimum() + pick(rng, bar->maximum() - bar->minimum() + 1));
            bar->setSliderDown(false);
        } else {
            bar->setFocus();
            QTest::keyClick(bar, pick(rng, 2) ? Qt::Key_Right : Qt::Key_Left);
        }
        what = QStringLiteral("bar %1 action %2 -> %3")
                   .arg(bar->objectName())
                   .arg(how)
                   .arg(bar->Value());
        break;
    }
    case 11: {
        ComboBox *combo = pick(rng, 2) ? form->sizeList() : form->typeList();
        const int index = pick(rng, combo->ListCount());
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        what = QStringLiteral("pick %1 %2").arg(combo->objectName()).arg(index);
        break;
    }
    case 12: {
        form->typeList()->lineEdit()->setFocus();
        QTest::keyClicks(form->typeList()->lineEdit(), QStringLiteral("ab"));
        what = QStringLiteral("type in Combo2");
        break;
    }
    case 13: {
        OptionButton *options[] = {form->zoomOption(Channel::Red), form->zoomOption(Channel::Green),
                                   form->zoomOption(Channel::Blue)};
        OptionButton *option = options[pick(rng, 3)];
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, 8));
        what = QStringLiteral("option ") + option->objectName();
        break;
    }
    case 14:
    case 15:
    case 16:
    case 17: {
        PictureBox *plane = planes[pick(rng, 3)];
        const QPoint at(pick(rng, plane->width() + 1), pick(rng, plane->height() + 1));
        QTest::mouseMove(plane, at);
        if (pick(rng, 3) == 0)
            QTest::mouseClick(plane, Qt::LeftButton, {}, at);
        what = QStringLiteral("mouse over %1 at %2,%3")
                   .arg(plane->objectName())
                   .arg(at.x())
                   .arg(at.y());
        break;
    }
    case 20:
        form->live()->click();
        what = form->live()->isChecked() ? QStringLiteral("Live on") : QStringLiteral("Live off");
        break;
    case 21: {
        // A thumb held through several values, with events between them, then let go.
        HScrollBar *bar = bars[pick(rng, 8)];
        bar->setSliderDown(true);
        for (int step = pick(rng, 6) + 2; step > 0; --step) {
            bar->setSliderPosition(bar->minimum() + pick(rng, bar->maximum() - bar->minimum() + 1));
            QCoreApplication::processEvents();
        }
        bar->setSliderDown(false);
        what = QStringLiteral("drag %1 -> %2").arg(bar->objectName()).arg(bar->Value());
        break;
    }
    case 22:
    case 23:
        what = histogramAction(rng);
        break;
    case 24:
        what = overlayAction(rng);
        break;
    case 26:
        what = historyAction(rng);
        break;
    case 27:
        what = recipeAction(rng);
        // It followed its own sizes, command and all.
        rates[0] = form->rate(Axis::X)->Value();
        rates[1] = form->rate(Axis::Y)->Value();
        break;
    case 25: {
        auto *overlap = form->control<QCheckBox>("CheckOverlap");
        overlap->click();
        what = overlap->isChecked() ? QStringLiteral("Overlap on") : QStringLiteral("Overlap off");
        break;
    }
    default: {
        frmAbout *box = testpics::aboutBox();
        const int how = pick(rng, 4);
        if (!box || !box->isVisible() || how == 0) {
            form->button(Button::About)->click();
            if (frmAbout *opened = testpics::aboutBox())
                withoutSystemInfo(opened);
            what = QStringLiteral("about");
        } else if (how == 1) {
            ModalScript script;
            script.acknowledgeMessage();
            box->cmdSysInfo->click();
            what = script.done() ? QStringLiteral("system info")
                                 : QStringLiteral("system info showed no message");
        } else {
            (how == 2 ? box->cmdOK->click() : (void)box->close());
            what = QStringLiteral("close about");
        }
        break;
    }
    }
    if (form->rate(Axis::X)->Value() != rates[0] || form->rate(Axis::Y)->Value() != rates[1])
        sizeAllPlanes(); // setRGB ran
    // Live runs still pending happen now; each repeats the last command, sizes and all.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    if (!liveRuns.isEmpty() && last_ == Last::Scan)
        sizeAllPlanes();
    else if (!liveRuns.isEmpty() && last_ == Last::Reduction)
        sizeReducedPlane();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return what;
}

QString TestSoak::check()
{
    struct Row {
        HScrollBar *min, *max;
        Label *minOut, *maxOut;
    };
    const Row rows[] = {
        {form->bar(Channel::Red, Bound::Minimum), form->bar(Channel::Red, Bound::Maximum),
         form->readout(Channel::Red, Bound::Minimum), form->readout(Channel::Red, Bound::Maximum)},
        {form->bar(Channel::Green, Bound::Minimum), form->bar(Channel::Green, Bound::Maximum),
         form->readout(Channel::Green, Bound::Minimum),
         form->readout(Channel::Green, Bound::Maximum)},
        {form->bar(Channel::Blue, Bound::Minimum), form->bar(Channel::Blue, Bound::Maximum),
         form->readout(Channel::Blue, Bound::Minimum),
         form->readout(Channel::Blue, Bound::Maximum)}};
    for (const Row &r : rows) {
        if (r.max->Min() != r.min->Value() || r.max->Value() < r.max->Min())
            return QStringLiteral("%1 range does not follow %2")
                .arg(r.max->objectName(), r.min->objectName());
        if (r.minOut->Caption() != QString::number(r.min->Value()) ||
            r.maxOut->Caption() != QString::number(r.max->Value()))
            return QStringLiteral("a read-out of row %1 is stale").arg(r.min->objectName());
    }
    if (form->swatch(Bound::Minimum)->BackColor() !=
            RGB(form->bar(Channel::Red, Bound::Minimum)->Value(),
                form->bar(Channel::Green, Bound::Minimum)->Value(),
                form->bar(Channel::Blue, Bound::Minimum)->Value()) ||
        form->swatch(Bound::Maximum)->BackColor() !=
            RGB(form->bar(Channel::Red, Bound::Maximum)->Value(),
                form->bar(Channel::Green, Bound::Maximum)->Value(),
                form->bar(Channel::Blue, Bound::Maximum)->Value()))
        return QStringLiteral("a swatch does not show its bars");
    auto rateOk = [](const Label *l, char axis, int v) {
        return l->Caption() == geometry::rateCaption(axis, v) ||
               (v == 3 && l->Caption() == QStringLiteral("Rate %1 1: 3").arg(QLatin1Char(axis)));
    };
    if (!rateOk(form->rateCaption(Axis::X), 'x', form->rate(Axis::X)->Value()) ||
        !rateOk(form->rateCaption(Axis::Y), 'y', form->rate(Axis::Y)->Value()))
        return QStringLiteral("a rate read-out does not match its rate");
    const PictureBox *planes[] = {form->plane(View::Blue), form->plane(View::Green),
                                  form->plane(View::Red)};
    for (int i = 0; i < 3; ++i)
        if (outer(planes[i]) != expected_[i])
            return QStringLiteral("%1 measures %2 x %3, not %4 x %5")
                .arg(planes[i]->objectName())
                .arg(planes[i]->Width())
                .arg(planes[i]->Height())
                .arg(expected_[i].width())
                .arg(expected_[i].height());
    const QString status = form->status()->Caption();
    if (status != QLatin1String("Process complete") && status != QLatin1String("Process complete."))
        return QStringLiteral("status line reads \"%1\"").arg(status);
    for (const Label *l :
         {form->probe(Channel::Blue), form->probe(Channel::Green), form->probe(Channel::Red)}) {
        bool ok = false;
        const int v = l->Caption().toInt(&ok);
        if (!ok || v < 0 || v > 255)
            return QStringLiteral("probe read-out %1 reads \"%2\"")
                .arg(l->objectName(), l->Caption());
    }
    if (visibleAboutBoxes() > 1)
        return QStringLiteral("more than one about box");
    // The overlay shows the preview as it is, at its size; nothing for a preview under a pixel.
    const QSize preview(int(form->preview()->Width()), int(form->preview()->Height()));
    if (frmOverlay *window = overlay();
        window && window->isVisible() &&
        !(preview.isEmpty() ? window->composed().isNull() : window->composed().size() == preview))
        return QStringLiteral("the overlay is %1 x %2, the preview %3 x %4")
            .arg(window->composed().width())
            .arg(window->composed().height())
            .arg(form->preview()->Width())
            .arg(form->preview()->Height());
    if (frmHistogram *window = histogram(); window && window->isVisible()) {
        const float side[] = {form->preview()->Width(), form->preview()->Height()};
        const std::uint64_t blocks =
            std::uint64_t(geometry::stepCount(side[0], form->rate(Axis::X)->Value())) *
            std::uint64_t(geometry::stepCount(side[1], form->rate(Axis::Y)->Value()));
        for (int c = 0; c < 3; ++c) {
            const histogram::Bins &b = window->view(Channel(c))->bins();
            if (std::accumulate(b.begin(), b.end(), std::uint64_t{0}) != blocks)
                return QStringLiteral("the histogram does not count the %1 blocks").arg(blocks);
        }
    }
    return {};
}

void TestSoak::randomUse()
{
    const int seed = envInt("TINTARA_SOAK_SEED", 20261208);
    const int actions = envInt("TINTARA_SOAK_ACTIONS", 5000);
    good_ << testpics::write(dir_, QStringLiteral("wide.png"),
                             testpics::split(640, 480, Qt::red, Qt::cyan))
          << testpics::write(dir_, QStringLiteral("tall.jpg"),
                             testpics::split(480, 640, Qt::yellow, Qt::blue))
          << testpics::write(dir_, QStringLiteral("square.bmp"),
                             testpics::solid(300, 300, QColor(200, 100, 50)))
          << testpics::write(dir_, QStringLiteral("flat.png"),
                             testpics::split(1000, 10, Qt::black, Qt::white))
          << testpics::write(dir_, QStringLiteral("dot.png"), testpics::solid(1, 1, Qt::green))
          << (slow_ = testpics::writeSlowJpeg(dir_, QStringLiteral("slow.jpg")));
    const QDir corpus(QStringLiteral(TINTARA_BAD_CORPUS));
    for (const QString &name : corpus.entryList(QDir::Files, QDir::Name))
        if (!name.startsWith(QLatin1String("odd"))) // files that may go either way
            (name.startsWith(QLatin1String("valid")) ? good_ : bad_) << corpus.filePath(name);

    // Recipes that cannot be used: each gives its one message, and nothing changes.
    for (const auto &[name, json] :
         {std::pair{"cut.tintara.json", QByteArray("{\"Software\": \"Tintara\", \"Ra")},
          std::pair{"later.tintara.json",
                    QByteArray("{\"Software\": \"Tintara\", \"Format version\": \"99\"}")}}) {
        QFile f(dir_.filePath(QLatin1String(name)));
        if (!f.open(QIODevice::WriteOnly) || f.write(json) != json.size())
            QFAIL("cannot write a recipe");
        recipes_ << f.fileName();
    }
    form = new Form1Driver;
    for (QSizeF &e : expected_)
        e = QSizeF(217, 169);
    Rng rng(static_cast<Rng::result_type>(seed));
    std::deque<QString> recent;
    for (int i = 0; i < actions; ++i) {
        recent.push_back(act(rng));
        if (QTest::currentTestFailed())
            break;
        if (recent.size() > 12)
            recent.pop_front();
        const QString broken = check();
        if (!broken.isEmpty()) {
            QStringList trail(recent.begin(), recent.end());
            QFAIL(qPrintable(QStringLiteral("seed %1, action %2: %3\nlast actions:\n  %4")
                                 .arg(seed)
                                 .arg(i)
                                 .arg(broken, trail.join(QStringLiteral("\n  ")))));
        }
    }
    if (frmAbout *box = testpics::aboutBox())
        box->close();
    delete form;
    qInfo("soak: seed %d, %d actions", seed, actions);
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
