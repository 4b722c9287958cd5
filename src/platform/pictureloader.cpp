#include "platform/pictureloader.h"

#include "platform/picturedamage.h"

#include <QFile>
#include <QImageReader>
#include <QStringList>

namespace platform {

namespace {

// Decoder warnings that mean the decoded picture holds filler instead of the file's data.
struct WarningCatcher {
    WarningCatcher()
        : previous(qInstallMessageHandler(&WarningCatcher::handle))
    {
        active = this;
    }
    ~WarningCatcher()
    {
        qInstallMessageHandler(previous);
        active = nullptr;
    }
    WarningCatcher(const WarningCatcher &) = delete;
    WarningCatcher &operator=(const WarningCatcher &) = delete;

    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &msg)
    {
        const QByteArray category(context.category ? context.category : "");
        const bool fromReader =
            category.startsWith("qt.gui.imageio") || category.startsWith("qt.imageformats");
        if (active && type >= QtWarningMsg && fromReader) {
            if (msg.contains(QLatin1String("Premature end"), Qt::CaseInsensitive) ||
                msg.contains(QLatin1String("Corrupt"), Qt::CaseInsensitive) ||
                msg.contains(QLatin1String("Read error"), Qt::CaseInsensitive))
                active->damage << msg.trimmed();
            return;
        }
        if (active && active->previous)
            active->previous(type, context, msg);
    }

    static inline WarningCatcher *active = nullptr;
    QtMessageHandler previous;
    QStringList damage;
};

LoadResult fail(const QString &why)
{
    return LoadResult{false, {}, why};
}

QString damageIn(QIODevice &device, const QByteArray &format)
{
    const qint64 size = device.size();
    if (!device.seek(0))
        return QStringLiteral("The file can no longer be read.");
    const QByteArray head = device.read(64);
    constexpr qint64 tailBytes = 64 * 1024;
    device.seek(std::max<qint64>(0, size - tailBytes));
    const QByteArray tail = device.readAll();
    return findDamage(format, head, tail, size);
}

} // namespace

LoadResult LoadPicture(const QString &path, int fitSide)
{
    if (path.isEmpty())
        return LoadResult{true, {}, {}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    return LoadPicture(file, fitSide);
}

LoadResult LoadPicture(QIODevice &device, int fitSide)
{
    if (device.size() == 0)
        return fail(QStringLiteral("The file is empty."));
    QImageReader reader(&device);
    reader.setAutoTransform(false);
    if (!reader.canRead())
        return fail(reader.errorString());
    const QByteArray format = reader.format();
    WarningCatcher catcher;

    QSize size = reader.size();
    QImage full;
    if (!size.isValid()) {
        // The format does not tell its size up front: decode it whole, under the allocation limit.
        full = reader.read();
        if (full.isNull())
            return fail(reader.errorString());
        size = full.size();
    }
    if (size.isEmpty())
        return fail(QStringLiteral("The picture has no pixels."));
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    if (bytes > qint64(QImageReader::allocationLimit()) * 1024 * 1024)
        return fail(QStringLiteral("The picture is too large: %1 x %2 pixels is more than the "
                                   "%3 MiB that one picture may take.")
                        .arg(size.width())
                        .arg(size.height())
                        .arg(QImageReader::allocationLimit()));

    const int side = std::max(1, fitSide);
    const QSize fitted = size.scaled(side, side, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    QImage image;
    if (full.isNull()) {
        reader.setScaledSize(fitted);
        image = reader.read();
        if (image.isNull())
            return fail(reader.errorString());
    } else {
        image = full.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (!catcher.damage.isEmpty())
        return fail(catcher.damage.join(QLatin1Char('\n')));
    if (const QString damage = damageIn(device, format); !damage.isEmpty())
        return fail(damage);
    return LoadResult{true, Picture{size, image}, {}};
}

} // namespace platform
