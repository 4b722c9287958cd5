// Loading a picture through the Load command and its dialog, and the preview it gives.
#include "support/form1driver.h"
#include "support/modalscript.h"
#include "support/pictures.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QProcess>
#include <QTest>

using namespace platform;
using namespace core;

namespace {
QRectF placeOf(const Control<QWidget> *c)
{
    return {c->Left(), c->Top(), c->Width(), c->Height()};
}
} // namespace

class TestLoading : public QObject {
    Q_OBJECT
private slots:
    void previewFitsTheSquare_data();
    void previewFitsTheSquare();
    void previewShowsThePicture();
    void previewIsOneSmoothScale_data();
    void previewIsOneSmoothScale();
    void photosAreShownUpright();
    void palettePicturesShowAsTheirTrueColourTwins();
    void smallerSizeAfterALoad();
    void cancelBeforeAnyLoadEmptiesThePreview();
    void cancelAfterALoadReloadsAtTheCurrentSize();
    void twoLoadsInARow();
    void unreadableFilesChangeNothing();

private:
    QTemporaryDir dir_;
};

void TestLoading::previewFitsTheSquare_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("sizeIndex");
    QTest::addColumn<QSizeF>("preview");
    QTest::newRow("640 x 480 at 500") << QSize(640, 480) << 3 << QSizeF(500, 375);
    QTest::newRow("480 x 640 at 500") << QSize(480, 640) << 3 << QSizeF(375, 500);
    QTest::newRow("300 x 300 at 200") << QSize(300, 300) << 0 << QSizeF(200, 200);
    QTest::newRow("1000 x 10 at 500") << QSize(1000, 10) << 3 << QSizeF(500, 5);
    QTest::newRow("100 x 50 at 400") << QSize(100, 50) << 2 << QSizeF(400, 200);
}

void TestLoading::previewFitsTheSquare()
{
    QFETCH(QSize, picture);
    QFETCH(int, sizeIndex);
    QFETCH(QSizeF, preview);
    Form1Driver form;
    form.sizeList()->setListIndex(sizeIndex);
    const QString path = testpics::write(
        dir_, QStringLiteral("p.png"), testpics::solid(picture.width(), picture.height(), Qt::red));
    form.load(path);
    QCOMPARE(placeOf(form.preview()), QRectF(QPointF(18, 66), preview));
    const double s = form.sizeList()->Text().toDouble();
    QCOMPARE(form.previewFrame()->geometry(), QRect(8, 56, int(s) + 20, int(s) + 20));
    QVERIFY(form.frame()->isHidden());
    QVERIFY(form.frame()->picture().isEmpty());
    QCOMPARE(form.frame()->Width(), float(picture.width()));
    QCOMPARE(form.frame()->Height(), float(picture.height()));
    // The planes follow the new preview.
    QCOMPARE(form.plane(View::Blue)->Width(), float((preview.width() + 20) / 3));
    QCOMPARE(form.plane(View::Red)->Height(), float((preview.height() + 20) / 3));
}

void TestLoading::previewShowsThePicture()
{
    Form1Driver form;
    form.load(testpics::write(dir_, QStringLiteral("split.png"),
                              testpics::split(640, 480, Qt::yellow, Qt::blue)));
    QCOMPARE(form.Point(18, 66), RGB(255, 255, 0));
    QCOMPARE(form.Point(517, 66 + 150), RGB(255, 255, 0));
    QCOMPARE(form.Point(18, 66 + 374), RGB(0, 0, 255));
    QVERIFY(form.Point(18, 66 + 376) != RGB(0, 0, 255)); // just below the preview
    QCOMPARE(form.preview()->toolTip(), QStringLiteral("split.png: 640 x 480 pixels"));
}

void TestLoading::previewIsOneSmoothScale_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("sizeIndex");
    QTest::addColumn<QSize>("painted"); // the preview's fractional size, as the window places it
    QTest::newRow("600 x 400 at 400") << QSize(600, 400) << 2 << QSize(400, 267);
    QTest::newRow("640 x 400 at 300") << QSize(640, 400) << 1 << QSize(300, 188);
}

