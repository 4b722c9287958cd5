// The batch writes, for every picture and setting, exactly the planes the window shows, and
// accounts for every picture whatever befalls its worker, its disk or its name.
#include "batch/batchworker.h"
#include "batch/provenance.h"
#include "core/measurements.h"
#include "picture/pngtexts.h"
#include "support/form1driver.h"
#include "support/pictures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDirIterator>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

Q_DECLARE_METATYPE(batch::Settings)

namespace {

struct Run {
    int status = -1;
    QByteArray out, err;
    QStringList lines() const
    {
        return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

Run batchRun(const QStringList &args, const QByteArray &input = {})
{
    QProcess p;
    p.start(QStringLiteral(TINTARA_BINARY), QStringList{QStringLiteral("--batch")} + args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QStringList filesIn(const QString &folder)
{
    QStringList names;
    // Hidden files too: a plane being written must never be left behind.
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(folder).relativeFilePath(it.next());
    names.sort();
    return names;
}

QList<QJsonObject> jsonLines(const QByteArray &text)
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : text.split('\n'))
        if (!line.isEmpty())
            objects << QJsonDocument::fromJson(line).object();
    return objects;
}

// A film of 30 frames with B-frames: frame n shows a white square at a place that says n, on a
// ground that grows lighter by `rise` a frame.
bool squaresFilm(const QString &path, int rise = 0)
{
    const QString squares =
        QStringLiteral("color=black:s=320x240:r=25,format=gray,geq=lum='min(255\\,255*between(X"
                       "\\,mod(N\\,20)*16\\,mod(N\\,20)*16+15)*between(Y\\,floor(N/20)*"
                       "16\\,floor(N/20)*16+15)+%1*N)'")
            .arg(rise);
    return QProcess::execute(QStringLiteral("ffmpeg"),
                             {"-v", "error", "-f", "lavfi", "-i", squares, "-frames:v", "30",
                              "-c:v", "libx264", "-bf", "3", "-g", "10", "-pix_fmt", "yuv420p",
                              path}) == 0;
}

// The batch's worker processes now running.
QList<pid_t> workersOf(qint64 parent)
{
    QList<pid_t> pids;
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(parent));
    if (children.open(QIODevice::ReadOnly))
        for (const QByteArray &pid : children.readAll().split(' '))
            if (pid.toInt() > 0)
                pids << pid.toInt();
    return pids;
}

} // namespace

class TestBatch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void planesEqualTheWindow_data();
    void planesEqualTheWindow();
    void reusedWindowForgetsThePictureBefore_data();
    void reusedWindowForgetsThePictureBefore();
    void commandLine();
    void rerunsAndClashes();
    void namesOfEveryKind();
    void deadAndHangingWorkers();
    void fullDisk();
    void recursiveShardsAndReport();
    void automaticThresholdsPerPicture();
    void measurementsAsCsvAndJson();
    void framesOfStacksAndFilms();
    void windowFramesEqualTheBatch();
    void windowScopesAndMeasuredFramesEqualTheBatch();

private:
    QTemporaryDir dir_;
    QString odd_, thin_, portrait_, turned_, palette_;
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
    palette_ = testpics::write(dir_, QStringLiteral("palette.png"),
                               noise.convertToFormat(QImage::Format_Indexed8));
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
        s.reduction = reduction;
        for (const Channel c : Channels)
            if (channelName(c).left(1) == QLatin1String(zoom))
                s.zoom = c;
        s.bands[Channel::Red] = {100, 200}, s.bands[Channel::Green] = {30, 40},
        s.bands[Channel::Blue] = {200, 150}; // the last one is empty
        return s;
    };
    QTest::newRow("odd, media RGB 3, 500") << odd_ << with(500, 3, 3, 0, false, false, "r");
    QTest::newRow("palette, media RGB 3, 500") << palette_ << with(500, 3, 3, 0, false, false, "");
    QTest::newRow("odd, massimo threshold 7, 300") << odd_ << with(300, 7, 7, 1, true, false, "");
    QTest::newRow("odd, minimo RGB 30x4, 200") << odd_ << with(200, 30, 4, 2, false, false, "b");
    QTest::newRow("thin, spread threshold 3, 400") << thin_ << with(400, 3, 3, 3, true, false, "g");
    QTest::newRow("portrait, spread RGB 5x9, 500")
        << portrait_ << with(500, 5, 9, 3, false, false, "");
    QTest::newRow("portrait, reduction 7, 300")
        << portrait_ << with(300, 7, 7, 0, false, true, "b");
    QTest::newRow("turned, media threshold 3, 500")
        << turned_ << with(500, 3, 3, 0, true, false, "");
    batch::Settings overlapping = with(400, 4, 3, 3, true, false, "g");
    overlapping.overlap = true;
    QTest::newRow("odd, spread threshold 4x3 overlap, 400") << odd_ << overlapping;
    overlapping = with(500, 3, 3, 0, false, false, "");
    overlapping.overlap = true;
    QTest::newRow("odd, media RGB 3 overlap, 500") << odd_ << overlapping;
}

void TestBatch::planesEqualTheWindow()
{
    QFETCH(QString, picture);
    QFETCH(batch::Settings, settings);
    QTemporaryDir out;
    settings.outDir = out.path();
    const batch::Outcome o = batch::processPicture(settings, picture);
    QVERIFY2(o.ok(), qPrintable(o.reason));

    // The window, as a user drives it.
    Form1Driver form;
    form.sizeList()->setListIndex((settings.size - 200) / 100);
    form.load(picture);
    form.rate(Axis::X)->setValue(settings.rx);
    form.rate(Axis::Y)->setValue(settings.ry);
    for (const Channel c : Channels) {
        form.bar(c, Bound::Minimum)->setValue(settings.bands[c].lo);
        form.bar(c, Bound::Maximum)->setValue(settings.bands[c].hi);
    }
    form.typeList()->setListIndex(settings.selection);
    form.control<QCheckBox>("CheckOverlap")->setChecked(settings.overlap);
    (settings.reduction   ? form.button(Button::Reduction)
     : settings.threshold ? form.button(Button::Threshold)
                          : form.button(Button::Rgb))
        ->click();
    if (settings.zoom)
        form.zoomOption(*settings.zoom)->click();
    int compared = 0;
    for (const View view : Views) {
        const QString name = form.resultName(view);
        if (!o.outputs.contains(name))
            continue;
        const QImage written(QDir(out.path()).filePath(name));
        QCOMPARE(written.convertToFormat(QImage::Format_RGB32),
                 form.resultImage(view).convertToFormat(QImage::Format_RGB32));
        // A threshold plane's few colours are written as a palette.
        if (settings.threshold)
            QVERIFY(written.format() == QImage::Format_Indexed8 ||
                    written.format() == QImage::Format_Mono);
        ++compared;
    }
    QCOMPARE(compared, o.outputs.size());
    QCOMPARE(compared, (settings.reduction ? 1 : 3) + (settings.zoom ? 1 : 0));
}

