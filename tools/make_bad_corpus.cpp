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
#include <jpeglib.h>
#include <vector>

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

// An Adam7-interlaced RGB PNG of the picture, stored without compression, and where its third
// pass begins in the file.
QByteArray interlacedPng(const QImage &img, qsizetype *thirdPass)
{
    static const int start[7][2] = {{0, 0}, {4, 0}, {0, 4}, {2, 0}, {0, 2}, {1, 0}, {0, 1}};
    static const int step[7][2] = {{8, 8}, {8, 8}, {4, 8}, {4, 4}, {2, 4}, {2, 2}, {1, 2}};
    QByteArray raw;
    qsizetype passStart[7] = {};
    for (int pass = 0; pass < 7; ++pass) {
        passStart[pass] = raw.size();
        for (int y = start[pass][1]; y < img.height(); y += step[pass][1]) {
            if (start[pass][0] >= img.width())
                break;
            raw.append('\0'); // no filter
            for (int x = start[pass][0]; x < img.width(); x += step[pass][0]) {
                const QRgb p = img.pixel(x, y);
                raw.append(char(qRed(p))).append(char(qGreen(p))).append(char(qBlue(p)));
            }
        }
    }
    char dims[8];
    qToBigEndian(quint32(img.width()), dims);
    qToBigEndian(quint32(img.height()), dims + 4);
    QByteArray ihdr(dims, 8);
    ihdr.append("\x08\x02\x00\x00\x01", 5);           // 8-bit RGB, Adam7
    const QByteArray zlib = qCompress(raw, 0).mid(4); // stored blocks: raw bytes keep their order
    const QByteArray head = QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr);
    // Zlib header (2 bytes), stored-block header (5 bytes); the pass lies in the first block.
    *thirdPass = head.size() + 8 + 2 + 5 + passStart[2];
    return head + chunk("IDAT", zlib) + chunk("IEND", {});
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

