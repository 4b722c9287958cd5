#include "picture/allocationguard.h"

#include <QImageReader>

namespace picture::allocation {

qint64 limitBytes()
{
    return qint64(QImageReader::allocationLimit()) * 1024 * 1024;
}

bool allows(QSize size)
{
    // Two 32-bit sides multiply within 64 bits; times four they may not, so divide instead.
    return size.width() >= 0 && size.height() >= 0 &&
           qint64(size.width()) * size.height() <= limitBytes() / 4;
}

QString tooLarge(QSize size)
{
    return QStringLiteral("The picture is too large: %1 x %2 pixels is more than the %3 MiB that "
                          "one picture may take.")
        .arg(size.width())
        .arg(size.height())
        .arg(QImageReader::allocationLimit());
}

Result<QImage> image(QSize size, QImage::Format format)
{
    if (size.isEmpty())
        return Failure{QStringLiteral("The picture has no pixels.")};
    if (!allows(size))
        return Failure{tooLarge(size)};
    QImage out(size, format);
    if (out.isNull())
        return Failure{QStringLiteral("There is not enough memory to decode the picture.")};
    return out;
}

} // namespace picture::allocation
