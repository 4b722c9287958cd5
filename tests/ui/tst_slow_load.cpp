// Loads slow enough to show the progress window, through the real Load button: never a crash,
// and the window always shows one whole picture, the old one or the new one.
#include "picture/pictureloader.h"
#include "support/form1driver.h"
#include "support/modalscript.h"
#include "support/pictures.h"
#include "support/slowload.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTest>

using namespace platform;
using picture::LoadPicture;

class TestSlowLoad : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cancelAtAnyMoment_data();
    void cancelAtAnyMoment();
    void manySlowLoadsInARow();
    void loadAgainWhileACancelledLoadRuns();
    void closeTheWindowWhileALoadRuns();

private:
    // Presses Load, picks `path`, and lets `watcher` act on the progress window.
    void pressLoad(Form1Driver &form, const QString &path);
    QImage shown(Form1Driver &form) const { return form.preview()->Picture(); }

    QTemporaryDir dir_;
    QString slow_, before_, after_;
    QImage slowImage_, beforeImage_, afterImage_;
};

void TestSlowLoad::initTestCase()
{
    slow_ = testpics::writeSlowJpeg(dir_, QStringLiteral("slow.jpg"));
    before_ = testpics::write(dir_, QStringLiteral("before.png"),
                              testpics::split(400, 300, Qt::red, Qt::blue));
    after_ = testpics::write(dir_, QStringLiteral("after.png"),
                             testpics::split(300, 400, Qt::green, Qt::black));
    slowImage_ = LoadPicture(slow_, 500)->image;
    beforeImage_ = LoadPicture(before_, 500)->image;
    afterImage_ = LoadPicture(after_, 500)->image;
    QVERIFY(!slowImage_.isNull() && !beforeImage_.isNull() && !afterImage_.isNull());
}

void TestSlowLoad::pressLoad(Form1Driver &form, const QString &path)
{
    ModalScript script;
    script.chooseFile(path);
    // Clicked from a running event loop, as a user's click is, so that whatever the load
    // hands to deleteLater is deleted inside the progress window's loop.
    QEventLoop main;
    QTimer::singleShot(0, &form, [&] {
        form.button(Button::Load)->click();
        main.quit();
    });
    main.exec();
    QVERIFY(script.done());
    QVERIFY2(script.unexpected().isEmpty(), qPrintable(script.unexpected().join(u'|')));
}

void TestSlowLoad::cancelAtAnyMoment_data()
{
    QTest::addColumn<int>("cancelMs"); // after the progress window shows; -1 never
    for (int ms : {-1, 0, 1, 5, 20, 60, 150, 300, 500, 800, 1200, 3000})
        QTest::addRow("%d ms", ms) << ms;
}

void TestSlowLoad::cancelAtAnyMoment()
{
    QFETCH(int, cancelMs);
    Form1Driver form;
    pressLoad(form, before_);
    QCOMPARE(shown(form), beforeImage_);
    ProgressWatcher watcher(cancelMs);
    pressLoad(form, slow_);
    QVERIFY(watcher.seen());
    // A cancel that came in time leaves the old picture; one after the load ended, the new.
    QCOMPARE(shown(form), watcher.acted() ? beforeImage_ : slowImage_);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    if (!watcher.acted())
        return;
    // A cancelled dialog then loads again the picture shown, not the one given up on.
    ModalScript script;
    script.cancelDialog();
    form.click(Button::Load);
    QVERIFY(script.done());
    QVERIFY(script.unexpected().isEmpty());
    QCOMPARE(shown(form), beforeImage_);
}

void TestSlowLoad::manySlowLoadsInARow()
{
    Form1Driver form;
    for (int i = 0; i < 4; ++i) {
        pressLoad(form, i % 2 ? before_ : slow_);
        QCOMPARE(shown(form), i % 2 ? beforeImage_ : slowImage_);
    }
}

void TestSlowLoad::loadAgainWhileACancelledLoadRuns()
{
    Form1Driver form;
    pressLoad(form, before_);
    for (int i = 0; i < 3; ++i) {
        ProgressWatcher watcher(0);
        pressLoad(form, slow_);
        QVERIFY(watcher.acted());
        QCOMPARE(shown(form), beforeImage_);
        // Straight away, while the cancelled decode may still wind down.
        pressLoad(form, after_);
        QCOMPARE(shown(form), afterImage_);
        ProgressWatcher never(-1);
        pressLoad(form, slow_);
        QCOMPARE(shown(form), slowImage_);
        pressLoad(form, before_);
    }
}

void TestSlowLoad::closeTheWindowWhileALoadRuns()
{
    for (int ms : {0, 50, 300}) {
        auto *form = new Form1Driver;
        pressLoad(*form, before_);
        ProgressWatcher watcher(ms, [form](QProgressDialog *) { form->close(); });
        pressLoad(*form, slow_);
        QVERIFY(watcher.acted());
        QVERIFY(!form->isVisible());
        QCOMPARE(shown(*form), beforeImage_);
        // Destroyed while the decode it cancelled may still be running.
        delete form;
    }
    // Cancelled, then destroyed at once.
    auto *form = new Form1Driver;
    ProgressWatcher watcher(0);
    pressLoad(*form, slow_);
    QVERIFY(watcher.acted());
    delete form;
}

QTEST_MAIN(TestSlowLoad)
#include "tst_slow_load.moc"
