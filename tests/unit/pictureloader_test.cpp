#include "picture/contenthash.h"
#include "picture/formats.h"
#include "picture/picturedamage.h"
#include "picture/pictureloader.h"
#include "picture/pngwriter.h"
#include "picture/source.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTransform>
#include <QtEndian>
#include <cstdio>
#include <functional>
#include <jpeglib.h>
#include <random>
#include <sys/stat.h>
#include <tiffio.h>

using picture::LoadPicture;

namespace {

QImage noisy(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    std::mt19937 rng(5);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(rng() & 255, (x * 2) & 255, (y * 3) & 255));
    return img;
}

QByteArray encode(const QImage &img, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format);
    return bytes;
}

// Writes the picture into the folder with Qt's own encoder and returns its path.
QString write(const QTemporaryDir &dir, const QString &name, const QImage &img,
              const char *format = nullptr, int quality = -1)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(img.save(path, format, quality)) << qPrintable(path);
    return path;
}

// The hostile-picture corpus, valid files or the others.
QStringList corpus(bool valid)
{
    const QDir dir(QStringLiteral(TINTARA_BAD_CORPUS));
    QStringList files;
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
        if (name.startsWith(QLatin1String("valid")) == valid &&
            !name.startsWith(QLatin1String("odd")))
            files << dir.filePath(name);
    return files;
}

class Loader : public ::testing::Test {
protected:
    QTemporaryDir dir;
};

} // namespace

TEST_F(Loader, MeasuresFromTheHeaderAndDecodesAtThePreviewSize)
{
    const auto check = [&](const QString &name, const QImage &img, const char *format, int side,
                           QSize decoded) {
        const picture::LoadResult r = LoadPicture(write(dir, name, img, format), side);
        ASSERT_TRUE(r.has_value()) << qPrintable(r.error());
        EXPECT_EQ(r->size, img.size()) << qPrintable(name);
        EXPECT_EQ(r->image.size(), decoded) << qPrintable(name);
    };
    check(QStringLiteral("a.png"), noisy(640, 480), "PNG", 500, QSize(500, 375));
    check(QStringLiteral("b.jpg"), noisy(480, 640), "JPG", 500, QSize(375, 500));
    check(QStringLiteral("c.bmp"), noisy(300, 300), "BMP", 200, QSize(200, 200));
    const picture::LoadResult r =
        LoadPicture(QStringLiteral(TINTARA_BAD_CORPUS "/valid-1000x10.gif"), 500);
    ASSERT_TRUE(r.has_value()) << qPrintable(r.error());
    EXPECT_EQ(r->size, QSize(1000, 10));
    EXPECT_EQ(r->image.size(), QSize(500, 5));
    check(QStringLiteral("e.png"), noisy(1, 1), "PNG", 500, QSize(500, 500));
    check(QStringLiteral("f.png"), noisy(1, 5000), "PNG", 500, QSize(1, 500));
    check(QStringLiteral("g h \u00e8.tif"), noisy(64, 48), "TIFF", 300, QSize(300, 225));
}

// A 16-bit picture's preview holds each 16-bit value as drawing it would round it: all 65,536
// of them, one a pixel, in a picture the preview does not scale.
TEST_F(Loader, SixteenBitPicturesRoundAsTheyAreDrawn)
{
    QImage deep(256, 256, QImage::Format_RGBX64);
    for (int y = 0; y < 256; ++y) {
        auto *line = reinterpret_cast<quint64 *>(deep.scanLine(y));
        for (quint64 x = 0; x < 256; ++x) {
            const quint64 v = quint64(y) * 256 + x, w = 65535 - v;
            line[x] = v | (w << 16) | (((v * 7) & 0xffff) << 32) | (quint64(0xffff) << 48);
        }
    }
    const picture::LoadResult r = LoadPicture(write(dir, QStringLiteral("deep.png"), deep), 256);
    ASSERT_TRUE(r.has_value()) << qPrintable(r.error());
    QImage drawn(256, 256, QImage::Format_RGBX8888);
    {
        QPainter p(&drawn);
        p.drawImage(0, 0, deep);
    }
    EXPECT_EQ(r->image.convertToFormat(QImage::Format_RGB32),
              drawn.convertToFormat(QImage::Format_RGB32));
}

TEST_F(Loader, AnEmptyPathGivesAnEmptyPicture)
{
    const picture::LoadResult r = LoadPicture(QString(), 500);
    EXPECT_TRUE(r.has_value());
    EXPECT_TRUE(r->isEmpty());
}

