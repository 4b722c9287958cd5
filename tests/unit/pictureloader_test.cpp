#include "platform/picturedamage.h"
#include "platform/pictureloader.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>
#include <random>

using platform::LoadPicture;

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

QString writeBytes(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

quint32 crc32(const QByteArray &data)
{
    quint32 c = 0xFFFFFFFFu;
    for (const char ch : data) {
        c ^= static_cast<quint8>(ch);
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// A PNG whose header claims w x h pixels, followed by a little real data.
QByteArray pngClaiming(quint32 w, quint32 h)
{
    QByteArray ihdr("IHDR");
    char dims[8];
    qToBigEndian(w, dims);
    qToBigEndian(h, dims + 4);
    ihdr.append(dims, 8).append("\x08\x02\x00\x00\x00", 5);
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    char len[4], crc[4];
    qToBigEndian<quint32>(13, len);
    qToBigEndian(crc32(ihdr), crc);
    out.append(len, 4).append(ihdr).append(crc, 4);
    out.append(QByteArray(64, '\0'));
    return out;
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
        const platform::LoadResult r = LoadPicture(testpics::write(dir, name, img, format), side);
        ASSERT_TRUE(r.ok) << qPrintable(r.error);
        EXPECT_EQ(r.picture.size, img.size()) << qPrintable(name);
        EXPECT_EQ(r.picture.image.size(), decoded) << qPrintable(name);
    };
    check(QStringLiteral("a.png"), noisy(640, 480), "PNG", 500, QSize(500, 375));
    check(QStringLiteral("b.jpg"), noisy(480, 640), "JPG", 500, QSize(375, 500));
    check(QStringLiteral("c.bmp"), noisy(300, 300), "BMP", 200, QSize(200, 200));
    const QString gif = dir.filePath(QStringLiteral("d.gif"));
    QFile f(gif);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(testpics::gif(noisy(1000, 10)));
    f.close();
    const platform::LoadResult r = LoadPicture(gif, 500);
    ASSERT_TRUE(r.ok) << qPrintable(r.error);
    EXPECT_EQ(r.picture.size, QSize(1000, 10));
    EXPECT_EQ(r.picture.image.size(), QSize(500, 5));
    check(QStringLiteral("e.png"), noisy(1, 1), "PNG", 500, QSize(500, 500));
    check(QStringLiteral("f.png"), noisy(1, 5000), "PNG", 500, QSize(1, 500));
    check(QStringLiteral("g h \u00e8.tif"), noisy(64, 48), "TIFF", 300, QSize(300, 225));
}

TEST_F(Loader, AnEmptyPathGivesAnEmptyPicture)
{
    const platform::LoadResult r = LoadPicture(QString(), 500);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.picture.isEmpty());
}

TEST_F(Loader, RefusesWhatItCannotRead)
{
    const QByteArray jpeg = encode(noisy(400, 300), "JPG");
    const QByteArray bmp = encode(noisy(200, 100), "BMP");
    const QByteArray gif = testpics::gif(noisy(200, 100));
    const QByteArray png = encode(noisy(200, 100), "PNG");
    QByteArray badCrc = png;
    badCrc[png.indexOf("IDAT") + 10] = static_cast<char>(badCrc[png.indexOf("IDAT") + 10] ^ 0x55);
    const std::pair<const char *, QByteArray> files[] = {
        {"empty.png", QByteArray()},
        {"text.png", QByteArray("this is not a picture\n")},
        {"cut.jpg", jpeg.left(jpeg.size() * 6 / 10)},
        {"cut.bmp", bmp.left(bmp.size() - 700)},
        {"cut.gif", gif.left(gif.size() / 2)},
        {"cut.png", png.left(png.size() / 2)},
        {"crc.png", badCrc},
        {"bomb.png", pngClaiming(50000, 50000)},
    };
    for (const auto &[name, bytes] : files) {
        const platform::LoadResult r =
            LoadPicture(writeBytes(dir, QString::fromLatin1(name), bytes), 500);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_FALSE(r.error.isEmpty()) << name;
    }
    const platform::LoadResult gone = LoadPicture(dir.filePath(QStringLiteral("gone.png")), 500);
    EXPECT_FALSE(gone.ok);
    EXPECT_FALSE(gone.error.isEmpty());
}

TEST(PictureDamage, LooksAtEndMarkersAndDeclaredSizes)
{
    using platform::findDamage;
    EXPECT_TRUE(findDamage("jpeg", {}, QByteArray("\x00\x11\xff\xd9", 4), 100).isEmpty());
    EXPECT_FALSE(findDamage("jpeg", {}, QByteArray("\x00\x11\xff\x00", 4), 100).isEmpty());
    EXPECT_TRUE(findDamage("gif", {}, QByteArray("\x00\x3b", 2), 100).isEmpty());
    EXPECT_FALSE(findDamage("gif", {}, QByteArray("\x00\x00", 2), 100).isEmpty());
    const QByteArray bmp = encode(noisy(10, 10), "BMP");
    EXPECT_TRUE(findDamage("bmp", bmp.left(64), {}, bmp.size()).isEmpty());
    EXPECT_FALSE(findDamage("bmp", bmp.left(64), {}, bmp.size() - 1).isEmpty());
    EXPECT_TRUE(findDamage("png", {}, {}, 0).isEmpty()) << "PNG errors come from its reader";
}
