// The batch writes, for every picture and setting, exactly the planes the window shows.
#include "app/batchworker.h"
#include "app/form1.h"
#include "support/pictures.h"

#include <QImageWriter>
#include <QProcess>
#include <QTest>
#include <csignal>

using namespace platform;

Q_DECLARE_METATYPE(batch::Settings)

class TestBatch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void planesEqualTheWindow_data();
    void planesEqualTheWindow();
    void commandLine();

private:
    QTemporaryDir dir_;
    QString odd_, thin_, portrait_, turned_;
};

void TestBatch::initTestCase()
{
    QImage noise(333, 211, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 7 + y) & 255, (x * y) & 255, (y * 5) & 255));
    odd_ = testpics::write(dir_, QStringLiteral("odd.png"), noise);
    thin_ = testpics::write(dir_, QStringLiteral("thin.png"), noise.copy(10, 0, 1, 200));
    portrait_ = testpics::write(dir_, QStringLiteral("portrait.png"), noise.copy(0, 0, 150, 211));
    turned_ = dir_.filePath(QStringLiteral("turned.jpg"));
    QImageWriter writer(turned_, "jpeg");
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    QVERIFY(writer.write(noise));
}

void TestBatch::planesEqualTheWindow_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<batch::Settings>("settings");
    const auto with = [](int size, int rx, int ry, int type, bool threshold, bool reduction,
                         const char *zoom) {
        batch::Settings s;
        s.size = size, s.rx = rx, s.ry = ry, s.selection = type, s.threshold = threshold;
        s.reduction = reduction, s.zoom = QLatin1String(zoom);
        s.red = {100, 200}, s.green = {30, 40}, s.blue = {200, 150}; // the last one is empty
        return s;
    };
    QTest::newRow("odd, media RGB 3, 500") << odd_ << with(500, 3, 3, 0, false, false, "r");
    QTest::newRow("odd, massimo threshold 7, 300") << odd_ << with(300, 7, 7, 1, true, false, "");
    QTest::newRow("odd, minimo RGB 30x4, 200") << odd_ << with(200, 30, 4, 2, false, false, "b");
    QTest::newRow("thin, spread threshold 3, 400") << thin_ << with(400, 3, 3, 3, true, false, "g");
    QTest::newRow("portrait, spread RGB 5x9, 500")
        << portrait_ << with(500, 5, 9, 3, false, false, "");
    QTest::newRow("portrait, reduction 7, 300")
        << portrait_ << with(300, 7, 7, 0, false, true, "b");
    QTest::newRow("turned, media threshold 3, 500")
        << turned_ << with(500, 3, 3, 0, true, false, "");
}

void TestBatch::planesEqualTheWindow()
{
    QFETCH(QString, picture);
    QFETCH(batch::Settings, settings);
    QTemporaryDir out;
    settings.outDir = out.path();
    const batch::Outcome o = batch::processPicture(settings, picture);
    QVERIFY2(o.ok, qPrintable(o.reason));

    // The window, as a user drives it.
    Form1 form;
    testpics::start(form);
    form.Combo1->setListIndex((settings.size - 200) / 100);
    testpics::load(form, picture);
    form.HScroll4->setValue(settings.rx);
    form.HScroll8->setValue(settings.ry);
    form.HScroll2->setValue(settings.red.lo);
    form.HScroll5->setValue(settings.red.hi);
    form.HScroll1->setValue(settings.green.lo);
    form.HScroll6->setValue(settings.green.hi);
    form.HScroll3->setValue(settings.blue.lo);
    form.HScroll7->setValue(settings.blue.hi);
    form.Combo2->setListIndex(settings.selection);
    (settings.reduction   ? form.Command3
     : settings.threshold ? form.Command7
                          : form.Command1)
        ->click();
    if (!settings.zoom.isEmpty())
        (settings.zoom == QLatin1String("r")   ? form.Option1
         : settings.zoom == QLatin1String("g") ? form.Option2
                                               : form.Option3)
            ->click();
    const std::pair<const char *, PictureBox *> views[] = {{"red", form.Picture4},
                                                           {"green", form.Picture3},
                                                           {"blue", form.Picture2},
                                                           {"zoom", form.Immagine}};
    int compared = 0;
    for (const auto &[view, box] : views) {
        const QString name = form.resultName(QLatin1String(view));
        if (!o.outputs.contains(name))
            continue;
        const QImage written(QDir(out.path()).filePath(name));
        QCOMPARE(written.convertToFormat(QImage::Format_RGB32),
                 box->surface().convertToFormat(QImage::Format_RGB32));
        ++compared;
    }
    QCOMPARE(compared, o.outputs.size());
    QCOMPARE(compared, (settings.reduction ? 1 : 3) + (settings.zoom.isEmpty() ? 0 : 1));
}