TEST_F(Loader, RefusesWhatItCannotRead)
{
    const QStringList bad = corpus(false);
    ASSERT_GE(bad.size(), 18);
    for (const QString &path : bad) {
        const picture::LoadResult r = LoadPicture(path, 500);
        EXPECT_FALSE(r.has_value()) << qPrintable(path);
        EXPECT_FALSE(r.error().isEmpty()) << qPrintable(path);
        if (path.contains(QLatin1String("bomb")))
            EXPECT_TRUE(r.error().contains(QLatin1String("too large"))) << qPrintable(r.error());
        if (path.contains(QLatin1String("scans")))
            EXPECT_TRUE(r.error().contains(QLatin1String("progressive scans")))
                << qPrintable(r.error());
    }
    for (const QString &path : corpus(true))
        EXPECT_TRUE(LoadPicture(path, 500).has_value()) << qPrintable(path);
    const picture::LoadResult gone = LoadPicture(dir.filePath(QStringLiteral("gone.png")), 500);
    EXPECT_FALSE(gone.has_value());
    EXPECT_FALSE(gone.error().isEmpty());
    // Files that may load or not, but end either way.
    const QDir all(QStringLiteral(TINTARA_BAD_CORPUS));
    for (const QString &name : all.entryList({QStringLiteral("odd*")}, QDir::Files))
        static_cast<void>(LoadPicture(all.filePath(name), 500));
    // What is not a regular file is never opened: a pipe would block the open for ever.
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("p.png")));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    for (const QString &path : {QFile::decodeName(fifo), QStringLiteral("/dev/zero"), dir.path()}) {
        const picture::LoadResult r = LoadPicture(path, 500);
        EXPECT_FALSE(r.has_value()) << qPrintable(path);
        EXPECT_TRUE(r.error().contains(QLatin1String("not a picture file")))
            << qPrintable(r.error());
    }
    // A picture's hash is taken when a record needs it, and only of the bytes that were loaded:
    // once the file is written again, there is none to take.
    const QString shown = dir.filePath(QStringLiteral("shown.png"));
    ASSERT_TRUE(noisy(30, 20).save(shown));
    const picture::LoadResult r = LoadPicture(shown, 500);
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(picture::contentHash(shown, r->file).has_value());
    ASSERT_TRUE(noisy(31, 20).save(shown));
    EXPECT_FALSE(picture::contentHash(shown, r->file).has_value());
}

TEST(PictureDamage, FollowsTheFileToThePicturesOwnEnd)
{
    QFile gifFile(QStringLiteral(TINTARA_BAD_CORPUS "/valid-1000x10.gif"));
    ASSERT_TRUE(gifFile.open(QIODevice::ReadOnly));
    const QByteArray gif = gifFile.readAll();
    const QByteArray png = encode(noisy(20, 20), "PNG");
    const QByteArray bmp = encode(noisy(10, 10), "BMP");
    const QByteArray xbm = encode(noisy(40, 40).convertToFormat(QImage::Format_Mono), "XBM");
    const QByteArray tail("\0 trailing data of another kind, e.g. a video", 46);
    const struct {
        const char *format;
        QByteArray data;
        bool damaged;
    } cases[] = {
        {"gif", gif, false},
        {"gif", gif + tail, false},
        {"gif", gif.chopped(1), true},
        {"gif", gif.left(gif.indexOf(';', 900) + 1), true}, // cut just after a 0x3B byte
        {"png", png + tail, false},
        {"png", png.chopped(12), true},
        {"bmp", bmp + tail, false},
        {"bmp", bmp.chopped(1), true},
        {"xbm", xbm, false},
        {"xbm", xbm.left(xbm.size() / 3), true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(!picture::findDamage(c.format, c.data).has_value(), c.damaged)
            << c.format << " of " << c.data.size() << " bytes";
}

namespace {
// A file in memory that raises the stop flag once half of it has been read, and counts what
// its reader took.
class StopHalfWay : public QBuffer {
public:
    StopHalfWay(const QByteArray &data, std::atomic<bool> &stop)
        : stop_(stop)
    {
        setData(data);
        open(QIODevice::ReadOnly);
    }
    qint64 taken = 0;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = QBuffer::readData(data, maxSize);
        taken += std::max<qint64>(n, 0);
        if (pos() > size() / 2)
            stop_ = true;
        return n;
    }

private:
    std::atomic<bool> &stop_;
};
} // namespace

TEST_F(Loader, ACancelReachesEveryDecoderAtItsNextRead)
{
    const QImage big = noisy(1500, 1500);
    for (const char *format : {"png", "tiff", "bmp"}) {
        const QByteArray data = encode(big, format);
        ASSERT_FALSE(data.isEmpty()) << format;
        std::atomic<bool> stop{false};
        StopHalfWay file(data, stop);
        const picture::LoadResult r = LoadPicture(file, 500, &stop);
        EXPECT_FALSE(r.has_value()) << format;
        EXPECT_EQ(r.error(), QStringLiteral("The load was cancelled.")) << format;
        // A decode that ran on to its end would have read the rest of the file.
        EXPECT_LT(file.taken, data.size() * 3 / 4) << format;
    }
    // WebP is decoded from memory in pieces, with a look at the stop between two of them.
    QByteArray webpData = encode(big, "webp");
    QBuffer webpFile(&webpData);
    ASSERT_TRUE(webpFile.open(QIODevice::ReadOnly));
    std::atomic<bool> stopped{true};
    picture::Source source(webpFile, &stopped);
    const std::unique_ptr<picture::Decoder> webp = picture::WebpFormat.open(source);
    ASSERT_TRUE(webp->readHeader());
    const Result<QImage> decoded = webp->decode(QSize(500, 500));
    ASSERT_FALSE(decoded);
    EXPECT_EQ(decoded.error(), QStringLiteral("The load was cancelled."));
}

namespace {

// A JPEG written with libjpeg at quality 100: `rows` gives each row's samples, of `space` with
// `components` a pixel; `icc` is embedded as it is, however wrong.
QByteArray libjpegFile(int w, int h, int components, J_COLOR_SPACE space,
                       const std::function<const uchar *(int)> &rows, bool adobeMarker = false,
                       const QByteArray &icc = {})
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(w), c.image_height = JDIMENSION(h);
    c.input_components = components;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    c.write_Adobe_marker = adobeMarker;
    jpeg_start_compress(&c, TRUE);
    if (!icc.isEmpty())
        jpeg_write_icc_profile(&c, reinterpret_cast<const JOCTET *>(icc.constData()),
                               unsigned(icc.size()));
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = const_cast<uchar *>(rows(int(c.next_scanline)));
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray data(reinterpret_cast<const char *>(out), qsizetype(size));
    std::free(out);
    return data;
}

// A CMYK JPEG as print workflows write it: Photoshop's inverted inks, with the Adobe marker.
QByteArray cmykJpeg(int w, int h, const unsigned char ink[4], bool adobeInverted)
{
    std::vector<unsigned char> row(std::size_t(w) * 4);
    for (int x = 0; x < w; ++x)
        for (int i = 0; i < 4; ++i)
            row[std::size_t(x) * 4 + std::size_t(i)] =
                adobeInverted ? static_cast<unsigned char>(255 - ink[i]) : ink[i];
    return libjpegFile(
        w, h, 4, JCS_CMYK, [&](int) { return row.data(); }, adobeInverted);
}

int farthest(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

} // namespace

// A CMYK TIFF of 8 or 16 bits a sample, one ink colour all over, written with libtiff.
void writeCmykTiff(const QString &path, int bits, const unsigned char ink[4])
{
    TIFF *t = TIFFOpen(QFile::encodeName(path).constData(), "w");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 8);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 4);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 4);
    std::vector<uint16_t> wide(8 * 4);
    std::vector<uint8_t> narrow(8 * 4);
    for (int x = 0; x < 8; ++x)
        for (int i = 0; i < 4; ++i) {
            narrow[std::size_t(x * 4 + i)] = ink[i];
            wide[std::size_t(x * 4 + i)] = uint16_t(ink[i] * 257);
        }
    for (uint32_t y = 0; y < 4; ++y)
        TIFFWriteScanline(t, bits == 8 ? static_cast<void *>(narrow.data()) : wide.data(), y, 0);
    TIFFClose(t);
}

