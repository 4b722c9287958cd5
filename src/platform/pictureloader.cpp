#include "platform/pictureloader.h"

#include "core/geometry.h"
#include "platform/cancellabledevice.h"
#include "platform/cmyktiffdecoder.h"
#include "platform/control.h"
#include "platform/fulldecoder.h"
#include "platform/jpegdecoder.h"
#include "platform/picturedamage.h"
#include "platform/webpdecoder.h"

#include <QColorSpace>
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
    return tooLargeMessage(size);
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

// The whole file, from its start, within the allocation limit; empty if it cannot be read.
QByteArray readWhole(QIODevice &device)
{
    if (!device.seek(0))
        return {};
    QByteArray data;
    data.reserve(std::min(device.size(), allocationLimitBytes()));
    // In pieces: the device's size may say nothing (a /proc file says 0).
    while (data.size() <= allocationLimitBytes()) {
        const QByteArray piece = device.read(qint64(1) << 20);
        if (piece.isEmpty())
            break;
        data += piece;
    }
    return data.size() > allocationLimitBytes() ? QByteArray() : data;
}

// Qt's reader at `wanted` stored pixels. Readers that cannot scale while decoding are left to
// decode whole pixels, scaled afterwards by the caller, so no second full-size copy is made.
QImage readScaled(QImageReader &reader, QSize wanted)
{
    if (reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(wanted);
    return reader.read();
}

LoadResult loadFrom(QIODevice &device, int fitSide, const std::atomic<bool> *cancel);

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
    // A /proc file tells a size of 0 and still has something to read.
    if (device.size() == 0 && device.peek(1).isEmpty())
        return fail(QStringLiteral("The file is empty."));
    if (!cancel)
        return loadFrom(device, fitSide, nullptr);
    // Every decoder reads through the guard, so a cancel reaches it at its next read.
    CancellableDevice guarded(device, *cancel);
    LoadResult result = loadFrom(guarded, fitSide, cancel);
    if (!result.ok && cancel->load())
        result.error = QStringLiteral("The load was cancelled.");
    return result;
}

namespace {

// sRGB itself, or the gamma of 2.2 with sRGB's primaries that many encoders write (as PNG's
// gAMA and cHRM) to say sRGB: converting that would only shift the shadows of every such file.
bool meansSrgb(const QColorSpace &space)
{
    if (space == QColorSpace(QColorSpace::SRgb))
        return true;
    return space.primaries() == QColorSpace::Primaries::SRgb &&
           space.transferFunction() == QColorSpace::TransferFunction::Gamma &&
           std::abs(space.gamma() - 2.2f) < 0.05f;
}

// The preview's pixels from a decoded picture: in sRGB, at the painted size.
LoadResult finish(QImage image, QSize size, int fitSide)
{
    const QSize painted = paintedSize(size, fitSide);
    // A picture that says what its colours mean is shown in sRGB, as every colour-managed
    // viewer shows it; one that says nothing is taken as sRGB already and left untouched.
    if (const QColorSpace space = image.colorSpace(); space.isValid() && !meansSrgb(space)) {
        if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
            image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        image.convertToColorSpace(QColorSpace::SRgb);
    }
    if (image.size() != painted) {
        // Smooth scaling works on premultiplied pixels: converted in place, not copied.
        if (image.format() == QImage::Format_ARGB32)
            image.convertTo(QImage::Format_ARGB32_Premultiplied);
        image = image.scaled(painted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return LoadResult{true, Picture{size, image}, {}};
}

// A format whose library decodes whole, upright pictures.
LoadResult loadWhole(const FullDecoder &decoder, QIODevice &device, int fitSide,
                     const std::atomic<bool> *cancel)
{
    const QByteArray data = readWhole(device);
    if (data.isEmpty())
        return fail(QStringLiteral("The file can no longer be read."));
    const FullDecode decoded = decoder.decode(data, allocationLimitBytes(), cancel);
    if (cancel && cancel->load())
        return fail(QStringLiteral("The load was cancelled."));
    if (decoded.image.isNull())
        return fail(decoded.error.isEmpty() ? QStringLiteral("The picture cannot be decoded.")
                                            : decoded.error);
    return finish(decoded.image, decoded.image.size(), fitSide);
}

LoadResult loadFrom(QIODevice &device, int fitSide, const std::atomic<bool> *cancel)
{
    // Known by their content, whatever their names say.
    if (const FullDecoder *decoder = fullDecoderFor(device.peek(32)))
        return loadWhole(*decoder, device, fitSide, cancel);
    QImageReader reader(&device);
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
    const QSize wanted = across ? painted.transposed() : painted; // in stored pixels
    QImage image;
    if (!full.isNull()) {
        image = full;
    } else if (format == "jpeg" || format == "jpg" || format == "webp") {
        // Decoded here from the file in memory, where the codec library's own reports tell a
        // cut or broken file from a whole one, straight to (about) the painted size.
        const QByteArray data = readWhole(device);
        if (data.isEmpty())
            return fail(QStringLiteral("The file can no longer be read."));
        if (format == "webp") {
            WebpDecode webp = decodeWebp(data, wanted, cancel);
            if (webp.animated) {
                // The first frame, through Qt's reader, which composes an animation's frames.
                if (!device.seek(0))
                    return fail(QStringLiteral("The animation cannot be read again from its "
                                               "start: %1")
                                    .arg(device.errorString()));
                QImageReader frames(&device, format);
                frames.setAutoTransform(true);
                image = readScaled(frames, wanted);
                if (image.isNull())
                    return fail(frames.errorString());
            } else if (webp.image.isNull())
                return fail(webp.error);
            else
                image = upright(webp.image, turn);
        } else {
            JpegDecode jpeg = decodeJpeg(data, wanted, cancel);
            if (jpeg.image.isNull())
                return fail(jpeg.error);
            image = upright(jpeg.image, turn);
        }
        if (image.isNull())
            return fail(reader.errorString());
    } else {
        image = readScaled(reader, wanted);
        if (image.isNull() && format == "tiff") {
            // Print's CMYK, which Qt's reader leaves: decoded here.
            const FullDecode cmyk =
                decodeCmykTiff(readWhole(device), allocationLimitBytes(), cancel);
            if (!cmyk.error.isEmpty())
                return fail(cmyk.error);
            image = upright(cmyk.image, turn);
        }
        if (image.isNull())
            return fail(reader.errorString());
    }
    if (cancel && cancel->load())
        return fail(QStringLiteral("The load was cancelled."));
    if (const QString damage = findDamage(format, device); !damage.isEmpty())
        return fail(damage);
    return finish(image, size, fitSide);
}

} // namespace

} // namespace platform