void TestBatch::reusedWindowForgetsThePictureBefore_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<batch::Settings>("settings");
    batch::Settings rgb, reduction, zoomed;
    reduction.reduction = true, reduction.rx = reduction.ry = 5;
    zoomed.threshold = true, zoomed.zoom = Channel::Green, zoomed.size = 300;
    QTest::newRow("wide, then thin") << odd_ << thin_ << rgb;
    QTest::newRow("portrait, then wide, reduction") << portrait_ << odd_ << reduction;
    QTest::newRow("turned, then portrait, zoom") << turned_ << portrait_ << zoomed;
    QTest::newRow("thin, then wide, zoom") << thin_ << odd_ << zoomed;
}

void TestBatch::reusedWindowForgetsThePictureBefore()
{
    QFETCH(QString, before);
    QFETCH(QString, picture);
    QFETCH(batch::Settings, settings);
    QTemporaryDir reused, fresh;
    const auto job = [&](const QString &file, const QString &folder) {
        const QFileInfo info(file);
        return batch::Job{0, QFile::encodeName(file), QFile::encodeName(folder),
                          QFile::encodeName(info.completeBaseName())};
    };
    batch::Worker worker(settings);
    QVERIFY(worker.process(job(before, reused.path())).ok());
    for (const QString &name : QDir(reused.path()).entryList(QDir::Files))
        QFile::remove(QDir(reused.path()).filePath(name));
    const batch::Outcome second = worker.process(job(picture, reused.path()));
    QVERIFY2(second.ok(), qPrintable(second.reason));
    QVERIFY(batch::Worker(settings).process(job(picture, fresh.path())).ok());
    QCOMPARE(filesIn(reused.path()), filesIn(fresh.path()));
    for (const QString &name : filesIn(fresh.path()))
        QCOMPARE(QImage(QDir(reused.path()).filePath(name)),
                 QImage(QDir(fresh.path()).filePath(name)));
}

void TestBatch::commandLine()
{
    QTemporaryDir out;
    const QString bad =
        testpics::write(dir_, QStringLiteral("bad.png"), testpics::solid(9, 9, Qt::red));
    QFile::resize(bad, 30);
    Run r = batchRun({QStringLiteral("--jobs"), QStringLiteral("2"), QStringLiteral("--out"),
                      out.path(), odd_, bad, thin_});
    QCOMPARE(r.status, 1);
    QStringList lines = r.lines();
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith(odd_ + QStringLiteral("\tok\todd-red-media-3x3.png, ")));
    QVERIFY(lines[1].startsWith(bad + QStringLiteral("\trefused\t")));
    QVERIFY(lines[2].startsWith(thin_ + QStringLiteral("\tok\t")));
    QCOMPARE(filesIn(out.path()).size(), 6);
    // What is no picture is refused at once, whatever its size or kind, before any of it is
    // read whole: a pipe, a device, a link to one, 3 GiB of zeros (sparse) named .png.
    QTemporaryDir odd;
    const QString fifo = odd.filePath(QStringLiteral("fifo.png")),
                  random = odd.filePath(QStringLiteral("random.png")),
                  zeros = odd.filePath(QStringLiteral("zeros.png"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/urandom"), random));
    {
        QFile f(zeros);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(3) << 30));
    }
    // Text chunks past libpng's cache: its warning is the program's own business.
    QImage texts = testpics::solid(9, 9, Qt::green);
    for (int i = 0; i < 2000; ++i)
        texts.setText(QStringLiteral("k%1").arg(i), QStringLiteral("v"));
    const QString chatty = odd.filePath(QStringLiteral("texts.png"));
    QVERIFY(texts.save(chatty));
    r = batchRun({QStringLiteral("--out"), out.path(), fifo, QStringLiteral("/dev/zero"), random,
                  zeros, chatty});
    lines = r.lines();
    QCOMPARE(lines.size(), 5);
    for (int i = 0; i < 3; ++i)
        QVERIFY2(lines[i].contains(QLatin1String("\trefused\tThis is not a picture file")),
                 qPrintable(lines[i]));
    QVERIFY2(lines[3].contains(QLatin1String("\trefused\tUnsupported image format")),
             qPrintable(lines[3]));
    QVERIFY2(lines[4].contains(QLatin1String("\tok\t")), qPrintable(lines[4]));
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    // An output that would be one of the pictures given: refused before any write.
    const QString victim = QDir(out.path()).filePath(QStringLiteral("odd-red-media-3x3.png"));
    const QString copy = QDir(out.path()).filePath(QStringLiteral("odd.png"));
    QVERIFY(QFile::copy(odd_, copy));
    const QByteArray before = [&] {
        QFile f(victim);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    r = batchRun(
        {QStringLiteral("--overwrite"), QStringLiteral("--out"), out.path(), victim, copy});
    QCOMPARE(r.status, 1);
    QVERIFY(r.lines().value(1).contains(QLatin1String("would replace a picture of the batch")));
    QFile kept(victim);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), before);
    // Interrupted: the pictures under way are finished, and only whole files are left.
    QTemporaryDir cut;
    QStringList many{QStringLiteral("--jobs"), QStringLiteral("1"), QStringLiteral("--out"),
                     cut.path()};
    for (int i = 0; i < 40; ++i) {
        const QString link = cut.filePath(QStringLiteral("in%1.png").arg(i));
        QVERIFY(QFile::link(odd_, link));
        many << link;
    }
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
    QVERIFY(QDir(cut.path()).entryList(QDir::Files).size() < 40 + 3 * 40);
    // Help and usage errors.
    r = batchRun({QStringLiteral("--help")});
    QCOMPARE(r.status, 0);
    for (const char *option : {"--timeout", "--recursive", "--report", "--shard", "--null"})
        QVERIFY2(r.out.contains(option), option);
    // Each with what its message says.
    const std::pair<QStringList, const char *> wrongs[] = {
        {{QStringLiteral("--rate"), QStringLiteral("31"), odd_}, "--rate takes 3 to 30"},
        {{QStringLiteral("--type"), QStringLiteral("other"), odd_}, "--type takes media"},
        {{QStringLiteral("--timeout"), QStringLiteral("0"), odd_}, "--timeout"},
        {{}, "no picture"},
        // An empty band, as a recipe with it is refused: no run would ever mark a block.
        {{QStringLiteral("--threshold"), QStringLiteral("--red"), QStringLiteral("200:100"), odd_},
         "--red takes LO:HI, with 0 <= LO <= HI <= 255"},
        // A channel marked by both a band's method and a local one.
        {{QStringLiteral("--auto"), QStringLiteral("Otsu"), QStringLiteral("--local-red"),
          QStringLiteral("Mean"), odd_},
         "band or by a local method, not both"},
    };
    for (const auto &[wrong, says] : wrongs) {
        r = batchRun(wrong);
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains("Usage:"));
        QVERIFY2(r.err.contains(says), r.err.constData());
    }
    // A recipe that cannot be used is no usage error: its reason alone.
    r = batchRun({QStringLiteral("--recipe"), odd_, odd_});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains("it has no recipe") && !r.err.contains("Usage:"), r.err.constData());
}