TEST_F(Loader, ShowsPicturesInTheColoursTheirProfilesMean)
{
    // Pictures that say what their colours mean, written by Qt's own encoders with the profile
    // embedded; the expected colour is Qt's conversion of the same colour to sRGB.
    struct Case {
        const char *name;
        QColorSpace space;
        const char *format;
    } cases[] = {
        {"adobe.jpg", QColorSpace(QColorSpace::AdobeRgb), "jpeg"},
        {"prophoto.png", QColorSpace(QColorSpace::ProPhotoRgb), "png"},
        {"p3.png", QColorSpace(QColorSpace::DisplayP3), "png"},
        {"adobe.webp", QColorSpace(QColorSpace::AdobeRgb), "webp"},
        {"plain.jpg", QColorSpace(), "jpeg"},
    };
    const QRgb colours[] = {qRgb(200, 40, 60), qRgb(30, 160, 90), qRgb(90, 90, 220)};
    for (const Case &c : cases) {
        QImage img(60, 30, QImage::Format_RGB32);
        for (int x = 0; x < 60; ++x)
            for (int y = 0; y < 30; ++y)
                img.setPixel(x, y, colours[x / 20]);
        if (c.space.isValid())
            img.setColorSpace(c.space);
        const picture::LoadResult r =
            LoadPicture(write(dir, QLatin1String(c.name), img, c.format, 100), 60);
        ASSERT_TRUE(r.has_value()) << c.name << qPrintable(r.error());
        for (int i = 0; i < 3; ++i) {
            const QRgb want =
                c.space.isValid()
                    ? c.space.transformationToColorSpace(QColorSpace::SRgb).map(colours[i])
                    : colours[i];
            const QRgb got = r->image.pixel(i * 20 + 10, 15);
            EXPECT_LE(farthest(got, want), 3) << c.name << " colour " << i;
            if (c.space.isValid())
                EXPECT_GE(farthest(got, colours[i]), 4) << c.name << ": not converted";
        }
    }
    // CMYK, with Photoshop's inverted inks and without.
    const unsigned char inks[][4] = {{0, 255, 255, 0}, {255, 0, 255, 0}, {0, 0, 0, 128}};
    const QRgb rgb[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(127, 127, 127)};
    for (bool inverted : {true, false})
        for (int i = 0; i < 3; ++i) {
            const QString path = dir.filePath(QStringLiteral("cmyk%1%2.jpg").arg(i).arg(inverted));
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(cmykJpeg(16, 16, inks[i], inverted));
            f.close();
            const picture::LoadResult r = LoadPicture(path, 16);
            ASSERT_TRUE(r.has_value()) << qPrintable(r.error());
            EXPECT_LE(farthest(r->image.pixel(8, 8), rgb[i]), 3) << i << " " << inverted;
        }
    for (int bits : {8, 16})
        for (int i = 0; i < 3; ++i) {
            const QString path = dir.filePath(QStringLiteral("cmyk%1-%2.tif").arg(i).arg(bits));
            writeCmykTiff(path, bits, inks[i]);
            const picture::LoadResult r = LoadPicture(path, 8);
            ASSERT_TRUE(r.has_value()) << bits << " bits: " << qPrintable(r.error());
            EXPECT_LE(farthest(r->image.pixel(4, 2), rgb[i]), 3) << i << ", " << bits << " bits";
        }
}

