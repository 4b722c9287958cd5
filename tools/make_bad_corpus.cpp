// Writes the corpus of hostile and borderline picture files that the loading tests feed to the
// Load command: empty, not pictures, truncated at several points, corrupt, decompression
// bombs, and a few odd but valid pictures. Every byte is made here.
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QtEndian>
#include <cstdio>

namespace {

QImage pattern(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    quint32 seed = 99;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            img.setPixel(x, y, qRgb((x * 4) & 255, (y * 4) & 255, int(seed >> 24)));
        }
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

QByteArray chunk(const QByteArray &type, const QByteArray &data)
{
    char be[4];
    QByteArray out;
    qToBigEndian<quint32>(quint32(data.size()), be);
    out.append(be, 4).append(type).append(data);
    qToBigEndian<quint32>(crc32(type + data), be);
    return out.append(be, 4);
}

// A PNG that claims w x h pixels and holds a little compressed data.
QByteArray pngBomb(quint32 w, quint32 h)
{
    char dims[8];
    qToBigEndian(w, dims);
    qToBigEndian(h, dims + 4);
    QByteArray ihdr(dims, 8);
    ihdr.append("\x08\x02\x00\x00\x00", 5);
    const QByteArray zeros = qCompress(QByteArray(1 << 16, '\0')).mid(4); // zlib stream
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", zeros) +
           chunk("IEND", {});
}

// A GIF whose screen and image claim w x h pixels.
QByteArray gifBomb(quint16 w, quint16 h)
{
    QByteArray out("GIF89a");
    auto word = [&out](quint16 v) {
        out.append(char(v & 0xFF)).append(char(v >> 8));
    };
    word(w);
    word(h);
    out.append(char(0x80)).append('\0').append('\0'); // two-colour global table
    out.append(QByteArray("\0\0\0\xff\xff\xff", 6));
    out.append(',');
    word(0);
    word(0);
    word(w);
    word(h);
    out.append('\0').append(char(2));
    out.append(char(2)).append("\x4c\x01", 2).append('\0'); // a few codes, then the end
    return out.append(';');
}

// A 3-3-2 palette GIF of the picture, nine-bit codes throughout.
QByteArray gif(const QImage &img)
{
    QByteArray out("GIF89a");
    auto word = [&out](int v) {
        out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
    };
    word(img.width());
    word(img.height());
    out.append(char(0xF7)).append('\0').append('\0');
    for (int i = 0; i < 256; ++i)
        out.append(char((i >> 5) * 36))
            .append(char(((i >> 2) & 7) * 36))
            .append(char((i & 3) * 85));
    out.append(',');
    word(0);
    word(0);
    word(img.width());
    word(img.height());
    out.append('\0').append(char(8));
    QByteArray data;
    quint32 bits = 0;
    int count = 0, run = 0;
    auto code = [&](int c) {
        bits |= quint32(c) << count;
        for (count += 9; count >= 8; count -= 8, bits >>= 8)
            data.append(char(bits & 0xFF));
    };
    code(256);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            code(((qRed(p) >> 5) << 5) | ((qGreen(p) >> 5) << 2) | (qBlue(p) >> 6));
            if (++run == 250)
                code(256), run = 0;
        }
    code(257);
    if (count > 0)
        data.append(char(bits & 0xFF));
    for (int at = 0; at < data.size(); at += 255)
        out.append(char(data.mid(at, 255).size())).append(data.mid(at, 255));
    return out.append('\0').append(';');
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tintara_bad_corpus FOLDER\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    auto put = [&](const QString &name, const QByteArray &bytes) {
        QFile f(dir.filePath(name));
        ok = ok && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    auto cuts = [&](const QString &stem, const QString &suffix, const QByteArray &whole) {
        for (const int percent : {10, 50, 90})
            put(QStringLiteral("%1-cut%2.%3").arg(stem).arg(percent).arg(suffix),
                whole.left(whole.size() * percent / 100));
    };

    const QImage picture = pattern(160, 120);
    put(QStringLiteral("empty.png"), {});
    put(QStringLiteral("text.png"), "This is plain text, not a picture.\n");
    cuts(QStringLiteral("png"), QStringLiteral("png"), encode(picture, "PNG"));
    cuts(QStringLiteral("jpeg"), QStringLiteral("jpg"), encode(picture, "JPG"));
    cuts(QStringLiteral("gif"), QStringLiteral("gif"), gif(picture));
    cuts(QStringLiteral("bmp"), QStringLiteral("bmp"), encode(picture, "BMP"));
    cuts(QStringLiteral("tiff"), QStringLiteral("tif"), encode(picture, "TIFF"));
    QByteArray badCrc = encode(picture, "PNG");
    const qsizetype idat = badCrc.indexOf("IDAT");
    badCrc[idat + 20] = char(badCrc[idat + 20] ^ 0x5A);
    put(QStringLiteral("png-bad-crc.png"), badCrc);
    put(QStringLiteral("png-bomb-50000.png"), pngBomb(50000, 50000));
    put(QStringLiteral("gif-bomb-50000.gif"), gifBomb(50000, 50000));

    // Odd but valid.
    put(QStringLiteral("valid-1x1.png"), encode(pattern(1, 1), "PNG"));
    put(QStringLiteral("valid-1x5000.png"), encode(pattern(1, 5000), "PNG"));
    put(QStringLiteral("valid-1000x10.gif"), gif(pattern(1000, 10)));
    put(QStringLiteral("valid name with spaces \u00e8\u00fc\u00df.png"), encode(picture, "PNG"));
    return ok ? 0 : 1;
}
