#include "picture/pictureloader.h"

#include "core/geometry.h"
#include "picture/allocationguard.h"
#include "picture/cancellabledevice.h"
#include "picture/contenthash.h"
#include "picture/formats.h"
#include "picture/frames.h"
#include "picture/logging.h"
#include "picture/profile.h"
#include "picture/source.h"

#include <QColorTransform>
#include <QFile>
#include <QFileInfo>
#include <QTransform>
#include <cmath>

namespace picture {

namespace {

Failure cancelled()
{
    return {QStringLiteral("The load was cancelled.")};
}

int wholePixels(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::nearbyint(std::clamp(v, -1.0e6, 1.0e6)));
}

// Turns a picture decoded as stored the way its orientation says, as Qt's readers do.
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

// sRGB itself, or the gamma of 2.2 with sRGB's primaries that many encoders write (as PNG's
// gAMA and cHRM) to say sRGB: converting that would only shift the shadows of every such file.
// Primaries written out as numbers (cHRM's fixed-point sRGB values) come back from Qt as custom
// ones: they are sRGB's where a transform to sRGB's own primaries leaves the primaries and white
// as they are. Asked once for each space a thread meets, as a batch meets one space for many
// files.
bool meansSrgb(const QColorSpace &space)
{
    if (space == QColorSpace(QColorSpace::SRgb))
        return true;
    if (space.transferFunction() != QColorSpace::TransferFunction::Gamma ||
        std::abs(space.gamma() - 2.2f) >= 0.05f)
        return false;
    if (space.primaries() == QColorSpace::Primaries::SRgb)
        return true;
    thread_local QColorSpace asked;
    thread_local bool answer = false;
    if (space == asked)
        return answer;
    const QColorTransform toPrimaries =
        space.transformationToColorSpace(QColorSpace(QColorSpace::Primaries::SRgb, space.gamma()));
    answer = true;
    for (const QRgb c : {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255),
                         qRgb(128, 128, 128), qRgb(40, 90, 200)}) {
        const QRgb m = toPrimaries.map(c);
        answer = answer && std::abs(qRed(m) - qRed(c)) <= 1 &&
                 std::abs(qGreen(m) - qGreen(c)) <= 1 && std::abs(qBlue(m) - qBlue(c)) <= 1;
    }
    asked = space;
    return answer;
}

} // namespace

