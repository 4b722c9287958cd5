#include "picture/pngwriter.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>

namespace picture {

namespace {

// The picture in the smallest PNG form that keeps every pixel: a palette when it has at most
// 256 colours, 1 bit a pixel when it has two (a threshold plane's marks and ground). A plane
// written so takes a fraction of the memory to compress, and of the disk.
QImage smallestExact(const QImage &image)
{
    if (image.hasAlphaChannel() || image.isNull())
        return image;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QList<QRgb> colours;
    // Each colour's index, in a table twice as large as the most colours kept; 0 is no colour,
    // as every colour here is opaque.
    constexpr int Slots = 512;
    QRgb seen[Slots] = {};
    uchar index[Slots];
    QImage indices(rgb.size(), QImage::Format_Indexed8);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *from = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        uchar *to = indices.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = from[x] | 0xff000000u;
            quint32 at = (c * 0x9E3779B1u) >> 23;
            while (seen[at] != c && seen[at] != 0)
                at = (at + 1) % Slots;
            if (seen[at] == 0) {
                if (colours.size() == 256)
                    return image;
                seen[at] = c;
                index[at] = uchar(colours.size());
                colours.push_back(c);
            }
            to[x] = index[at];
        }
    }
    indices.setColorTable(colours);
    if (colours.size() > 2)
        return indices;
    QImage bits(rgb.size(), QImage::Format_Mono);
    bits.setColorTable(colours);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar *from = indices.constScanLine(y);
        uchar *to = bits.scanLine(y);
        std::fill(to, to + bits.bytesPerLine(), 0);
        for (int x = 0; x < rgb.width(); ++x)
            to[x >> 3] |= uchar(from[x] << (7 - (x & 7)));
    }
    return bits;
}

} // namespace

QString savePng(const QImage &image, const QString &path,
                const QList<QPair<QString, QString>> &texts)
{
    // Encoded in memory first: then the only writes to the disk are our own, each checked, and
    // a full disk is reported with the system's reason rather than the encoder's guess.
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage tagged = smallestExact(image); // the texts travel with the picture
        for (const auto &[key, value] : texts)
            tagged.setText(key, value);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(tagged))
            return writer.errorString();
    }
    QSaveFile file(path);
    // Unbuffered, so that a failing write fails here, where its reason is still known.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    // A short write is no error by itself; the next one then fails with the system's reason.
    for (qsizetype done = 0; done < png.size();) {
        const qint64 n = file.write(png.constData() + done, png.size() - done);
        if (n <= 0) {
            const QString why = file.errorString();
            file.cancelWriting();
            return why;
        }
        done += n;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace picture