// Fine stripes show any second resample at once: the preview must be one smooth scale of the
// whole picture to the pixels it is painted on.
void TestLoading::previewIsOneSmoothScale()
{
    QFETCH(QSize, picture);
    QFETCH(int, sizeIndex);
    QFETCH(QSize, painted);
    QImage stripes(picture, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            stripes.setPixel(x, y,
                             (x % 3 == 0) != (y % 2 == 0) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    Form1Driver form;
    form.sizeList()->setListIndex(sizeIndex);
    form.load(testpics::write(dir_, QStringLiteral("stripes.png"), stripes));
    const QImage shown = testpics::capture(form).copy(QRect(QPoint(18, 66), painted));
    const QImage expected =
        stripes.scaled(painted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double difference = 0;
    for (int y = 0; y < painted.height(); ++y)
        for (int x = 0; x < painted.width(); ++x)
            difference += std::abs(qGray(shown.pixel(x, y)) - qGray(expected.pixel(x, y)));
    const double average = difference / (painted.width() * painted.height());
    QVERIFY2(average < 3.0, qPrintable(QString::number(average)));
}

// Drawn by ImageMagick as a user would: a palette PNG of exactly its true-colour twin's
// pixels, and a GIF with a twin decoded from it.
void TestLoading::palettePicturesShowAsTheirTrueColourTwins()
{
    const QString draw = QStringLiteral("-size 1200x900 xc:white -fill black -draw "
                                        "'circle 600,450 600,150' -fill red -draw "
                                        "'rectangle 100,100 400,300' -strip");
    const auto magick = [this](const QString &args) {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        p.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("convert ") + args});
        return p.waitForFinished(60000) && p.exitCode() == 0;
    };
    if (!magick(draw + QStringLiteral(" PNG8:shapes8.png")))
        QSKIP("ImageMagick's convert is not installed");
    QVERIFY(magick(draw + QStringLiteral(" PNG24:shapes24.png")));
    QVERIFY(magick(QStringLiteral("shapes8.png shapes.gif")));
    QVERIFY(magick(QStringLiteral("shapes.gif -strip PNG24:gif24.png")));
    // The most any component of the preview or the red plane differs.
    const auto farthest = [](const QImage &a, const QImage &b) {
        int most = a.size() == b.size() ? 0 : 256;
        for (int y = 0; most < 256 && y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                 std::abs(qBlue(p) - qBlue(q))});
            }
        return most;
    };
    const auto shown = [this](const QString &name) {
        Form1Driver form;
        form.load(dir_.filePath(name));
        form.button(Button::Rgb)->click();
        return std::pair(testpics::capture(form).copy(QRect(18, 66, 500, 375)),
                         form.plane(View::Red)->surface());
    };
    for (const auto &[palette, twin] :
         {std::pair("shapes8.png", "shapes24.png"), std::pair("shapes.gif", "gif24.png")}) {
        const auto [preview, red] = shown(QLatin1String(palette));
        const auto [twinPreview, twinRed] = shown(QLatin1String(twin));
        QVERIFY2(farthest(preview, twinPreview) <= 1, palette);
        QVERIFY2(farthest(red, twinRed) <= 1, palette);
    }
}

void TestLoading::photosAreShownUpright()
{
    // Stored landscape with the orientation tag of a phone held upright (a quarter turn).
    const QString path = dir_.filePath(QStringLiteral("turned.jpg"));
    QImageWriter writer(path, "jpeg");
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    QVERIFY(writer.write(testpics::split(640, 480, Qt::yellow, Qt::blue)));
    Form1Driver form;
    form.load(path);
    QCOMPARE(form.frame()->Width(), 480.0f);
    QCOMPARE(form.frame()->Height(), 640.0f);
    QCOMPARE(placeOf(form.preview()), QRectF(18, 66, 375, 500));
    // Turned a quarter clockwise, the top half stands on the right.
    const auto blue = [](Colour c) {
        return (c >> 16) & 0xff;
    };
    QVERIFY(blue(form.Point(18 + 20, 66 + 250)) > 200);
    QVERIFY(blue(form.Point(18 + 355, 66 + 250)) < 60);
}

void TestLoading::smallerSizeAfterALoad()
{
    Form1Driver form;
    form.load(testpics::write(dir_, QStringLiteral("a.png"), testpics::solid(640, 480, Qt::red)));
    form.sizeList()->setListIndex(0);
    QCOMPARE(form.previewFrame()->geometry(), QRect(8, 56, 220, 220));
    QCOMPARE(placeOf(form.preview()), QRectF(18, 66, 500, 375)); // until the next load
}

void TestLoading::cancelBeforeAnyLoadEmptiesThePreview()
{
    Form1Driver form;
    ModalScript script;
    script.cancelDialog();
    form.click(Button::Load);
    QVERIFY(script.done());
    QCOMPARE(script.answered(), 1); // the dialog, and no message after it
    QVERIFY(form.preview()->Picture().isNull());
    // Measured from the empty source box, still at its design size of 97 x 65.
    QCOMPARE(placeOf(form.preview()), QRectF(18, 66, 500, float(500.0 * (65.0f / 97.0f))));
}

