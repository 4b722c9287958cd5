// Live mode: with "Live" ticked, every change runs the last command again, and the planes show
// what a press of that command in an untouched twin window shows. And the keyboard shortcuts.
#include "app/form1.h"
#include "support/modalscript.h"
#include "support/pictures.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>
#include <functional>

using namespace platform;

namespace {

using Change = std::function<void(Form1 &)>;
using Press = void (Form1::*)();

QList<QImage> views(const Form1 &f)
{
    return {f.Picture4->surface(), f.Picture3->surface(), f.Picture2->surface(),
            f.Immagine->surface()};
}

void settle()
{
    // Lets a pending live run happen; nothing waits for a time.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(Press)

class TestLive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void followsEveryChange_data();
    void followsEveryChange();
    void loadRunsAgainAndClearStops();
    void untickedChangesNothing();
    void aBurstEndsOnTheFinalValue();
    void shortcuts();

private:
    void startBoth(Form1 &live, Form1 &twin);
    QTemporaryDir dir_;
    QString picture_, other_;
};

void TestLive::initTestCase()
{
    QImage img(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb((x * 3 + y) & 255, (x * y / 7) & 255, (y * 5 + x / 3) & 255));
    picture_ = testpics::write(dir_, QStringLiteral("live.png"), img);
    other_ = testpics::write(dir_, QStringLiteral("other.png"), img.mirrored(true, false));
}

void TestLive::startBoth(Form1 &live, Form1 &twin)
{
    for (Form1 *f : {&live, &twin}) {
        testpics::start(*f);
        testpics::load(*f, picture_);
    }
    live.CheckLive->setChecked(true);
}

void TestLive::followsEveryChange_data()
{
    QTest::addColumn<Press>("press");
    QTest::addColumn<bool>("zoom");
    QTest::addColumn<Change>("change");
    const QList<std::pair<const char *, Change>> changes = {
        {"min arrow",
         [](Form1 &f) {
             f.HScroll2->triggerAction(QAbstractSlider::SliderSingleStepAdd);
         }},
        {"max page",
         [](Form1 &f) {
             f.HScroll6->triggerAction(QAbstractSlider::SliderPageStepSub);
         }},
        {"rate x drag",
         [](Form1 &f) {
             f.HScroll4->setSliderDown(true);
             f.HScroll4->setSliderPosition(11);
             f.HScroll4->setSliderDown(false);
         }},
        {"rate y key",
         [](Form1 &f) {
             f.HScroll8->setFocus();
             QTest::keyClick(f.HScroll8, Qt::Key_Right);
         }},
        {"type picked",
         [](Form1 &f) {
             f.Combo2->setCurrentIndex(3);
             emit f.Combo2->activated(3);
         }},
        {"type typed",
         [](Form1 &f) {
             f.Combo2->lineEdit()->setFocus();
             QTest::keyClicks(f.Combo2->lineEdit(), QStringLiteral("x"));
         }},
    };
    const std::pair<const char *, Press> presses[] = {{"RGB", &Form1::Command1_Click},
                                                      {"THRESHOLD", &Form1::Command7_Click},
                                                      {"REDUCTION", &Form1::Command3_Click}};
    for (const auto &[command, press] : presses)
        for (const auto &[what, change] : changes)
            for (bool zoom : {false, true})
                QTest::addRow("%s, %s%s", command, what, zoom ? ", zoom" : "")
                    << press << zoom << change;
}

void TestLive::followsEveryChange()
{
    QFETCH(Press, press);
    QFETCH(bool, zoom);
    QFETCH(Change, change);
    Form1 live, twin;
    startBoth(live, twin);
    (live.*press)();
    if (zoom)
        live.Option1->click();
    change(live);
    change(twin);
    (twin.*press)();
    if (zoom)
        twin.Option1->click();
    QTRY_VERIFY(views(live) == views(twin));
    QCOMPARE(live.Option1->isChecked(), zoom);
}

void TestLive::loadRunsAgainAndClearStops()
{
    Form1 live, twin;
    startBoth(live, twin);
    live.Command7->click();
    testpics::load(live, other_);
    testpics::load(twin, other_);
    twin.Command7->click();
    QTRY_VERIFY(views(live) == views(twin));

    live.Command2->click();
    const QList<QImage> cleared = views(live);
    live.HScroll2->setValue(40);
    settle();
    QCOMPARE(views(live), cleared);
}

void TestLive::untickedChangesNothing()
{
    Form1 form;
    testpics::start(form);
    testpics::load(form, picture_);
    form.Command1->click();
    const QList<QImage> before = views(form);
    form.HScroll2->setValue(30);
    form.HScroll7->setValue(200);
    form.Combo2->setCurrentIndex(2);
    emit form.Combo2->activated(2);
    settle();
    QCOMPARE(views(form), before);
}

void TestLive::aBurstEndsOnTheFinalValue()
{
    Form1 live, twin;
    startBoth(live, twin);
    live.Command7->click();
    // A thumb's worth of values delivered with no event processing between them.
    for (int v = 0; v <= 200; v += 5)
        live.HScroll1->setValue(v);
    twin.HScroll1->setValue(200);
    twin.Command7->click();
    QTRY_VERIFY(views(live) == views(twin));

    // A thumb still held: the planes follow the values it passes, not only where it is let go.
    live.HScroll6->setSliderDown(true);
    for (int v = 250; v >= 150; v -= 10) {
        live.HScroll6->setSliderPosition(v);
        QCoreApplication::processEvents();
    }
    twin.HScroll6->setValue(150);
    twin.Command7->click();
    QTRY_VERIFY(views(live) == views(twin));
    live.HScroll6->setSliderDown(false);
}

void TestLive::shortcuts()
{
    Form1 form, twin;
    for (Form1 *f : {&form, &twin}) {
        testpics::start(*f);
        testpics::load(*f, picture_);
    }
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    {
        ModalScript script;
        script.cancelDialog();
        QTest::keySequence(&form, QKeySequence::Open);
        QCOMPARE(script.answered(), 1);
    }
    // F5 runs the last command again, live or not.
    form.Command1->click();
    twin.Command1->click();
    form.HScroll4->setValue(7);
    twin.HScroll4->setValue(7);
    twin.Command1->click();
    QVERIFY(views(form) != views(twin));
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_F5);
    QCOMPARE(views(form), views(twin));
    // Copy and Save act on the focused plane, and the menu shows their keys.
    form.Picture3->setFocus();
    QGuiApplication::clipboard()->clear();
    QTest::keySequence(form.Picture3, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->image(), form.Picture3->surface());
    QCOMPARE(form.Picture3->actions().at(1)->shortcut(), QKeySequence(QKeySequence::Save));
    {
        ModalScript script;
        script.cancelDialog();
        QTest::keySequence(form.Picture3, QKeySequence::Save);
        QCOMPARE(script.answered(), 1);
    }
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keySequence(&form, QKeySequence(Qt::CTRL | Qt::Key_Q));
    QVERIFY(!form.isVisible());
}

QTEST_MAIN(TestLive)
#include "tst_live.moc"
