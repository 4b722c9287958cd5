#include "picture/decoder.h"

#include "picture/source.h"

#include <QImageReader>

namespace picture {

const QByteArray *Decoder::wholeFile()
{
    const QByteArray &data = source_.bytes();
    if (!data.isEmpty())
        return &data;
    error_ = QStringLiteral("The file can no longer be read.");
    return nullptr;
}

QImageIOHandler::Transformations Decoder::exifOrientation(const char *format)
{
    QImageReader exif(&source_.device(), format);
    return exif.transformation();
}

} // namespace picture