void TestBatch::commandLine()
{
    QTemporaryDir out;
    const auto run = [&](const QStringList &args, int status) {
        QProcess p;
        p.start(QStringLiteral(TINTARA_BINARY), QStringList{QStringLiteral("--batch")} + args);
        p.waitForFinished(60000);
        [&] {
            QCOMPARE(p.exitCode(), status);
        }();
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    const QString bad =
        testpics::write(dir_, QStringLiteral("bad.png"), testpics::solid(9, 9, Qt::red));
    QFile::resize(bad, 30);
    const QString report = run({QStringLiteral("--jobs"), QStringLiteral("2"),
                                QStringLiteral("--out"), out.path(), odd_, bad, thin_},
                               1);
    const QStringList lines = report.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith(odd_ + QStringLiteral("\tok\todd-red-media-3x3.png, ")));
    QVERIFY(lines[1].startsWith(bad + QStringLiteral("\trefused\t")));
    QVERIFY(lines[2].startsWith(thin_ + QStringLiteral("\tok\t")));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 6);
    // Existing outputs stay unless asked to replace them.
    run({QStringLiteral("--out"), out.path(), odd_}, 1);
    run({QStringLiteral("--overwrite"), QStringLiteral("--out"), out.path(), odd_}, 0);
    QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 6);
    // An output that would be one of the pictures given.
    const QString victim = QDir(out.path()).filePath(QStringLiteral("odd-red-media-3x3.png"));
    QFile::copy(odd_, QDir(out.path()).filePath(QStringLiteral("odd.png")));
    run({QStringLiteral("--overwrite"), QStringLiteral("--out"), out.path(), victim,
         QDir(out.path()).filePath(QStringLiteral("odd.png"))},
        1);
    // Interrupted: the pictures under way are finished, and only whole files are left.
    QTemporaryDir cut;
    QStringList many{QStringLiteral("--jobs"), QStringLiteral("1"), QStringLiteral("--out"),
                     cut.path()};
    for (int i = 0; i < 40; ++i)
        many << odd_;
    QProcess p;
    p.start(QStringLiteral(TINTARA_BINARY), QStringList{QStringLiteral("--batch")} + many);
    QVERIFY(p.waitForReadyRead(60000));
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 130);
    for (const QString &name : QDir(cut.path()).entryList(QDir::Files)) {
        QVERIFY2(name.endsWith(QLatin1String(".png")), qPrintable(name));
        QVERIFY(!QImage(QDir(cut.path()).filePath(name)).isNull());
    }
    // Two pictures whose planes would have the same names: refused before any write.
    QTemporaryDir clash;
    const QString jpg = testpics::write(dir_, QStringLiteral("odd.jpg"), QImage(odd_));
    QDir(dir_.path()).mkdir(QStringLiteral("d2"));
    const QString twin = dir_.filePath(QStringLiteral("d2/odd.png"));
    QVERIFY(QFile::copy(odd_, twin));
    for (const QString &other : {jpg, twin}) {
        run({QStringLiteral("--out"), clash.path(), odd_, other}, 2);
        QVERIFY(QDir(clash.path()).isEmpty());
    }
    run({odd_, jpg}, 2);
    // Usage errors.
    run({QStringLiteral("--rate"), QStringLiteral("31"), odd_}, 2);
    run({QStringLiteral("--type"), QStringLiteral("other"), odd_}, 2);
    run({}, 2);
}

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
