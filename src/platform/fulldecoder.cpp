#include "platform/fulldecoder.h"

#include "platform/tgadecoder.h"
#ifdef TINTARA_HEIF
#include "platform/heifdecoder.h"
#endif
#ifdef TINTARA_JXL
#include "platform/jxldecoder.h"
#endif

#include <QImageReader>

namespace platform {

namespace {
// One row a format; a format is added with its own file pair and a row here.
constexpr FullDecoder Decoders[] = {
#ifdef TINTARA_HEIF
    {"heif", "heic heif hif avif", "image/heic image/heif image/avif", isHeif, decodeHeif},
#endif
#ifdef TINTARA_JXL
    {"jxl", "jxl", "image/jxl", isJxl, decodeJxl},
#endif
    // Last: it has no signature, and every format with one has been ruled out before it.
    {"tga", "tga", "image/x-tga", isTga, decodeTga},
};
} // namespace

const FullDecoder *fullDecoderFor(QByteArrayView head)
{
    for (const FullDecoder &d : Decoders)
        if (d.recognises(head))
            return &d;
    return nullptr;
}

namespace {
QStringList words(const char *FullDecoder::*field)
{
    QStringList all;
    for (const FullDecoder &d : Decoders)
        all << QString::fromLatin1(d.*field).split(QLatin1Char(' '));
    return all;
}
} // namespace

QStringList fullDecoderSuffixes()
{
    return words(&FullDecoder::suffixes);
}

QStringList fullDecoderMimeTypes()
{
    return words(&FullDecoder::mimeTypes);
}

QString tooLargeMessage(QSize size)
{
    return QStringLiteral("The picture is too large: %1 x %2 pixels is more than the %3 MiB that "
                          "one picture may take.")
        .arg(size.width())
        .arg(size.height())
        .arg(QImageReader::allocationLimit());
}

} // namespace platform
