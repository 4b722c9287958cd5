#include "platform/pictureloader.h"

#include "core/geometry.h"
#include "platform/control.h"
#include "platform/jpegdecoder.h"
#include "platform/picturedamage.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTransform>

namespace platform {

namespace {

LoadResult fail(const QString &why)
{
    return LoadResult{false, {}, why};
}

qint64 allocationLimitBytes()
{
    return qint64(QImageReader::allocationLimit()) * 1024 * 1024;
}

QString tooLarge(QSize size)
{
    return QStringLiteral("The picture is too large: %1 x %2 pixels is more than the %3 MiB that "
                          "one picture may take.")
        .arg(size.width())
        .arg(size.height())
        .arg(QImageReader::allocationLimit());
}

// Turns a picture decoded as stored the way its orientation tag says, as Qt's readers do.
QImage upright(const QImage &stored, QImageIOHandler::Transformations turn)
{
    if (turn == QImageIOHandler::TransformationNone)
        return stored;
    if (turn == QImageIOHandler::TransformationRotate270)
        return stored.transformed(QTransform().rotate(270));
    QImage out = stored.mirrored(turn & QImageIOHandler::TransformationMirror,
                                 turn & QImageIOHandler::TransformationFlip);
    if (turn & QImageIOHandler::TransformationRotate90)
        out = out.transformed(QTransform().rotate(90));
    return out;
}

} // namespace

QSize paintedSize(QSize upright, int fitSide)
{
    const QSizeF fitted =
        geometry::previewSize(static_cast<float>(upright.width()),
                              static_cast<float>(upright.height()), std::max(1, fitSide));
    return QSize(std::max(1, toPixels(static_cast<float>(fitted.width()))),
                 std::max(1, toPixels(static_cast<float>(fitted.height()))));
}

LoadResult LoadPicture(const QString &path, int fitSide, const std::atomic<bool> *cancel)
{
    if (path.isEmpty())
        return LoadResult{true, {}, {}};
    // A pipe or a device would block the open or never end: only regular files are read.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return fail(QStringLiteral("This is not a picture file: it is a folder, a pipe or a "
                                   "device, not a regular file."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    return LoadPicture(file, fitSide, cancel);
}

LoadResult LoadPicture(QIODevice &device, int fitSide, const std::atomic<bool> *cancel)
{
    // The encoded file is kept in memory once; no picture file is larger than a decoded one.
    if (device.size() > allocationLimitBytes())
        return fail(QStringLiteral("The file is too large: more than the %1 MiB that one picture "
                                   "may take.")
                        .arg(QImageReader::allocationLimit()));
    QByteArray data;
    data.reserve(device.size());
    // Read in pieces: the device's size may say nothing (a /proc file says 0).
    while (data.size() <= allocationLimitBytes()) {
        const QByteArray piece = device.read(qint64(1) << 20);
        if (piece.isEmpty())
            break;
        data += piece;
    }
    if (data.isEmpty())
        return fail(device.size() == 0 ? QStringLiteral("The file is empty.")
                                       : QStringLiteral("The file can no longer be read."));
    if (data.size() > allocationLimitBytes())
        return fail(QStringLiteral("This is not a picture file: it does not end."));

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return fail(reader.errorString());
    const QByteArray format = reader.format();
    const QImageIOHandler::Transformations turn = reader.transformation();
    const bool across = turn & QImageIOHandler::TransformationRotate90;

    QSize stored = reader.size();
    QImage full;
    QSize size;
    if (!stored.isValid()) {
        // The format does not tell its size up front: decode it whole, under the allocation limit.
        full = reader.read();
        if (full.isNull())
            return fail(reader.errorString());
        size = full.size();
        stored = across ? size.transposed() : size;
    } else {
        size = across ? stored.transposed() : stored;
    }
    if (size.isEmpty())
        return fail(QStringLiteral("The picture has no pixels."));
    if (qint64(size.width()) * size.height() * 4 > allocationLimitBytes())
        return fail(tooLarge(size));

    const QSize painted = paintedSize(size, fitSide);
    QImage image;
    if (!full.isNull()) {
        image = full;
    } else if (format == "jpeg" || format == "jpg") {
        // libjpeg's own reports tell a truncated or broken file from a whole one.
        JpegDecode jpeg = decodeJpeg(data, across ? painted.transposed() : painted, cancel);
        if (jpeg.image.isNull())
            return fail(jpeg.error);
        image = upright(jpeg.image, turn);
    } else {
        reader.setScaledSize(across ? painted.transposed() : painted);
        image = reader.read();
        if (image.isNull())
            return fail(reader.errorString());
    }
    if (cancel && cancel->load())
        return fail(QStringLiteral("The load was cancelled."));
    if (const QString damage = findDamage(format, data); !damage.isEmpty())
        return fail(damage);
    if (image.size() != painted)
        image = image.scaled(painted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return LoadResult{true, Picture{size, image}, {}};
}

} // namespace platform
