#include "picture/formats.h"

#include "picture/jpegdecoder.h"
#include "picture/qtdecoder.h"
#include "picture/tgadecoder.h"
#include "picture/tiffdecoder.h"
#include "picture/webpdecoder.h"
#ifdef TINTARA_HEIF
#include "picture/heifdecoder.h"
#endif
#ifdef TINTARA_JXL
#include "picture/jxldecoder.h"
#endif
#ifdef TINTARA_FILM
#include "picture/filmreader.h"
#endif

namespace picture {

namespace {

template <class D> std::unique_ptr<Decoder> make(Source &source)
{
    return std::make_unique<D>(source);
}

// One row a format, tried in order; a format is added with its own file pair and a row here.
// Suffixes and MIME types are those Qt's readers do not already list.
constexpr Format Formats[] = {
    {"jpeg", "", "", JpegDecoder::recognises, make<JpegDecoder>},
    {"webp", "", "", WebpDecoder::recognises, make<WebpDecoder>},
#ifdef TINTARA_HEIF
    {"heif", "heic heif hif avif", "image/heic image/heif image/avif", HeifDecoder::recognises,
     make<HeifDecoder>},
#endif
#ifdef TINTARA_JXL
    {"jxl", "jxl", "image/jxl", JxlDecoder::recognises, make<JxlDecoder>},
#endif
    {"tiff", "", "", TiffDecoder::recognises, make<TiffDecoder>},
#ifdef TINTARA_FILM
    // Read frame by frame, after every still format whose container looks alike (HEIF's).
    {"film", "mp4 m4v mov webm mkv avi",
     "video/mp4 video/quicktime video/webm video/x-matroska video/x-msvideo", filmSignature,
     nullptr, openFilm},
#endif
    // TGA has no signature: after every format that has one.
    {"tga", "tga", "image/x-tga", TgaDecoder::recognises, make<TgaDecoder>},
    // Last, and taking anything: PNG, GIF, BMP, the PNM family, XBM, XPM, ICO, ICNS, WBMP...
    {"qt", "", "", QtDecoder::recognises, make<QtDecoder>},
};

QStringList words(const char *Format::*field)
{
    QStringList all;
    for (const Format &f : Formats)
        all << QString::fromLatin1(f.*field).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return all;
}

} // namespace

const Format &formatFor(QByteArrayView head)
{
    for (const Format &f : Formats)
        if (f.recognises(head))
            return f;
    return Formats[std::size(Formats) - 1];
}

QStringList extraSuffixes()
{
    return words(&Format::suffixes);
}

QStringList extraMimeTypes()
{
    return words(&Format::mimeTypes);
}

} // namespace picture