void TestBatch::rerunsAndClashes()
{
    QTemporaryDir in, out;
    const QImage noise(odd_);
    const QString jpg = testpics::write(in, QStringLiteral("a.jpg"), noise, "jpeg");
    const QString png = testpics::write(in, QStringLiteral("a.png"), noise.mirrored());
    QVERIFY(QDir(in.path()).mkdir(QStringLiteral("d2")));
    const QString twin = testpics::write(in, QStringLiteral("d2/a.png"), noise.copy(0, 0, 50, 50));
    // Stems that clash take their suffix; whole names that clash, a hash of their path.
    Run r = batchRun({QStringLiteral("--out"), out.path(), in.path(), twin, jpg});
    QCOMPARE(r.status, 0);
    QStringList lines = r.lines();
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[0].contains(QLatin1String("\tok\ta.jpg-red-media-3x3.png")));
    QVERIFY(lines[1].contains(QLatin1String("\tok\ta.png-")));
    QVERIFY(lines[2].contains(QLatin1String("\tok\ta.png-")));
    QVERIFY(lines[1].section(QLatin1Char('\t'), 2) != lines[2].section(QLatin1Char('\t'), 2));
    QVERIFY(lines[3].contains(QLatin1String("\tskipped\t"))); // a.jpg, given twice
    QCOMPARE(filesIn(out.path()).size(), 9);
    // A rerun skips what is there and completes what is missing.
    QVERIFY(QFile::remove(out.filePath(QStringLiteral("a.jpg-green-media-3x3.png"))));
    r = batchRun({QStringLiteral("--out"), out.path(), in.path(), twin});
    QCOMPARE(r.status, 0);
    lines = r.lines();
    QVERIFY(lines[0].contains(QLatin1String("\tok\t")));
    QVERIFY(lines[1].contains(QLatin1String("\tskipped\t")));
    QCOMPARE(filesIn(out.path()).size(), 9);
    // Beside the pictures: a second run takes none of the first run's planes as pictures.
    for (int run = 0; run < 2; ++run) {
        r = batchRun({in.path()});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.lines().size(), 2);
        QVERIFY(r.lines()[0].contains(run == 0 ? QLatin1String("\tok\t")
                                               : QLatin1String("\tskipped\t")));
    }
    // A picture that only looks like a plane by its name is still a picture.
    testpics::write(in, QStringLiteral("b-red-media-3x3.png"), noise);
    QCOMPARE(batchRun({in.path()}).lines().size(), 3);
    r = batchRun({QStringLiteral("--overwrite"), QStringLiteral("--out"), out.path(), jpg});
    QVERIFY(r.lines().value(0).contains(QLatin1String("\tok\t")));
    // A rerun skips only planes that prove they are this picture's, of these bytes and these
    // settings: other bands, or the picture changed, make them again.
    const QString plane = out.filePath(QStringLiteral("a.jpg-red-media-3x3.png"));
    r = batchRun({QStringLiteral("--red"), QStringLiteral("10:255"), QStringLiteral("--out"),
                  out.path(), jpg, png});
    QVERIFY(r.lines().value(0).contains(QLatin1String("\tok\t")));
    QCOMPARE(QImage(plane).text(QStringLiteral("Red threshold")), QStringLiteral("10:255"));
    testpics::write(in, QStringLiteral("a.jpg"), noise.mirrored(), "jpeg");
    r = batchRun({QStringLiteral("--red"), QStringLiteral("10:255"), QStringLiteral("--out"),
                  out.path(), jpg, png});
    QVERIFY(r.lines().value(0).contains(QLatin1String("\tok\t")));
    QVERIFY(r.lines().value(1).contains(QLatin1String("\tskipped\t")));
    // A plane cut short after its record is not whole, and is made again.
    const QString cutPlane = out.filePath(QStringLiteral("a.png-red-media-3x3.png"));
    QVERIFY(QFile::resize(cutPlane, QFileInfo(cutPlane).size() - 20));
    r = batchRun({QStringLiteral("--red"), QStringLiteral("10:255"), QStringLiteral("--out"),
                  out.path(), jpg, png});
    QVERIFY(r.lines().value(1).contains(QLatin1String("\tok\t")));
    QVERIFY(!QImage(cutPlane).isNull());
    // Planes of another picture, or a file of the user's, under the names: never replaced
    // without --overwrite; the picture is refused with the owner's name.
    QTemporaryDir other;
    const QString stranger = testpics::write(other, QStringLiteral("a.jpg"), noise, "jpeg");
    const QByteArray held = [&] {
        QFile f(plane);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    r = batchRun({QStringLiteral("--red"), QStringLiteral("10:255"), QStringLiteral("--out"),
                  out.path(), stranger, png});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.lines().value(0).contains(QLatin1String("\trefused\t")) &&
                 r.lines().value(0).contains(jpg),
             qPrintable(r.lines().value(0)));
    QFile unchanged(plane);
    QVERIFY(unchanged.open(QIODevice::ReadOnly));
    QCOMPARE(unchanged.readAll(), held);
    testpics::write(out, QStringLiteral("b-red-media-3x3.png"), noise);
    r = batchRun({QStringLiteral("--out"), out.path(), testpics::write(in, "b.png", noise)});
    QCOMPARE(r.status, 1);
    QVERIFY(r.lines().value(0).contains(QLatin1String("no plane of this program")));
}

