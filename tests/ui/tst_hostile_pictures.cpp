// Every file of the hostile-picture corpus through the real Load command: the valid ones load,
// every other one is refused with one message and leaves the window exactly as it was.
#include "support/form1driver.h"
#include "support/modalscript.h"
#include "support/pictures.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <unistd.h>

using namespace platform;
using namespace core;

namespace {

// Everything the controls show, as text: two states that print alike look alike.
QString stateOf(const Form1Driver &form)
{
    QStringList parts;
    for (const QWidget *w : form.findChildren<QWidget *>()) {
        QString line = w->objectName() + QLatin1Char('@') + QString::number(w->geometry().x()) +
                       QLatin1Char(',') + QString::number(w->geometry().y()) + QLatin1Char(',') +
                       QString::number(w->width()) + QLatin1Char('x') +
                       QString::number(w->height()) + (w->isVisible() ? "" : " hidden");
        if (auto *l = qobject_cast<const QLabel *>(w))
            line += QLatin1Char(' ') + l->text();
        if (auto *s = qobject_cast<const QScrollBar *>(w))
            line += QStringLiteral(" %1/%2").arg(s->value()).arg(s->minimum());
        parts << line;
    }
    return parts.join(QLatin1Char('\n'));
}

} // namespace

class TestHostilePictures : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void eachFile_data();
    void eachFile();
    void fileWithoutReadPermission();

private:
    Form1Driver *form = nullptr;
    QTemporaryDir dir_;
};

void TestHostilePictures::initTestCase()
{
    form = new Form1Driver;
    // Start from a loaded and scanned picture, so that there is something to lose.
    form->load(testpics::write(dir_, QStringLiteral("start.png"),
                               testpics::split(400, 300, Qt::red, Qt::darkGreen)));
    form->button(Button::Threshold)->click();
    form->zoomOption(Channel::Blue)->click();
}

void TestHostilePictures::cleanupTestCase()
{
    delete form;
}

void TestHostilePictures::eachFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("expect"); // 1 loads, 0 is refused, -1 either, never a hang or crash
    const QDir corpus(QStringLiteral(TINTARA_BAD_CORPUS));
    const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 20);
    for (const QString &name : files)
        QTest::newRow(qPrintable(name)) << corpus.filePath(name)
                                        << (name.startsWith(QLatin1String("valid")) ? 1
                                            : name.startsWith(QLatin1String("odd")) ? -1
                                                                                    : 0);
}

void TestHostilePictures::eachFile()
{
    QFETCH(QString, path);
    QFETCH(int, expect);
    const QImage before = testpics::capture(*form);
    const QString state = stateOf(*form);
    QStringList messages;
    bool valid = expect == 1;
    {
        ModalScript script;
        script.chooseFile(path);
        if (expect == 0)
            script.acknowledgeMessage();
        form->click(Button::Load);
        QVERIFY(script.done());
        if (expect == -1) {
            messages = script.unexpected();
            valid = messages.isEmpty();
        } else {
            QVERIFY(script.unexpected().isEmpty());
            messages = script.messages();
        }
    }
    if (valid) {
        QCOMPARE(messages.size(), 0);
        QVERIFY(!form->preview()->Picture().isNull());
        // Put the starting picture back for the next row.
        form->load(dir_.filePath(QStringLiteral("start.png")));
        form->button(Button::Threshold)->click();
        form->zoomOption(Channel::Blue)->click();
        return;
    }
    QCOMPARE(messages.size(), 1);
    const QString message = messages.constFirst();
    QVERIFY2(message.contains(QFileInfo(path).fileName()), qPrintable(message));
    if (path.contains(QLatin1String("bomb")))
        QVERIFY2(message.contains(QLatin1String("too large")), qPrintable(message));
    QCOMPARE(stateOf(*form), state);
    QCOMPARE(testpics::capture(*form), before);
}

void TestHostilePictures::fileWithoutReadPermission()
{
    if (geteuid() == 0)
        QSKIP("root reads every file");
    const QString path =
        testpics::write(dir_, QStringLiteral("locked.png"), testpics::solid(20, 20, Qt::blue));
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    const QImage before = testpics::capture(*form);
    ModalScript script;
    script.chooseFile(path).acknowledgeMessage();
    form->click(Button::Load);
    QVERIFY(script.done());
    QCOMPARE(script.messages().size(), 1);
    QCOMPARE(testpics::capture(*form), before);
}

QTEST_MAIN(TestHostilePictures)
#include "tst_hostile_pictures.moc"
