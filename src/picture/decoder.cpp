#include "picture/decoder.h"

#include "picture/source.h"

#include <QImageReader>

namespace picture {

Result<const QByteArray *> Decoder::wholeFile()
{
    const QByteArray &data = source_.bytes();
    if (data.isEmpty())
        return Failure{QStringLiteral("The file can no longer be read.")};
    return &data;
}

QImageIOHandler::Transformations Decoder::exifOrientation(const char *format)
{
    QImageReader exif(&source_.device(), format);
    return exif.transformation();
}

} // namespace picture