void TestLoading::cancelAfterALoadReloadsAtTheCurrentSize()
{
    Form1Driver form;
    const QString path =
        testpics::write(dir_, QStringLiteral("c.png"), testpics::solid(640, 480, Qt::green));
    form.load(path);
    form.sizeList()->setListIndex(1);
    ModalScript script;
    script.cancelDialog();
    form.click(Button::Load);
    QCOMPARE(form.dialog()->FileName(), path);
    QCOMPARE(placeOf(form.preview()), QRectF(18, 66, 300, 225));
    QCOMPARE(form.Point(100, 100), RGB(0, 255, 0));
}

void TestLoading::twoLoadsInARow()
{
    Form1Driver form;
    form.load(testpics::write(dir_, QStringLiteral("1.png"), testpics::solid(640, 480, Qt::red)));
    form.load(testpics::write(dir_, QStringLiteral("2.png"), testpics::solid(200, 400, Qt::blue)));
    QCOMPARE(placeOf(form.preview()), QRectF(18, 66, 250, 500));
    QCOMPARE(form.Point(100, 100), RGB(0, 0, 255));
    QCOMPARE(form.plane(View::Green)->Width(), 270.0f / 3);
    QCOMPARE(form.plane(View::Green)->Height(), 520.0f / 3);
}

void TestLoading::unreadableFilesChangeNothing()
{
    Form1Driver form;
    form.load(testpics::write(dir_, QStringLiteral("good.png"),
                              testpics::split(640, 480, Qt::red, Qt::white)));
    form.button(Button::Rgb)->click();
    const QImage window = testpics::capture(form);
    const QRectF preview = placeOf(form.preview());

    QByteArray jpeg;
    {
        QImage noise(300, 200, QImage::Format_RGB32);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x)
                noise.setPixel(x, y, qRgb((x * 37 + y * 11) & 255, (x * y) & 255, y & 255));
        const QString p = testpics::write(dir_, QStringLiteral("full.jpg"), noise, "JPG", 95);
        QFile f(p);
        f.open(QIODevice::ReadOnly);
        jpeg = f.readAll();
    }
    const std::pair<const char *, QByteArray> bad[] = {
        {"empty.png", {}},
        {"notes.png", "plain text, not a picture"},
        {"cut.jpg", jpeg.left(jpeg.size() / 2)},
    };
    for (const auto &[name, bytes] : bad) {
        const QString path = dir_.filePath(QLatin1String(name));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        ModalScript script;
        script.chooseFile(path).acknowledgeMessage();
        form.click(Button::Load);
        QVERIFY2(script.done(), name);
        QCOMPARE(script.messages().size(), 1);
        QVERIFY(script.messages()[0].startsWith(QStringLiteral("Tintara 3.0|")));
        QVERIFY2(script.messages()[0].contains(QLatin1String(name)),
                 qPrintable(script.messages()[0]));
        QCOMPARE(placeOf(form.preview()), preview);
        QCOMPARE(testpics::capture(form), window);
    }

    {
        // A file that vanishes between the dialog and the load.
        const QString doomed =
            testpics::write(dir_, QStringLiteral("doomed.png"), testpics::solid(50, 50, Qt::black));
        ModalScript script;
        script
            .then([&](QWidget *w) {
                auto *dialog = qobject_cast<QFileDialog *>(w);
                dialog->selectFile(doomed);
                connect(dialog, &QFileDialog::fileSelected, dialog, [&] { QFile::remove(doomed); });
                static_cast<QDialog *>(dialog)->accept();
            })
            .acknowledgeMessage();
        form.click(Button::Load);
        QVERIFY(script.done());
        QCOMPARE(script.messages().size(), 1);
        QCOMPARE(testpics::capture(form), window);
    }

    // After a refusal, a cancelled dialog starts at, and loads again, the picture shown.
    ModalScript cancelled;
    cancelled.cancelDialog();
    form.click(Button::Load);
    QVERIFY(cancelled.done());
    QCOMPARE(cancelled.messages().size(), 0);
    QCOMPARE(QFileInfo(form.dialog()->FileName()).fileName(), QStringLiteral("good.png"));
    QCOMPARE(testpics::capture(form), window);
}

QTEST_MAIN(TestLoading)
#include "tst_loading.moc"