void TestBatch::namesOfEveryKind()
{
    QTemporaryDir in, out;
    const QImage small = QImage(odd_).copy(0, 0, 40, 30);
    const QStringList names{QStringLiteral("tab\there.png"),
                            QStringLiteral("new\nline.png"),
                            QStringLiteral("-dash.png"),
                            QStringLiteral("\"quoted\" 'too'.png"),
                            QStringLiteral("back\\slash.png"),
                            QStringLiteral("\u00e8\u4e2d\U0001F600.png"),
                            QString(240, QLatin1Char('n')) + QStringLiteral(".png")};
    QByteArray list;
    for (const QString &name : names)
        list += QFile::encodeName(testpics::write(in, name, small)) + '\0';
    // A name that is not UTF-8.
    const QByteArray raw = QFile::encodeName(in.path()) + "/latin1-\xe8.png";
    {
        const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    list += raw + '\0';
    const QString report = out.filePath(QStringLiteral("report.jsonl"));
    const Run r =
        batchRun({QStringLiteral("--files-from"), QStringLiteral("-"), QStringLiteral("--null"),
                  QStringLiteral("--out"), out.path(), QStringLiteral("--report"), report},
                 list);
    QCOMPARE(r.status, 1);
    const QStringList lines = r.lines();
    QCOMPARE(lines.size(), names.size() + 1);
    QVERIFY(lines[0].startsWith(in.filePath(QStringLiteral("tab\\there.png\tok\t"))));
    QVERIFY(lines[4].startsWith(in.filePath(QStringLiteral("back\\\\slash.png\tok\t"))));
    QVERIFY(lines.last().contains(QLatin1String("\trefused\tthe name is not valid UTF-8")));
    QFile file(report);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QJsonObject> objects = jsonLines(file.readAll());
    QCOMPARE(objects.size(), names.size() + 1);
    QSet<QString> outputs;
    for (qsizetype i = 0; i < names.size(); ++i) {
        QCOMPARE(objects[i][QLatin1String("file")].toString(), in.filePath(names[i]));
        QCOMPARE(objects[i][QLatin1String("status")].toString(), QStringLiteral("ok"));
        QVERIFY(objects[i][QLatin1String("ms")].isDouble());
        for (const QJsonValue &name : objects[i][QLatin1String("outputs")].toArray()) {
            QVERIFY(QFile::encodeName(name.toString()).size() <= 255);
            QVERIFY2(!QImage(out.filePath(name.toString())).isNull(), qPrintable(name.toString()));
            outputs.insert(name.toString());
        }
    }
    QCOMPARE(outputs.size(), 3 * names.size());
    QCOMPARE(objects.last()[QLatin1String("status")].toString(), QStringLiteral("refused"));
    ::unlink(raw.constData()); // a name QTemporaryDir cannot spell
}

void TestBatch::deadAndHangingWorkers()
{
    QTemporaryDir in, out;
    QStringList args{QStringLiteral("--jobs"), QStringLiteral("1"),     QStringLiteral("--timeout"),
                     QStringLiteral("2"),      QStringLiteral("--out"), out.path()};
    // The first picture takes its worker long enough to be killed while on it, twice.
    QImage large(5000, 6000, QImage::Format_RGB32);
    large.fill(Qt::gray);
    args << testpics::write(in, QStringLiteral("p0.png"), large);
    for (int i = 1; i < 20; ++i)
        args << testpics::write(in, QStringLiteral("p%1.png").arg(i), QImage(odd_));
    QProcess p;
    p.start(QStringLiteral(TINTARA_BINARY), QStringList{QStringLiteral("--batch")} + args);
    QVERIFY(p.waitForStarted());
    // The first picture's worker is killed twice: once is forgiven, twice is reported.
    QList<pid_t> seen;
    for (int kills = 0; kills < 2; ++kills) {
        pid_t worker = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (pid_t pid : workersOf(p.processId()))
                    if (!seen.contains(pid))
                        worker = pid;
                return worker != 0;
            }(),
            30000);
        seen << worker;
        ::kill(worker, SIGKILL);
    }
    // The next worker hangs on its picture, and is stopped after the timeout.
    QTRY_VERIFY_WITH_TIMEOUT(p.bytesAvailable() > 0 || p.canReadLine(), 60000);
    pid_t hung = 0;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (pid_t pid : workersOf(p.processId()))
                if (!seen.contains(pid))
                    hung = pid;
            return hung != 0;
        }(),
        30000);
    ::kill(hung, SIGSTOP);
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 1);
    const QStringList lines =
        QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 20);
    QVERIFY2(lines[0].endsWith(
                 QLatin1String("\trefused\tthe worker was killed by signal 9 while working on it")),
             qPrintable(lines[0]));
    QCOMPARE(lines.filter(QStringLiteral("\tok\t")).size(), 18);
    QCOMPARE(lines.filter(QStringLiteral("--timeout of 2 s")).size(), 1);
}

