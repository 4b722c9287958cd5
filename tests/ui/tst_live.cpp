// Live mode: with "Live" ticked, every change runs the last command again, and the planes show
// what a press of that command in an untouched twin window shows. And the keyboard shortcuts.
#include "support/form1driver.h"
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

using Change = std::function<void(Form1Driver &)>;
using Press = Button;

QList<QImage> views(const Form1Driver &f)
{
    return {f.plane(View::Red)->surface(), f.plane(View::Green)->surface(),
            f.plane(View::Blue)->surface(), f.plane(View::Zoom)->surface()};
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
    void startBoth(Form1Driver &live, Form1Driver &twin);
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

void TestLive::startBoth(Form1Driver &live, Form1Driver &twin)
{
    for (Form1Driver *f : {&live, &twin})
        f->load(picture_);
    live.live()->setChecked(true);
}

void TestLive::followsEveryChange_data()
{
    QTest::addColumn<Press>("press");
    QTest::addColumn<bool>("zoom");
    QTest::addColumn<Change>("change");
    const QList<std::pair<const char *, Change>> changes = {
        {"min arrow",
         [](Form1Driver &f) {
             f.bar(Channel::Red, Bound::Minimum)
                 ->triggerAction(QAbstractSlider::SliderSingleStepAdd);
         }},
        {"max page",
         [](Form1Driver &f) {
             f.bar(Channel::Green, Bound::Maximum)
                 ->triggerAction(QAbstractSlider::SliderPageStepSub);
         }},
        {"rate x drag",
         [](Form1Driver &f) {
             f.rate(Axis::X)->setSliderDown(true);
             f.rate(Axis::X)->setSliderPosition(11);
             f.rate(Axis::X)->setSliderDown(false);
         }},
        {"rate y key",
         [](Form1Driver &f) {
             f.rate(Axis::Y)->setFocus();
             QTest::keyClick(f.rate(Axis::Y), Qt::Key_Right);
         }},
        {"type picked",
         [](Form1Driver &f) {
             f.typeList()->setCurrentIndex(3);
             emit f.typeList()->activated(3);
         }},
        {"type typed",
         [](Form1Driver &f) {
             f.typeList()->lineEdit()->setFocus();
             QTest::keyClicks(f.typeList()->lineEdit(), QStringLiteral("x"));
         }},
    };
    const std::pair<const char *, Press> presses[] = {
        {"RGB", Button::Rgb}, {"THRESHOLD", Button::Threshold}, {"REDUCTION", Button::Reduction}};
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
    Form1Driver live, twin;
    startBoth(live, twin);
    live.click(press);
    if (zoom)
        live.zoomOption(Channel::Red)->click();
    change(live);
    change(twin);
    twin.click(press);
    if (zoom)
        twin.zoomOption(Channel::Red)->click();
    QTRY_VERIFY(views(live) == views(twin));
    QCOMPARE(live.zoomOption(Channel::Red)->isChecked(), zoom);
}

void TestLive::loadRunsAgainAndClearStops()
{
    Form1Driver live, twin;
    startBoth(live, twin);
    live.button(Button::Threshold)->click();
    live.load(other_);
    twin.load(other_);
    twin.button(Button::Threshold)->click();
    QTRY_VERIFY(views(live) == views(twin));

    live.button(Button::Clear)->click();
    const QList<QImage> cleared = views(live);
    live.bar(Channel::Red, Bound::Minimum)->setValue(40);
    settle();
    QCOMPARE(views(live), cleared);
}

void TestLive::untickedChangesNothing()
{
    Form1Driver form;
    form.load(picture_);
    form.button(Button::Rgb)->click();
    const QList<QImage> before = views(form);
    form.bar(Channel::Red, Bound::Minimum)->setValue(30);
    form.bar(Channel::Blue, Bound::Maximum)->setValue(200);
    form.typeList()->setCurrentIndex(2);
    emit form.typeList()->activated(2);
    settle();
    QCOMPARE(views(form), before);
}

void TestLive::aBurstEndsOnTheFinalValue()
{
    Form1Driver live, twin;
    startBoth(live, twin);
    live.button(Button::Threshold)->click();
    // A thumb's worth of values delivered with no event processing between them.
    for (int v = 0; v <= 200; v += 5)
        live.bar(Channel::Green, Bound::Minimum)->setValue(v);
    twin.bar(Channel::Green, Bound::Minimum)->setValue(200);
    twin.button(Button::Threshold)->click();
    QTRY_VERIFY(views(live) == views(twin));

    // A thumb still held: the planes follow the values it passes, not only where it is let go.
    live.bar(Channel::Green, Bound::Maximum)->setSliderDown(true);
    for (int v = 250; v >= 150; v -= 10) {
        live.bar(Channel::Green, Bound::Maximum)->setSliderPosition(v);
        QCoreApplication::processEvents();
    }
    twin.bar(Channel::Green, Bound::Maximum)->setValue(150);
    twin.button(Button::Threshold)->click();
    QTRY_VERIFY(views(live) == views(twin));
    live.bar(Channel::Green, Bound::Maximum)->setSliderDown(false);
}

void TestLive::shortcuts()
{
    Form1Driver form, twin;
    for (Form1Driver *f : {&form, &twin})
        f->load(picture_);
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    {
        ModalScript script;
        script.cancelDialog();
        QTest::keySequence(&form, QKeySequence::Open);
        QCOMPARE(script.answered(), 1);
    }
    // F5 runs the last command again, live or not.
    form.button(Button::Rgb)->click();
    twin.button(Button::Rgb)->click();
    form.rate(Axis::X)->setValue(7);
    twin.rate(Axis::X)->setValue(7);
    twin.button(Button::Rgb)->click();
    QVERIFY(views(form) != views(twin));
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_F5);
    QCOMPARE(views(form), views(twin));
    // Also after CLEAR, which erased the planes.
    form.button(Button::Clear)->click();
    QVERIFY(views(form) != views(twin));
    QTest::keyClick(&form, Qt::Key_F5);
    QCOMPARE(views(form), views(twin));
    // Copy and Save act on the focused plane, and the menu shows their keys.
    form.plane(View::Green)->setFocus();
    QGuiApplication::clipboard()->clear();
    QTest::keySequence(form.plane(View::Green), QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->image(), form.resultImage(View::Green));
    QCOMPARE(form.plane(View::Green)->actions().at(1)->shortcut(),
             QKeySequence(QKeySequence::Save));
    {
        ModalScript script;
        script.cancelDialog();
        QTest::keySequence(form.plane(View::Green), QKeySequence::Save);
        QCOMPARE(script.answered(), 1);
    }
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keySequence(&form, QKeySequence(Qt::CTRL | Qt::Key_Q));
    QVERIFY(!form.isVisible());
}

QTEST_MAIN(TestLive)
#include "tst_live.moc"
