#include "picture/pngwriter.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSaveFile>

namespace picture {

QString savePng(const QImage &image, const QString &path,
                const QList<QPair<QString, QString>> &texts)
{
    // Encoded in memory first: then the only writes to the disk are our own, each checked, and
    // a full disk is reported with the system's reason rather than the encoder's guess.
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage tagged = image; // shares the pixels; the texts travel with the picture
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