void TestBatch::fullDisk()
{
    QTemporaryDir in, small;
    QStringList pictures;
    for (int i = 0; i < 3; ++i)
        pictures << testpics::write(in, QStringLiteral("f%1.png").arg(i), QImage(odd_));
    // A file system too small for the planes: a tmpfs where mounting is allowed, otherwise a
    // folder that cannot be written to.
    const bool mounted =
        ::mount("tmpfs", QFile::encodeName(small.path()).constData(), "tmpfs", 0, "size=64k") == 0;
    if (!mounted && ::geteuid() == 0)
        QSKIP("no tmpfs can be mounted here, and no folder is read-only to root");
    if (!mounted)
        QVERIFY(
            QFile::setPermissions(small.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const Run r = batchRun(QStringList{QStringLiteral("--out"), small.path()} + pictures);
    const QStringList files = filesIn(small.path());
    int whole = 0;
    for (const QString &name : files)
        whole += QImage(QDir(small.path()).filePath(name)).isNull() ? 0 : 1;
    if (mounted)
        ::umount(QFile::encodeName(small.path()).constData());
    QFile::setPermissions(small.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(r.status, 1);
    const QStringList lines = r.lines();
    QCOMPARE(lines.size(), 3);
    int refused = 0;
    for (const QString &line : lines) {
        if (line.contains(QLatin1String("\trefused\t"))) {
            ++refused;
            QVERIFY2(line.contains(mounted ? QLatin1String("No space left on device")
                                           : QLatin1String("ermission")),
                     qPrintable(line));
        }
    }
    QVERIFY(refused > 0);
    // What is there is whole, and belongs to a picture reported ok.
    QCOMPARE(files.size(), 3 * (3 - refused));
    QCOMPARE(whole, files.size());
}

void TestBatch::recursiveShardsAndReport()
{
    QTemporaryDir in, out;
    const QImage small = QImage(odd_).copy(0, 0, 30, 30);
    QStringList all;
    for (const char *name : {"top.png", "one/a.png", "one/two/b.jpg", "three/c.png"}) {
        QDir(in.path()).mkpath(QFileInfo(in.filePath(QLatin1String(name))).path());
        all << testpics::write(in, QLatin1String(name), small);
    }
    Run r = batchRun({QStringLiteral("--recursive"), QStringLiteral("--out"), out.path(),
                      QStringLiteral("--report"), QStringLiteral("-"), in.path()});
    QCOMPARE(r.status, 0);
    const QList<QJsonObject> objects = jsonLines(r.out);
    QStringList reported;
    for (const QJsonObject &o : objects)
        reported << o[QLatin1String("file")].toString();
    QCOMPARE(reported, (QStringList{all[0], all[1], all[2], all[3]}));
    QVERIFY(filesIn(out.path()).contains(QStringLiteral("one/two/b-red-media-3x3.png")));
    QVERIFY(filesIn(out.path()).contains(QStringLiteral("three/c-blue-media-3x3.png")));
    QCOMPARE(filesIn(out.path()).size(), 12);
    // Three shards of the same list, through the executable: each picture in exactly one.
    QStringList sharded;
    for (int k = 1; k <= 3; ++k) {
        r = batchRun({QStringLiteral("--shard"), QStringLiteral("%1/3").arg(k),
                      QStringLiteral("--recursive"), QStringLiteral("--out"), out.path(),
                      QStringLiteral("--report"), QStringLiteral("-"), in.path()});
        QCOMPARE(r.status, 0);
        for (const QJsonObject &o : jsonLines(r.out)) {
            sharded << o[QLatin1String("file")].toString();
            QCOMPARE(o[QLatin1String("status")].toString(), QStringLiteral("skipped"));
        }
    }
    sharded.sort();
    all.sort();
    QCOMPARE(sharded, all);

    // Stems that clash (a.jpg and a.png) whatever shard each falls in: shards run one after
    // another, or all at once into a folder not yet made, write exactly a plain run's files.
    for (int i = 0; i < 6; ++i) {
        testpics::write(in, QStringLiteral("one/c%1.png").arg(i), small);
        testpics::write(in, QStringLiteral("one/c%1.jpg").arg(i), small.mirrored(), "jpeg");
    }
    const auto contents = [](const QString &folder) {
        QMap<QString, QByteArray> files;
        for (const QString &name : filesIn(folder)) {
            QFile f(QDir(folder).filePath(name));
            files[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }
        return files;
    };
    const QStringList common{QStringLiteral("--recursive"), QStringLiteral("--threshold"),
                             in.path()};
    QTemporaryDir plain, apart, together;
    QCOMPARE(batchRun(QStringList{QStringLiteral("--out"), plain.path()} + common).status, 0);
    // The plan, with nothing written, not even the folder.
    const QString deeper = together.filePath(QStringLiteral("new/deeper"));
    r = batchRun(QStringList{QStringLiteral("--dry-run"), QStringLiteral("--shard"),
                             QStringLiteral("2/3"), QStringLiteral("--out"), deeper} +
                 common);
    QCOMPARE(r.status, 0);
    QVERIFY(!r.lines().isEmpty());
    for (const QString &line : r.lines())
        QVERIFY2(line.section(QLatin1Char('\t'), 1, 2) == QLatin1String("2/3\tdo"),
                 qPrintable(line));
    QVERIFY(!QFileInfo::exists(deeper));
    std::vector<std::unique_ptr<QProcess>> atOnce;
    for (int k = 1; k <= 3; ++k) {
        const QStringList shard{QStringLiteral("--shard"), QStringLiteral("%1/3").arg(k)};
        QCOMPARE(
            batchRun(shard + QStringList{QStringLiteral("--out"), apart.path()} + common).status,
            0);
        atOnce.push_back(std::make_unique<QProcess>());
        atOnce.back()->start(QStringLiteral(TINTARA_BINARY),
                             QStringList{QStringLiteral("--batch")} + shard +
                                 QStringList{QStringLiteral("--out"), deeper} + common);
    }
    for (const auto &p : atOnce) {
        QVERIFY(p->waitForFinished(120000));
        QCOMPARE(p->exitCode(), 0);
        // Nothing but its own lines: no warning of Qt's reaches a job's log.
        QCOMPARE(p->readAllStandardError(), QByteArray());
    }
    const QMap<QString, QByteArray> wanted = contents(plain.path());
    QCOMPARE(wanted.size(), 3 * (4 + 12));
    QCOMPARE(contents(apart.path()), wanted);
    QCOMPARE(contents(deeper), wanted);
    // A rerun of every shard proves its planes up to date.
    r = batchRun(QStringList{QStringLiteral("--out"), deeper, QStringLiteral("--dry-run")} +
                 common);
    for (const QString &line : r.lines())
        QVERIFY2(line.contains(QLatin1String("\tskip\t")), qPrintable(line));
    for (int k = 1; k <= 3; ++k)
        for (const QString &line :
             batchRun(QStringList{QStringLiteral("--shard"), QStringLiteral("%1/3").arg(k),
                                  QStringLiteral("--out"), deeper} +
                      common)
                 .lines())
            QVERIFY2(line.contains(QLatin1String("\tskipped\t")), qPrintable(line));
}

void TestBatch::automaticThresholdsPerPicture()
{
    QTemporaryDir out;
    const QStringList options{QStringLiteral("--threshold"),
                              QStringLiteral("--type"),
                              QStringLiteral("massimo-minimo"),
                              QStringLiteral("--red"),
                              QStringLiteral("0:200"),
                              QStringLiteral("--auto"),
                              QStringLiteral("Otsu"),
                              QStringLiteral("--auto-blue"),
                              QStringLiteral("Li"),
                              QStringLiteral("--out"),
                              out.path(),
                              QStringLiteral("--report"),
                              QStringLiteral("-")};
    Run r = batchRun(options + QStringList{odd_, portrait_});
    QCOMPARE(r.status, 0);
    const QList<QJsonObject> reported = jsonLines(r.out);
    QCOMPARE(reported.size(), 2);
    for (const QJsonObject &line : reported) {
        // Each picture as the window makes it: the type, the bars, then Apply per channel.
        Form1Driver form;
        const QString picture = line[QLatin1String("file")].toString();
        form.load(picture);
        form.typeList()->setListIndex(scan::Spread);
        form.bar(Channel::Red, Bound::Minimum)->setValue(0);
        form.bar(Channel::Red, Bound::Maximum)->setValue(200);
        const QJsonObject automatic = line[QLatin1String("automatic")].toObject();
        for (const Channel c : Channels) {
            const auto method =
                c == Channel::Blue ? histogram::Method::Li : histogram::Method::Otsu;
            const std::optional<int> t = form.applyAutomatic(c, method);
            const QJsonObject a = automatic[channelName(c)].toObject();
            QCOMPARE(a[QLatin1String("method")].toString(),
                     QLatin1String(histogram::methodName(method)));
            QCOMPARE(a[QLatin1String("threshold")].toVariant(), t ? QVariant(*t) : QVariant());
        }
        QCOMPARE(form.bar(Channel::Red, Bound::Maximum)->Value(), 200);
        form.button(Button::Threshold)->click();
        for (const Channel c : Channels) {
            const QString path = QDir(out.path()).filePath(form.resultName(viewOf(c)));
            QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32),
                     form.resultImage(viewOf(c)).convertToFormat(QImage::Format_RGB32));
            // The plane says where its minimum came from.
            const auto texts = picture::pngTexts(QFile::encodeName(path));
            QVERIFY(texts && texts->contains({results::automaticKey(c),
                                              c == Channel::Blue ? QStringLiteral("Li")
                                                                 : QStringLiteral("Otsu")}));
        }
    }
    // Up to date on a rerun, though the bands given differ from those recorded.
    r = batchRun(options + QStringList{odd_, portrait_});
    for (const QJsonObject &line : jsonLines(r.out))
        QCOMPARE(line[QLatin1String("status")].toString(), QStringLiteral("skipped"));
    QCOMPARE(batchRun({QStringLiteral("--auto"), QStringLiteral("Otsu2"), odd_}).status, 2);
}

void TestBatch::measurementsAsCsvAndJson()
{
    QTemporaryDir out;
    // A name that needs quoting in CSV.
    const QString odd = out.filePath(QStringLiteral("a, \"quoted\" name.png"));
    QVERIFY(QFile::copy(portrait_, odd));
    const QString report = out.filePath(QStringLiteral("report.jsonl"));
    const QStringList options{QStringLiteral("--threshold"),
                              QStringLiteral("--type"),
                              QStringLiteral("massimo-minimo"),
                              QStringLiteral("--rate"),
                              QStringLiteral("4"),
                              QStringLiteral("--green"),
                              QStringLiteral("20:255"),
                              QStringLiteral("--auto-blue"),
                              QStringLiteral("Otsu"),
                              QStringLiteral("--out"),
                              out.path(),
                              QStringLiteral("--report"),
                              report,
                              QStringLiteral("--measure"),
                              QStringLiteral("-")};
    const Run r = batchRun(options + QStringList{odd_, odd});
    QCOMPARE(r.status, 0);
    // Python's csv module reads the rows.
    QProcess python;
    python.start(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"),
         QStringLiteral("import csv, json, sys; print(json.dumps(list(csv.reader(sys.stdin))))")});
    python.write(r.out);
    python.closeWriteChannel();
    QVERIFY(python.waitForFinished(30000));
    const QJsonArray rows = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    QCOMPARE(rows.size(), 3);
    QStringList header;
    for (const QJsonValue &v : rows[0].toArray())
        header << v.toString();
    QCOMPARE(header.first(), QStringLiteral("file"));
    QCOMPARE(header.last(), QStringLiteral("version"));
    QFile json(report);
    QVERIFY(json.open(QIODevice::ReadOnly));
    const QList<QJsonObject> reported = jsonLines(json.readAll());
    QCOMPARE(reported.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QMap<QString, QString> row;
        const QJsonArray values = rows[i + 1].toArray();
        QCOMPARE(values.size(), header.size());
        for (qsizetype k = 0; k < header.size(); ++k)
            row[header[k]] = values[k].toString();
        QCOMPARE(row[QStringLiteral("file")], i == 0 ? odd_ : odd);
        QCOMPARE(row[QStringLiteral("green_band")], QStringLiteral("20:255"));
        QCOMPARE(row[QStringLiteral("blue_auto")], QStringLiteral("Otsu"));
        // The window's read-out for the same picture and settings.
        Form1Driver form;
        form.load(row[QStringLiteral("file")]);
        form.typeList()->setListIndex(scan::Spread);
        form.rate(Axis::X)->setValue(4);
        form.bar(Channel::Green, Bound::Minimum)->setValue(20);
        form.applyAutomatic(Channel::Blue, histogram::Method::Otsu);
        form.button(Button::Threshold)->click();
        QCOMPARE(row[QStringLiteral("blue_band")],
                 QStringLiteral("%1:255").arg(form.bar(Channel::Blue, Bound::Minimum)->Value()));
        const scan::Measurements &m = form.measurements();
        const QJsonObject measured = reported[i][QLatin1String("measurements")].toObject();
        const std::pair<const char *, const scan::Count *> groups[] = {
            {"red", &m.channels[Channel::Red]},
            {"green", &m.channels[Channel::Green]},
            {"blue", &m.channels[Channel::Blue]},
            {"all", &m.all},
            {"any", &m.any}};
        for (const auto &[group, count] : groups) {
            const QString g = QLatin1String(group);
            QCOMPARE(row[g + QStringLiteral("_tested")].toULongLong(), count->tested);
            QCOMPARE(row[g + QStringLiteral("_marked")].toULongLong(), count->marked);
            QVERIFY(std::abs(row[g + QStringLiteral("_percent")].toDouble() -
                             100.0 * double(count->marked) / double(count->tested)) <= 0.005);
            QCOMPARE(measured[g].toObject()[QLatin1String("marked")].toInteger(),
                     qint64(count->marked));
        }
        QVERIFY(m.any.marked > 0);
    }
    // Measured again on a rerun, though every plane is up to date; no plane is written again.
    const QDateTime before =
        QFileInfo(out.filePath(QStringLiteral("odd-red-massimo-minimo-4x4.png"))).lastModified();
    const Run again = batchRun(options + QStringList{odd_});
    QVERIFY(again.out.contains(QByteArray(",ok,500,massimo-minimo,4,4,")));
    QCOMPARE(
        QFileInfo(out.filePath(QStringLiteral("odd-red-massimo-minimo-4x4.png"))).lastModified(),
        before);
}

// Frames of a stack and of a film, each with planes of its own; the automatic minimum of each
// frame or of the whole stack, against values worked by hand.
void TestBatch::framesOfStacksAndFilms()
{
    // Two pages of 500 x 500 (shown unscaled), each half one grey and half another, the halves
    // meeting on a block boundary at rate 5: the red block values are 20 and 60 on the first
    // page, 180 and 220 on the second, as many of each.
    QStringList pages;
    for (const auto &[left, right] : {std::pair{20, 60}, std::pair{180, 220}}) {
        QImage page(500, 500, QImage::Format_RGB32);
        page.fill(qRgb(left, left, left));
        for (int y = 0; y < 500; ++y)
            for (int x = 250; x < 500; ++x)
                page.setPixel(x, y, qRgb(right, right, right));
        pages << testpics::write(dir_, QStringLiteral("page%1.png").arg(left), page);
    }
    const QString stack = dir_.filePath(QStringLiteral("stack.tif"));
    QVERIFY(QProcess::execute(QStringLiteral("/usr/bin/convert"), pages + QStringList{stack}) == 0);
    // ImageJ's Mean takes the whole part of the mean value: 40 and 200 for each page alone,
    // 120 for both together.
    const QString key = results::thresholdKey(Channel::Red);
    for (const auto &[scope, bands] :
         {std::pair{QStringLiteral("frame"), QStringList{"40:255", "200:255"}},
          std::pair{QStringLiteral("stack"), QStringList{"120:255", "120:255"}}}) {
        QTemporaryDir out;
        const Run r = batchRun({"--frames", "all", "--threshold", "--rate", "5", "--auto", "Mean",
                                "--auto-scope", scope, "--out", out.path(), stack});
        QCOMPARE(r.status, 0);
        for (int frame = 1; frame <= 2; ++frame) {
            const QString plane =
                out.filePath(QStringLiteral("stack-f0000%1-red-media-5x5.png").arg(frame));
            const auto texts = picture::pngTexts(QFile::encodeName(plane));
            QVERIFY2(texts, qPrintable(plane));
            QVERIFY(texts->contains({key, bands[frame - 1]}));
            QVERIFY(texts->contains({QStringLiteral("Frame"), QString::number(frame)}));
        }
    }

    // A film with B-frames: frame n shows a white square at a place that says n.
    const QString film = dir_.filePath(QStringLiteral("film.mp4"));
    QVERIFY(squaresFilm(film));
    QTemporaryDir out;
    const QStringList options{"--frames", "7-25/6", "--threshold", "--type",   "massimo",
                              "--rate",   "5",      "--out",       out.path(), film};
    QCOMPARE(batchRun(options).status, 0);
    QCOMPARE(filesIn(out.path()).size(), 4 * 3);
    const QRgb marked = core::toArgb(scan::markerColour(Channel::Red));
    for (const int frame : {7, 13, 19, 25}) {
        const QImage red(out.filePath(
            QStringLiteral("film-f%1-red-massimo-5x5.png").arg(frame, 5, 10, QLatin1Char('0'))));
        QVERIFY(!red.isNull());
        // The square, 25 preview pixels a side at 500 / 320, is where frame n put it.
        const int k = frame - 1;
        const QPoint centre(int(((k % 20) * 16 + 8) * 500.0 / 320 / 5),
                            int(((k / 20) * 16 + 8) * 500.0 / 320 / 5));
        QCOMPARE(red.pixel(centre) | 0xff000000u, marked);
        int count = 0;
        for (int y = 0; y < red.height(); ++y)
            for (int x = 0; x < red.width(); ++x)
                count += (red.pixel(x, y) | 0xff000000u) == marked;
        QVERIFY2(count > 0 && count <= 36, qPrintable(QString::number(count)));
    }
    // A rerun makes only what is missing, and measures every frame, a row each with its
    // number and time.
    QVERIFY(QFile::remove(out.filePath(QStringLiteral("film-f00013-green-massimo-5x5.png"))));
    const Run again = batchRun(options + QStringList{"--measure", "-"});
    QCOMPARE(again.status, 0);
    QCOMPARE(filesIn(out.path()).size(), 4 * 3);
    const QStringList rows = again.lines();
    QCOMPARE(rows.size(), 5);
    const QStringList header = rows[0].split(QLatin1Char(','));
    const qsizetype frameAt = header.indexOf(QStringLiteral("frame"));
    const qsizetype markedAt = header.indexOf(QStringLiteral("red_marked"));
    QVERIFY(frameAt > 0 && markedAt > 0);
    for (int i = 0; i < 4; ++i) {
        const QStringList row = rows[i + 1].split(QLatin1Char(','));
        QCOMPARE(row[frameAt], QString::number(7 + 6 * i));
        QCOMPARE(row[frameAt + 1], QString::number((6 + 6 * i) / 25.0, 'f', 3));
        QVERIFY(row[markedAt].toInt() > 0);
    }
}

// The window's frame row: a film's frames stepped to, scanned and saved as the batch makes them,
// byte for byte; with Live the planes follow the frame. A still picture shows no row.
void TestBatch::windowFramesEqualTheBatch()
{
    const QString film = dir_.filePath(QStringLiteral("steps.mp4"));
    QVERIFY(squaresFilm(film));
    // What --frames 13 makes is what the window saves of frame 13; --frames 14's planes are
    // what Live shows of frame 14.
    QTemporaryDir out;
    for (const char *frame : {"13", "14"})
        QCOMPARE(batchRun({"--frames", frame, "--threshold", "--type", "massimo", "--out",
                           out.path(), film})
                     .status,
                 0);
    Form1Driver form;
    form.load(film);
    auto *slider = form.control<QSlider>("FrameSlider");
    auto *number = form.control<QSpinBox>("FrameNumber");
    QTRY_VERIFY(slider->isVisible());
    QCOMPARE(slider->maximum(), 30);
    QCOMPARE(form.height(), 620);
    number->setValue(13);
    QCOMPARE(form.control<QLabel>("FrameLabel")->text(),
             QStringLiteral("frame 13 of 30 (0:00:00.5)"));
    QCOMPARE(slider->value(), 13);
    form.typeList()->setListIndex(scan::Maximum);
    form.click(Button::Threshold);
    QTemporaryDir saved;
    for (const Channel c : Channels) {
        const QString name = form.resultName(viewOf(c));
        QCOMPARE(name, QStringLiteral("steps-f00013-%1-massimo-3x3.png").arg(channelName(c)));
        QVERIFY(form.saveResult(viewOf(c), saved.filePath(name)));
        QFile mine(saved.filePath(name)), batch(out.filePath(name));
        QVERIFY(mine.open(QIODevice::ReadOnly) && batch.open(QIODevice::ReadOnly));
        QVERIFY2(mine.readAll() == batch.readAll(), qPrintable(name));
    }
    // Live: Page Down shows the next frame, and the planes follow it.
    form.live()->setChecked(true);
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_PageDown);
    QCOMPARE(number->value(), 14);
    const QImage next(out.filePath(QStringLiteral("steps-f00014-red-massimo-3x3.png")));
    QTRY_COMPARE(form.resultImage(View::Red).convertToFormat(QImage::Format_RGB32),
                 next.convertToFormat(QImage::Format_RGB32));
    QTest::keyClick(&form, Qt::Key_End);
    QCOMPARE(slider->value(), 30);
    // A still picture: no row, the classic window.
    form.load(odd_);
    QVERIFY(!slider->isVisible());
    QCOMPARE(form.height(), 584);
}