// A JPEG written with libjpeg itself: progressive, one scan for the DC coefficients and one for
// each AC coefficient of each component (190 scans, all valid), or baseline with a restart
// marker after every MCU row.
QByteArray writeJpeg(const QImage &img, bool progressive)
{
    std::vector<jpeg_scan_info> script;
    script.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
    for (int c = 0; c < 3; ++c)
        for (int k = 1; k < 64; ++k)
            script.push_back({1, {c, 0, 0, 0}, k, k, 0, 0});
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(img.width());
    cinfo.image_height = static_cast<JDIMENSION>(img.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (progressive) {
        cinfo.scan_info = script.data();
        cinfo.num_scans = static_cast<int>(script.size());
    } else
        cinfo.restart_in_rows = 1;
    jpeg_start_compress(&cinfo, TRUE);
    const QImage rgb = img.convertToFormat(QImage::Format_RGB888);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uchar *>(rgb.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

QByteArray jpegWithRestarts(const QImage &img)
{
    return writeJpeg(img, false);
}

// An 8-bit BMP of w x h pixels, RLE8-compressed, from the given stream of codes.
QByteArray rle8(int w, int h, const QByteArray &codes)
{
    QByteArray out(54 + 1024, '\0');
    auto put32 = [&](int at, quint32 v) {
        qToLittleEndian(v, out.data() + at);
    };
    out[0] = 'B', out[1] = 'M';
    put32(2, quint32(out.size() + codes.size()));
    put32(10, quint32(out.size()));
    put32(14, 40);
    put32(18, quint32(w));
    put32(22, quint32(h));
    qToLittleEndian<quint16>(1, out.data() + 26);
    qToLittleEndian<quint16>(8, out.data() + 28);
    put32(30, 1); // RLE8
    put32(34, quint32(codes.size()));
    put32(46, 256);
    for (int i = 0; i < 256; ++i)
        out[54 + 4 * i] = out[54 + 4 * i + 1] = out[54 + 4 * i + 2] = char(i);
    return out + codes;
}

QByteArray rle8Rows(int w, int h)
{
    QByteArray codes;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; x += 8)
            codes.append(char(std::min(8, w - x))).append(char((x * 8 + y * 4) & 255));
        codes.append("\0\0", 2);
    }
    return codes.append("\0\1", 2);
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

    // Whole pictures followed by other data, as phones, cameras and other tools write them.
    const QByteArray jpeg = encode(picture, "JPG");
    put(QStringLiteral("valid-jpeg-then-70k.jpg"), jpeg + QByteArray(70 * 1024, '\x5a'));
    put(QStringLiteral("valid-jpeg-padded.jpg"), jpeg + QByteArray(4096, '\0'));
    const QByteArray gifWhole = gif(picture);
    put(QStringLiteral("valid-gif-then-nul.gif"), gifWhole + QByteArray(1, '\0'));
    put(QStringLiteral("valid-png-after-iend.png"), encode(picture, "PNG") + "trailing bytes");
    put(QStringLiteral("valid-bmp-longer.bmp"), encode(picture, "BMP") + QByteArray(999, '\1'));
    // Unusual but valid.
    QByteArray ppm16("P6\n16 8\n65535\n");
    for (int i = 0; i < 16 * 8 * 3; ++i)
        ppm16.append(char(i & 255)).append(char((i * 7) & 255));
    put(QStringLiteral("valid-ppm-65535.ppm"), ppm16);
    QByteArray topDown = encode(picture, "BMP");
    qToLittleEndian<qint32>(-picture.height(), topDown.data() + 22);
    put(QStringLiteral("valid-bmp-top-down.bmp"), topDown);
    QImage withText = picture;
    QString comment;
    quint32 letters = 7;
    for (int i = 0; i < 100 * 1024; ++i) // letters that do not compress: the chunk stays 100 KB
        comment += QLatin1Char(char('a' + ((letters = letters * 1103515245u + 12345u) >> 16) % 26));
    withText.setText(QStringLiteral("Comment"), comment);
    put(QStringLiteral("valid-png-100k-text.png"), encode(withText, "PNG"));
    put(QStringLiteral("valid-bmp-rle8.bmp"), rle8(40, 30, rle8Rows(40, 30)));

    // Damaged in ways that decoders fill in silently.
    const QByteArray restarts = jpegWithRestarts(picture);
    put(QStringLiteral("jpeg-cut-after-restart.jpg"),
        restarts.left(restarts.indexOf("\xff\xd4") + 2)); // after the fifth restart marker
    put(QStringLiteral("jpeg-190-scans.jpg"), writeJpeg(pattern(64, 64), true));
    qsizetype thirdPass = 0;
    const QByteArray interlaced = interlacedPng(pattern(64, 64), &thirdPass);
    put(QStringLiteral("valid-png-interlaced.png"), interlaced);
    put(QStringLiteral("png-interlaced-cut-in-third-pass.png"), interlaced.left(thirdPass + 100));
    put(QStringLiteral("gif-cut-after-3b.gif"), gifWhole.left(gifWhole.indexOf(';', 900) + 1));
    const QByteArray rle = rle8(40, 30, rle8Rows(40, 30));
    put(QStringLiteral("bmp-rle8-cut-half.bmp"),
        rle.left(54 + 1024 + (rle.size() - 54 - 1024) / 2));
    const QByteArray xbm = encode(picture.convertToFormat(QImage::Format_Mono), "XBM");
    put(QStringLiteral("xbm-most-data-missing.xbm"), xbm.left(xbm.size() / 4));
    put(QStringLiteral("ppm-99999999.ppm"), "P6\n99999999 99999999\n255\n\x01\x02\x03");
    // May load or be refused, but must never hang or crash.
    QByteArray lzw = gifBomb(16, 16);
    lzw.replace(lzw.size() - 5, 3, QByteArray("\x02\xff\xff", 3));
    put(QStringLiteral("odd-gif-codes-past-table.gif"), lzw);
    QByteArray tiff("II*\0\x08\0\0\0\x01\0\x00\x01\x03\0\x01\0\0\0\x10\0\0\0\x08\0\0\0", 26);
    put(QStringLiteral("odd-tiff-ifd-loop.tif"), tiff);
    QByteArray pastRow;
    for (int y = 0; y < 30; ++y)
        pastRow.append("\xff\x40\xff\x41\0\0", 6); // runs longer than the 40-pixel row
    put(QStringLiteral("odd-bmp-rle8-run-past-row.bmp"), rle8(40, 30, pastRow.append("\0\1", 2)));
    return ok ? 0 : 1;
}
