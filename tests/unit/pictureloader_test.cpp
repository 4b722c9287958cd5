#include "platform/picturedamage.h"
#include "platform/pictureloader.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
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

// The hostile-picture corpus, valid files or the others.
QStringList corpus(bool valid)
{
    const QDir dir(QStringLiteral(TINTARA_BAD_CORPUS));
    QStringList files;
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
        if (name.startsWith(QLatin1String("valid")) == valid)
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
        const platform::LoadResult r = LoadPicture(testpics::write(dir, name, img, format), side);
        ASSERT_TRUE(r.ok) << qPrintable(r.error);
        EXPECT_EQ(r.picture.size, img.size()) << qPrintable(name);
        EXPECT_EQ(r.picture.image.size(), decoded) << qPrintable(name);
    };
    check(QStringLiteral("a.png"), noisy(640, 480), "PNG", 500, QSize(500, 375));
    check(QStringLiteral("b.jpg"), noisy(480, 640), "JPG", 500, QSize(375, 500));
    check(QStringLiteral("c.bmp"), noisy(300, 300), "BMP", 200, QSize(200, 200));
    const platform::LoadResult r =
        LoadPicture(QStringLiteral(TINTARA_BAD_CORPUS "/valid-1000x10.gif"), 500);
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
    const QStringList bad = corpus(false);
    ASSERT_GE(bad.size(), 18);
    for (const QString &path : bad) {
        const platform::LoadResult r = LoadPicture(path, 500);
        EXPECT_FALSE(r.ok) << qPrintable(path);
        EXPECT_FALSE(r.error.isEmpty()) << qPrintable(path);
        if (path.contains(QLatin1String("bomb")))
            EXPECT_TRUE(r.error.contains(QLatin1String("too large"))) << qPrintable(r.error);
    }
    for (const QString &path : corpus(true))
        EXPECT_TRUE(LoadPicture(path, 500).ok) << qPrintable(path);
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