// The histogram window's scopes and "Measure all frames" against the batch's --auto-scope and
// --measure for the same film.
void TestBatch::windowScopesAndMeasuredFramesEqualTheBatch()
{
    const QString film = dir_.filePath(QStringLiteral("rising.mp4"));
    QVERIFY(squaresFilm(film, 6));
    QTemporaryDir each, stack;
    const QString csv = each.filePath(QStringLiteral("frames.csv"));
    QCOMPARE(batchRun({"--frames", "all", "--threshold", "--auto", "Otsu", "--measure", csv,
                       "--out", each.path(), film})
                 .status,
             0);
    QCOMPARE(batchRun({"--frames", "all", "--threshold", "--auto", "Otsu", "--auto-scope", "stack",
                       "--out", stack.path(), film})
                 .status,
             0);
    const auto recordedMinimum = [](const QString &folder, int frame) {
        const auto texts = picture::pngTexts(QFile::encodeName(QDir(folder).filePath(
            QStringLiteral("rising-f%1-red-media-3x3.png").arg(frame, 5, 10, QLatin1Char('0')))));
        if (!texts)
            return -1;
        for (const auto &[key, value] : *texts)
            if (key == results::thresholdKey(Channel::Red))
                return value.section(QLatin1Char(':'), 0, 0).toInt();
        return -1;
    };
    Form1Driver form;
    form.load(film);
    auto *number = form.control<QSpinBox>("FrameNumber");
    QTRY_VERIFY(number->isVisible());
    QVERIFY(form.menu(View::Red, "Histogram..."));
    auto *histogram = form.findChild<frmHistogram *>();
    auto *scope = histogram->findChild<QComboBox *>(QStringLiteral("AutoScope"));
    QVERIFY(scope->isVisible());
    // Each frame its own: the minimum follows the frame.
    scope->setCurrentIndex(1);
    histogram->findChild<QPushButton *>(QStringLiteral("ApplyAuto"))->click();
    for (const int frame : {5, 20, 2}) {
        number->setValue(frame);
        QCOMPARE(form.bar(Channel::Red, Bound::Minimum)->Value(),
                 recordedMinimum(each.path(), frame));
    }
    // Every frame's block values together: one minimum.
    scope->setCurrentIndex(2);
    histogram->findChild<QPushButton *>(QStringLiteral("ApplyAuto"))->click();
    QCOMPARE(form.bar(Channel::Red, Bound::Minimum)->Value(), recordedMinimum(stack.path(), 1));
    QVERIFY(recordedMinimum(stack.path(), 1) != recordedMinimum(each.path(), 20));
    // Its planes are what --frames all --auto-scope stack makes of the frame, byte for byte, and
    // Copy as Command says so.
    form.click(Button::Threshold);
    QTemporaryDir saved;
    const QString name = form.resultName(View::Red);
    QCOMPARE(name, QStringLiteral("rising-f00002-red-media-3x3.png"));
    QVERIFY(form.saveResult(View::Red, saved.filePath(name)));
    QFile mine(saved.filePath(name)), batch(stack.filePath(name));
    QVERIFY(mine.open(QIODevice::ReadOnly) && batch.open(QIODevice::ReadOnly));
    QVERIFY(mine.readAll() == batch.readAll());
    QVERIFY(form.batchCommand().contains(QLatin1String("--frames all --auto-scope stack")));
    // Measure all frames, each frame its own minimum: the batch's rows.
    scope->setCurrentIndex(1);
    histogram->findChild<QPushButton *>(QStringLiteral("MeasureFrames"))->click();
    auto *table = form.findChild<QTableWidget *>(QStringLiteral("FrameTable"));
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 30);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 31);
    const QStringList batchHeader = lines[0].split(QLatin1Char(','));
    QStringList windowHeader;
    for (int c = 0; c < table->columnCount(); ++c)
        windowHeader << table->horizontalHeaderItem(c)->text();
    for (int row = 0; row < 30; ++row) {
        const QStringList batch = lines[row + 1].split(QLatin1Char(','));
        for (const char *column :
             {"frame", "time", "red_band", "green_auto", "red_marked", "any_percent"}) {
            const QString name = QLatin1String(column);
            QCOMPARE(table->item(row, int(windowHeader.indexOf(name)))->text(),
                     batch[batchHeader.indexOf(name)]);
        }
    }
}

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