namespace {

// Mean difference per channel, in levels, between two pictures of one size.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

} // namespace

namespace {

// Runs an encoder of another program; false when it is not installed or fails. Without an
// "%out" argument the encoder writes to its standard output.
bool encodeWith(const QString &tool, QStringList args, const QString &in, const QString &out)
{
    QProcess p;
    if (!args.contains(QLatin1String("%out")))
        p.setStandardOutputFile(out);
    for (QString &a : args)
        a = a == QLatin1String("%in") ? in : a == QLatin1String("%out") ? out : a;
    p.start(tool, args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit &&
           p.exitCode() == 0 && QFile::exists(out);
}

void put(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

} // namespace

TEST_F(Loader, ReadsEveryFormatByItsContent)
{
    // Each file made here by another program's encoder from one reference picture, and then
    // loaded whole, under a name that says JPEG, with no suffix, with bytes after its end, and
    // cut short. A row whose encoder is missing is passed over; the project's install-deps
    // brings them all.
    QImage reference(240, 160, QImage::Format_RGB32);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x)
            reference.setPixel(x, y, qRgb(x, y + 40, (x + y) / 2));
    const QString png = write(dir, QStringLiteral("reference.png"), reference);
    const QString ppm = write(dir, QStringLiteral("reference.ppm"), reference, "PPM");
    const QString icc = QStringLiteral("/usr/share/color/icc/ghostscript/");
    struct Case {
        const char *file, *tool;
        QStringList args;
        int turn = 0; // how the loaded picture is turned from the reference, degrees clockwise
        bool fromPpm = false;
        // Lossless and saying sRGB in its own way (ImageMagick's PNG: gAMA 2.2 and sRGB's
        // primaries as numbers): every pixel as it was.
        bool exact = false;
    } cases[] = {
        {"p.heic", "heif-enc", {"-q", "95", "-o", "%out", "%in"}},
        {"p.avif", "avifenc", {"-l", "%in", "%out"}},
        // Turned a quarter anticlockwise and mirrored left to right by the file's irot and imir.
        {"turned.avif", "avifenc", {"-l", "--irot", "1", "%in", "%out"}, -90},
        {"p.jxl", "cjxl", {"%in", "%out", "-d", "0"}},
        {"p.jpg", "cjpeg", {"-quality", "95", "-outfile", "%out", "%in"}, 0, true},
        {"p.webp", "cwebp", {"-quiet", "-q", "95", "%in", "-o", "%out"}},
        {"p.tif", "convert", {"%in", "-compress", "LZW", "%out"}},
        {"cmyk16.tif", "convert", {"%in", "-colorspace", "CMYK", "-depth", "16", "%out"}},
        {"cmyk.jpg", "convert", {"%in", "-colorspace", "CMYK", "-quality", "95", "%out"}},
        {"rle.tga", "ppmtotga", {"-rgb", "%in"}, 0, true},
        {"p.png", "convert", {"%in", "%out"}, 0, false, true},
    };
    // Small files of each kind, kept with the tests (and the loader's fuzzing seeds).
    const QDir kept(QStringLiteral(TINTARA_TEST_DATA "/formats"));
    for (const QString &name : kept.entryList(QDir::Files)) {
        const picture::LoadResult r = LoadPicture(kept.filePath(name), 100);
        ASSERT_TRUE(r.has_value()) << qPrintable(name) << ": " << qPrintable(r.error());
        EXPECT_EQ(r->size, name.contains(QLatin1String("turned")) ? QSize(24, 32) : QSize(32, 24))
            << qPrintable(name);
    }
    int encoded = 0;
    for (const Case &c : cases) {
        const QString name = QString::fromLatin1(c.file);
        const QString out = dir.filePath(name);
        if (!encodeWith(QLatin1String(c.tool), c.args, c.fromPpm ? ppm : png, out))
            continue;
        ++encoded;
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray whole = f.readAll();
        const QImage shown = reference.transformed(QTransform().rotate(c.turn));
        for (const auto &[as, data] :
             {std::pair{name, whole}, std::pair{QStringLiteral("named-%1.jpg").arg(name), whole},
              std::pair{QStringLiteral("bare-%1").arg(QFileInfo(name).baseName()), whole},
              std::pair{QStringLiteral("trailing-%1").arg(name), whole + QByteArray(2000, 'Z')}}) {
            put(dir.filePath(as), data);
            const picture::LoadResult r = LoadPicture(dir.filePath(as), 240);
            ASSERT_TRUE(r.has_value()) << qPrintable(as) << ": " << qPrintable(r.error());
            ASSERT_EQ(r->size, shown.size()) << qPrintable(as);
            EXPECT_LE(meanDifference(r->image, shown), c.exact ? 0.0 : 3.0) << qPrintable(as);
        }
        for (int percent : {10, 50, 90}) {
            const QString cut = dir.filePath(QStringLiteral("cut%1-%2").arg(percent).arg(name));
            put(cut, whole.left(whole.size() * percent / 100));
            const picture::LoadResult r = LoadPicture(cut, 240);
            EXPECT_FALSE(r.has_value()) << c.file << " cut at " << percent << " %";
            EXPECT_FALSE(r.error().isEmpty()) << c.file << " cut at " << percent << " %";
        }
    }
    if (encoded == 0)
        GTEST_SKIP() << "none of the encoders is installed";
    // Print's CMYK through the file's own profile: as the encoder's own colour management
    // brings it back to sRGB.
    const QString cmyk = dir.filePath(QStringLiteral("profiled.jpg"));
    const QString back = dir.filePath(QStringLiteral("back.png"));
    if (encodeWith(QStringLiteral("convert"),
                   {"%in", "-profile", icc + "default_rgb.icc", "-profile",
                    icc + "default_cmyk.icc", "-quality", "95", "%out"},
                   png, cmyk) &&
        encodeWith(
            QStringLiteral("convert"),
            {"%in", "-black-point-compensation", "-profile", icc + "default_rgb.icc", "%out"}, cmyk,
            back)) {
        const picture::LoadResult r = LoadPicture(cmyk, 240);
        ASSERT_TRUE(r.has_value()) << qPrintable(r.error());
        EXPECT_LE(meanDifference(r->image, QImage(back)), 3.0);
        // Not the naive conversion, which ignores the profile.
        EXPECT_GE(meanDifference(r->image, reference), 3.0);
    }
}

TEST_F(Loader, RoundsDeepSamplesToTheNearestOfEightBits)
{
    // 448 of 65535 is 7 of 1023 and 28 of 4095: 1.74 of 255, so 2 where rounded and 1 where
    // the low bits are dropped.
    QImage deep(8, 8, QImage::Format_RGBX64);
    deep.fill(QColor::fromRgba64(448, 448, 448));
    const QString png = write(dir, QStringLiteral("deep.png"), deep);
    struct Case {
        const char *file, *tool;
        QStringList args;
    } cases[] = {
        {"ten.avif", "avifenc", {"-l", "-d", "10", "%in", "%out"}},
        {"twelve.avif", "avifenc", {"-l", "-d", "12", "%in", "%out"}},
        {"sixteen.jxl", "cjxl", {"%in", "%out", "-d", "0"}},
    };
    for (const Case &c : cases) {
        const QString out = dir.filePath(QLatin1String(c.file));
        if (!encodeWith(QLatin1String(c.tool), c.args, png, out))
            continue;
        const picture::LoadResult r = LoadPicture(out, 8);
        ASSERT_TRUE(r.has_value()) << c.file << ": " << qPrintable(r.error());
        EXPECT_EQ(r->image.pixel(4, 4), qRgb(2, 2, 2)) << c.file;
    }
}

namespace {

// A hand-made TGA: the header, an optional colour map, then the pixel bytes as given.
QByteArray tga(int type, int depth, int descriptor, int w, int h, const QByteArray &pixels,
               const QByteArray &map = {}, int mapDepth = 0)
{
    QByteArray b(18, '\0');
    const auto put16 = [&](int at, int v) {
        b[at] = char(v & 255);
        b[at + 1] = char(v >> 8);
    };
    b[1] = map.isEmpty() ? 0 : 1;
    b[2] = char(type);
    put16(5, map.isEmpty() ? 0 : int(map.size() / ((mapDepth + 7) / 8)));
    b[7] = char(mapDepth);
    put16(12, w);
    put16(14, h);
    b[16] = char(depth);
    b[17] = char(descriptor);
    return b + map + pixels;
}

} // namespace

TEST_F(Loader, ReadsEveryKindOfTga)
{
    // A 3 x 2 picture: top row red, green, blue; bottom row white, black, grey.
    const QRgb top[3] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    const QRgb bottom[3] = {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(128, 128, 128)};
    const QByteArray bgrTop("\x00\x00\xff\x00\xff\x00\xff\x00\x00", 9);
    const QByteArray bgrBottom("\xff\xff\xff\x00\x00\x00\x80\x80\x80", 9);
    const QByteArray map = bgrTop + bgrBottom; // entries 0..5
    struct Case {
        const char *name;
        QByteArray file;
        bool grey = false;
    } cases[] = {
        {"bottom-up true colour", tga(2, 24, 0, 3, 2, bgrBottom + bgrTop)},
        {"top-down true colour", tga(2, 24, 0x20, 3, 2, bgrTop + bgrBottom)},
        {"right to left", tga(2, 24, 0x30, 3, 2,
                              QByteArray("\xff\x00\x00\x00\xff\x00\x00\x00\xff"
                                         "\x80\x80\x80\x00\x00\x00\xff\xff\xff",
                                         18))},
        {"32 bits with alpha bits", tga(2, 32, 0x28, 3, 2,
                                        QByteArray("\x00\x00\xff\xff\x00\xff\x00\xff\xff\x00\x00"
                                                   "\xff\xff\xff\xff\xff\x00\x00\x00\xff\x80\x80"
                                                   "\x80\xff",
                                                   24))},
        {"16 bits", tga(2, 16, 0x20, 3, 2,
                        QByteArray("\x00\x7c\xe0\x03\x1f\x00\xff\x7f\x00\x00\x10\x42", 12))},
        // The run of white and the grey continue from the top row into the bottom one.
        {"run-length, runs across rows",
         tga(10, 24, 0x20, 3, 2,
             QByteArray("\x02", 1) + bgrTop + QByteArray("\x80", 1) +
                 QByteArray("\xff\xff\xff", 3) + QByteArray("\x01", 1) + bgrBottom.mid(3))},
        {"colour-mapped",
         tga(1, 8, 0x20, 3, 2, QByteArray("\x00\x01\x02\x03\x04\x05", 6), map, 24)},
        {"colour-mapped, run-length",
         tga(9, 8, 0x20, 3, 2, QByteArray("\x05\x00\x01\x02\x03\x04\x05", 7), map, 24)},
        {"grey", tga(3, 8, 0x20, 3, 2, QByteArray("\x4c\x96\x1d\xff\x00\x80", 6)), true},
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(QStringLiteral("p.tga"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.file);
        f.close();
        const picture::LoadResult r = LoadPicture(path, 3);
        ASSERT_TRUE(r.has_value()) << c.name << ": " << qPrintable(r.error());
        ASSERT_EQ(r->size, QSize(3, 2)) << c.name;
        for (int x = 0; x < 3; ++x) {
            if (c.grey)
                continue;
            const QRgb want[2] = {top[x], bottom[x]};
            EXPECT_LE(farthest(r->image.pixel(x, 0), want[0]), 8) << c.name << " top " << x;
            EXPECT_LE(farthest(r->image.pixel(x, 1), want[1]), 8) << c.name << " bottom " << x;
        }
        if (c.grey) {
            EXPECT_EQ(r->image.pixel(0, 0), qRgb(0x4c, 0x4c, 0x4c));
            EXPECT_EQ(r->image.pixel(2, 1), qRgb(0x80, 0x80, 0x80));
        }
        // Cut anywhere in its pixels: refused, never read past the end.
        for (qsizetype keep = 19; keep < c.file.size(); keep += 5) {
            QFile cut(path);
            ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
            cut.write(c.file.left(keep));
            cut.close();
            EXPECT_FALSE(LoadPicture(path, 3).has_value()) << c.name << " cut to " << keep;
        }
    }
    // What a broken encoder or another format makes of the same header.
    QByteArray below = tga(1, 8, 0x20, 3, 2, QByteArray("\x00\x01\x02\x03\x04\x05", 6), map, 24);
    below[3] = 2; // the map starts at index 2: indices 0 and 1 have no colour
    QByteArray animation = tga(2, 24, 0x20, 3, 2, bgrTop + bgrBottom);
    animation[1] = 1; // a map of 6,319 entries of 0 bits, as an FLC's header reads
    animation[5] = char(6319 & 255);
    animation[6] = char(6319 >> 8);
    const QByteArray noAttributeBits = tga(2, 32, 0x20, 3, 2, QByteArray(24, '\x40'));
    for (const auto &[name, file] :
         {std::pair{"indices below the map", below}, std::pair{"a map of 0-bit entries", animation},
          std::pair{"32 bits, no attribute bits", noAttributeBits}}) {
        const QString path = dir.filePath(QStringLiteral("hostile.tga"));
        put(path, file);
        const picture::LoadResult r = LoadPicture(path, 3);
        if (file == noAttributeBits) {
            ASSERT_TRUE(r.has_value()) << qPrintable(r.error());
            EXPECT_EQ(r->image.pixel(1, 1), qRgb(0x40, 0x40, 0x40)) << "opaque";
        } else {
            EXPECT_FALSE(r.has_value()) << name;
            EXPECT_FALSE(r.error().isEmpty()) << name;
        }
    }
}

namespace {

// Writes a big-endian 32-bit value into every box of `type`, `at` bytes into its body.
void setInBoxes(QByteArray &file, const char *type, int at, quint32 value, int bytes = 4)
{
    for (qsizetype i = file.indexOf(type); i >= 4; i = file.indexOf(type, i + 4))
        for (int b = 0; b < bytes; ++b)
            file[i + 4 + at + b] = char(value >> (8 * (bytes - 1 - b)));
}

} // namespace

TEST_F(Loader, RefusesFilesWhoseHeadersDisagreeWithTheirData)
{
    // Files made by other programs' encoders, then edited as a broken encoder or an attacker
    // would. Each must load at `shown`, or be refused with `refusal` in its message.
    const QString picture = write(dir, QStringLiteral("p.png"), noisy(320, 240));
    QImage translucent = noisy(33, 17).convertToFormat(QImage::Format_ARGB32);
    translucent.fill(qRgba(200, 40, 90, 128));
    const QString odd = write(dir, QStringLiteral("odd.png"), translucent);
    const auto encoded = [&](const char *tool, QStringList args, const QString &from) {
        const QString out = dir.filePath(QStringLiteral("out.%1").arg(
            QLatin1String(tool) == QLatin1String("heif-enc") ? "heic" : "avif"));
        if (!encodeWith(QLatin1String(tool), args, from, out))
            return QByteArray();
        QFile f(out);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QStringList heif{"-q", "90", "-o", "%out", "%in"}, avif{"%in", "%out"};
    struct Case {
        const char *name;
        QByteArray file;
        const char *refusal = nullptr;
        QSize shown;
    };
    std::vector<Case> cases;
    for (const auto &[tool, args] : {std::pair{"heif-enc", heif}, std::pair{"avifenc", avif}}) {
        const QByteArray whole = encoded(tool, args, picture);
        if (whole.isEmpty())
            continue;
        QByteArray small = whole, large = whole, items = whole;
        setInBoxes(small, "ispe", 4, 1);
        setInBoxes(small, "ispe", 8, 1);
        setInBoxes(large, "ispe", 4, 640);
        setInBoxes(large, "ispe", 8, 480);
        setInBoxes(items, "iinf", 4, 19000, 2); // a version-0 count; the entries are not there
        cases.push_back({tool, whole, nullptr, QSize(320, 240)});
        cases.push_back({"a 1 x 1 size box over 320 x 240", small, "coded at 320 x 240"});
        cases.push_back({"a 640 x 480 size box over 320 x 240", large, "coded at 320 x 240"});
        cases.push_back({"19,000 items", items, "19000 items"});
        cases.push_back({"odd size with alpha", encoded(tool, args, odd), nullptr, QSize(33, 17)});
    }
    QByteArray crop = encoded("avifenc", {"--clap", "100,1,48,1,0,1,0,1", "%in", "%out"}, picture);
    if (!crop.isEmpty()) {
        cases.push_back({"a valid crop", crop, nullptr, QSize(100, 48)});
        QByteArray wider = crop, huge = crop;
        setInBoxes(wider, "clap", 0, 400); // wider than the picture
        setInBoxes(huge, "clap", 0, 2147483647);
        setInBoxes(huge, "clap", 8, 2147483647);
        cases.push_back({"a crop wider than the picture", wider, "decodes to"});
        cases.push_back({"a crop of 2^31 - 1 pixels a side", huge, "too large"});
    }
    // libheif refuses the reserved primaries, after handing over its copy of the colour box.
    const QByteArray reserved = encoded("avifenc", {"--cicp", "255/13/6", "%in", "%out"}, picture);
    if (!reserved.isEmpty())
        cases.push_back({"reserved colour primaries", reserved, nullptr, QSize(320, 240)});
    // A legal profile of 4.2 MiB of noise, which libjxl decodes whole before it tells its size.
    QFile icc(dir.filePath(QStringLiteral("noise.icc")));
    ASSERT_TRUE(icc.open(QIODevice::WriteOnly));
    QByteArray noise = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    std::mt19937 random(26);
    while (noise.size() < 4400000)
        noise += char(random());
    qToBigEndian<quint32>(quint32(noise.size()), noise.data());
    icc.write(noise);
    icc.close();
    const QString tagged = dir.filePath(QStringLiteral("tagged.png"));
    const QString jxl = dir.filePath(QStringLiteral("big-profile.jxl"));
    if (encodeWith(QStringLiteral("convert"),
                   {"%in", "-profile", icc.fileName(), "-define",
                    "png:exclude-chunk=sRGB,cHRM,gAMA,bKGD", "%out"},
                   write(dir, QStringLiteral("small.png"), noisy(8, 8)), tagged) &&
        encodeWith(QStringLiteral("cjxl"), {"%in", "%out", "-e", "1", "-d", "0"}, tagged, jxl)) {
        QFile f(jxl);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        cases.push_back({"a JPEG XL profile of 4.2 MiB", f.readAll(), "profile is too large"});
    }
    if (cases.empty())
        GTEST_SKIP() << "none of heif-enc, avifenc and cjxl is installed";
    for (const Case &c : cases) {
        ASSERT_FALSE(c.file.isEmpty()) << c.name;
        const QString path = dir.filePath(QStringLiteral("hostile"));
        put(path, c.file);
        const picture::LoadResult r = LoadPicture(path, 100);
        if (!c.refusal) {
            ASSERT_TRUE(r.has_value()) << c.name << ": " << qPrintable(r.error());
            EXPECT_EQ(r->size, c.shown) << c.name;
        } else {
            EXPECT_FALSE(r.has_value()) << c.name;
            EXPECT_TRUE(r.error().contains(QLatin1String(c.refusal)))
                << c.name << ": " << qPrintable(r.error());
        }
    }
}

namespace {

// A file in memory that counts how often its reader asks for its size or moves in it.
class CountingBuffer : public QBuffer {
public:
    explicit CountingBuffer(const QByteArray &data)
    {
        setData(data);
        open(QIODevice::ReadOnly);
    }
    mutable qint64 sizes = 0;
    qint64 seeks = 0;
    qint64 size() const override
    {
        ++sizes;
        return QBuffer::size();
    }
    bool seek(qint64 pos) override
    {
        ++seeks;
        return QBuffer::seek(pos);
    }
};

} // namespace

TEST_F(Loader, ReadsAFileOfManySmallChunksWithoutASystemCallForEach)
{
    // A valid PNG with 200,000 empty chunks after its pixels. Asking a file's size or moving in
    // it is a system call; for each chunk, that made such a file take seconds.
    const QByteArray png = encode(noisy(20, 20), "PNG");
    const QByteArray empty("\0\0\0\0abCd\x78\x06\xe9\xb3", 12); // length, type, CRC
    CountingBuffer file(png.chopped(12) + empty.repeated(200000) + png.right(12));
    const picture::LoadResult r = LoadPicture(file, 20);
    ASSERT_TRUE(r.has_value()) << qPrintable(r.error());
    EXPECT_EQ(r->size, QSize(20, 20));
    EXPECT_LT(file.sizes, 100);
    EXPECT_LT(file.seeks, 1000);
}

namespace {

// A JPEG of the picture with `icc` embedded as it is, however wrong.
QByteArray jpegWithProfile(const QImage &picture, const QByteArray &icc)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    return libjpegFile(
        rgb.width(), rgb.height(), 3, JCS_RGB, [&](int y) { return rgb.constScanLine(y); }, false,
        icc);
}

// Where a tag's data starts in a profile.
qsizetype tagData(const QByteArray &icc, const char *signature)
{
    const quint32 count = qFromBigEndian<quint32>(icc.constData() + 128);
    for (quint32 i = 0; i < count; ++i)
        if (icc.mid(132 + 12 * i, 4) == signature)
            return qFromBigEndian<quint32>(icc.constData() + 132 + 12 * i + 4);
    return -1;
}

} // namespace

TEST_F(Loader, TakesProfilesThatMeanNonsenseAsSrgbAndRefusesHugeOnes)
{
    // Adobe RGB's profile, edited: a curve of gamma 0 (all white), a red of negative X, and
    // one of 5 MiB. The first two must show the stored colours, as a file with no profile.
    const QByteArray adobe = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    ASSERT_GT(tagData(adobe, "rTRC"), 0);
    ASSERT_GT(tagData(adobe, "rXYZ"), 0);
    QByteArray flat = adobe, negative = adobe, huge = adobe;
    for (const char *curve : {"rTRC", "gTRC", "bTRC"}) {
        const qsizetype at = tagData(flat, curve);
        ASSERT_EQ(flat.mid(at, 4), "para");
        ASSERT_EQ(flat.mid(at + 8, 2), QByteArray(2, '\0')); // a power curve, its gamma next
        flat.replace(at + 12, 4, QByteArray(4, '\0'));
    }
    const qsizetype x = tagData(negative, "rXYZ") + 8;
    qToBigEndian<qint32>(-qFromBigEndian<qint32>(negative.constData() + x), negative.data() + x);
    huge += QByteArray(5 << 20, '\0');
    qToBigEndian<quint32>(quint32(huge.size()), huge.data());
    const QImage picture = noisy(40, 30);
    const QString plain = dir.filePath(QStringLiteral("plain.jpg"));
    put(plain, jpegWithProfile(picture, {}));
    const picture::LoadResult reference = LoadPicture(plain, 40);
    ASSERT_TRUE(reference.has_value());
    for (const auto &[name, icc] : {std::pair{"gamma 0", flat}, std::pair{"negative red", negative},
                                    std::pair{"5 MiB", huge}}) {
        const QString path = dir.filePath(QStringLiteral("profiled.jpg"));
        put(path, jpegWithProfile(picture, icc));
        const picture::LoadResult r = LoadPicture(path, 40);
        if (icc.size() > (4 << 20)) {
            EXPECT_FALSE(r.has_value()) << name;
            EXPECT_TRUE(r.error().contains(QLatin1String("colour profile is too large")))
                << qPrintable(r.error());
            continue;
        }
        ASSERT_TRUE(r.has_value()) << name << ": " << qPrintable(r.error());
        EXPECT_EQ(r->image, reference->image) << name;
    }
}

// Both ways of writing a file: the old one stays whole until the new one takes its name, keeps
// its permissions, and nothing else is left in the folder, written or refused.
TEST(PngWriter, WritesWholeFilesAndLeavesNothingElse)
{
    for (const picture::Durability d :
         {picture::Durability::Synced, picture::Durability::Deferred}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plane.png"));
        ASSERT_TRUE(picture::saveBytes("old", path, d));
        ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ReadGroup));
        ASSERT_TRUE(picture::saveBytes(QByteArray(100000, 'n'), path, d));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray(100000, 'n'));
        EXPECT_EQ(file.permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadUser | QFileDevice::WriteUser |
                                          QFileDevice::ReadGroup);
        const Result<void> nowhere =
            picture::saveBytes("x", dir.filePath(QStringLiteral("gone/plane.png")), d);
        ASSERT_FALSE(nowhere);
        EXPECT_TRUE(nowhere.error().contains(QLatin1String("No such file")))
            << qPrintable(nowhere.error());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                  QStringList{QStringLiteral("plane.png")});
        EXPECT_TRUE(picture::syncFileSystem(dir.path()));
    }
}