LoadResult fitPreview(QImage image, const QColorSpace &space, QSize size, int fitSide)
{
    const QSize painted = paintedSize(size, fitSide);
    // A palette is never used again: the preview is true colour, whatever the file held.
    if (image.colorCount() > 0)
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    // A picture that says what its colours mean is shown in sRGB, as every colour-managed
    // viewer shows it; one that says nothing, or nonsense, is taken as sRGB already and left
    // untouched.
    // sRGB is told first: believing a profile costs a colour transform of its own.
    if (!meansSrgb(space) && profile::believable(space)) {
        if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
            image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        image.setColorSpace(space);
        image.convertToColorSpace(QColorSpace::SRgb);
    }
    if (image.size() != painted) {
        // Smooth scaling works on premultiplied pixels: converted in place, not copied.
        if (image.format() == QImage::Format_ARGB32)
            image.convertTo(QImage::Format_ARGB32_Premultiplied);
        image = image.scaled(painted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    // The window works on Qt's own 32-bit order; the preview is small, so this costs nothing.
    if (image.format() == QImage::Format_RGBX8888 || image.format() == QImage::Format_RGBA8888)
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    // An opaque 16-bit preview (a 16-bit PNG, scaled in 16 bits) is rounded to 8 bits once here
    // rather than each time it is drawn: every 16-bit value rounds the same either way, and
    // drawing 16-bit pixels took three times as long as the whole scan.
    if (image.format() == QImage::Format_RGBX64)
        image.convertTo(QImage::Format_RGB32);
    return Picture{size, image, {}};
}

namespace {

LoadResult loadFrom(QIODevice &device, int fitSide, const std::atomic<bool> *cancel,
                    int picture = -1)
{
    Source source(device, cancel);
    // Known by their content, whatever their names say.
    const Format &format = formatFor(source.head());
    if (!format.open)
        return Failure{QStringLiteral("It is a film, whose frames are read from its file.")};
    const std::unique_ptr<Decoder> decoder = format.open(source);
    decoder->choose(picture);
    if (Result<void> header = decoder->readHeader(); !header)
        return source.cancelled() ? cancelled() : header.failure();
    const QImageIOHandler::Transformations turn = decoder->orientation();
    const bool across = turn & QImageIOHandler::TransformationRotate90;
    QSize stored = decoder->size();
    QImage image;
    if (!stored.isValid()) {
        // The format does not tell its size up front: decoded whole, under the allocation limit.
        Result<QImage> whole = decoder->decode(QSize());
        if (!whole)
            return source.cancelled() ? cancelled() : whole.failure();
        image = std::move(*whole);
        stored = image.size();
    }
    const QSize size = across ? stored.transposed() : stored;
    if (size.isEmpty())
        return Failure{QStringLiteral("The picture has no pixels.")};
    if (!allocation::allows(size))
        return Failure{allocation::tooLarge(size)};
    if (image.isNull()) {
        const QSize painted = paintedSize(size, fitSide);
        // In stored pixels.
        Result<QImage> pixels = decoder->decode(across ? painted.transposed() : painted);
        if (!pixels)
            return source.cancelled() ? cancelled() : pixels.failure();
        image = std::move(*pixels);
    }
    if (source.cancelled())
        return cancelled();
    return fitPreview(upright(image, turn), decoder->colorSpace(), size, fitSide);
}

LoadResult loadDevice(QIODevice &device, int fitSide, const std::atomic<bool> *cancel, int picture)
{
    quietCodecMessages();
    // A /proc file tells a size of 0 and still has something to read.
    if (device.size() == 0 && device.peek(1).isEmpty())
        return Failure{QStringLiteral("The file is empty.")};
    // Every decoder reads through the guard, so a cancel reaches it at its next read.
    static const std::atomic<bool> never{false};
    CancellableDevice guarded(device, cancel ? *cancel : never);
    LoadResult result = loadFrom(guarded, fitSide, cancel, picture);
    if (!result && cancel && cancel->load())
        return cancelled();
    return result;
}

} // namespace

QSize paintedSize(QSize upright, int fitSide)
{
    const QSizeF fitted =
        geometry::previewSize(static_cast<float>(upright.width()),
                              static_cast<float>(upright.height()), std::max(1, fitSide));
    return QSize(std::max(1, wholePixels(static_cast<float>(fitted.width()))),
                 std::max(1, wholePixels(static_cast<float>(fitted.height()))));
}

LoadResult LoadPicture(const QString &path, int fitSide, const std::atomic<bool> *cancel)
{
    if (path.isEmpty())
        return Picture{};
    return loadPicture(path, -1, fitSide, cancel);
}

Result<int> countPictures(const QString &path)
{
    QFile file;
    if (const Result<FileState> state = openRegularFile(path, file); !state)
        return state.failure();
    quietCodecMessages();
    Source source(file, nullptr);
    const Format &format = formatFor(source.head());
    if (!format.open)
        return 1; // a film's frames are no pictures side by side
    const std::unique_ptr<Decoder> decoder = format.open(source);
    if (Result<void> header = decoder->readHeader(); !header)
        return header.failure();
    return decoder->pictures();
}

LoadResult loadPicture(const QString &path, int picture, int fitSide,
                       const std::atomic<bool> *cancel)
{
    // A pipe or a device would block the open or never end: only regular files are read. The
    // file is not hashed here: a record takes its hash when one is written.
    QFile file;
    const Result<FileState> state = openRegularFile(path, file);
    if (!state)
        return state.failure();
    // A film shows its first frame, as any stack does.
    if (picture < 0 && isFilm(file.peek(HeadBytes))) {
        Result<std::unique_ptr<Frames>> film = openFrames(path, cancel);
        if (!film)
            return film.failure();
        return (*film)->read(0, fitSide, cancel);
    }
    LoadResult result = loadDevice(file, fitSide, cancel, picture);
    if (result)
        result->file = *state;
    else
        qCDebug(lcPicture) << "not loaded:" << path << result.error();
    return result;
}

Result<FileState> checkPicture(const QString &path)
{
    QFile file;
    const Result<FileState> state = openRegularFile(path, file);
    if (!state)
        return state;
    if (file.size() == 0)
        return Failure{QStringLiteral("The file is empty.")};
    quietCodecMessages();
    Source source(file, nullptr);
    // A film's container is read whole only when its frames are.
    if (isFilm(source.head()))
        return state;
    const std::unique_ptr<Decoder> decoder = formatFor(source.head()).open(source);
    if (const Result<void> header = decoder->readHeader(); !header)
        return header.failure();
    return state;
}

LoadResult LoadPicture(QIODevice &device, int fitSide, const std::atomic<bool> *cancel)
{
    return loadDevice(device, fitSide, cancel, -1);
}

} // namespace picture
