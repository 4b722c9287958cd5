#include "picture/formats.h"

namespace picture {

namespace {

// Tried in order; a format is added with its own file and a row here. Suffixes and MIME types
// are those Qt's readers do not already list.
const Format *const Formats[] = {
    &JpegFormat,
    &WebpFormat,
#ifdef TINTARA_HEIF
    &HeifFormat,
#endif
#ifdef TINTARA_JXL
    &JxlFormat,
#endif
    &TiffFormat,
    // TGA has no signature: after every format that has one.
    &TgaFormat,
#ifdef TINTARA_FILM
    // Read frame by frame, after every still format whose container looks alike (HEIF's) and
    // TGA, whose headers FFmpeg's probe might take for something.
    &FilmFormat,
#endif
    // Last, and taking anything: PNG, GIF, BMP, the PNM family, XBM, XPM, ICO, ICNS, WBMP...
    &QtFormat,
};

QStringList words(const char *Format::*field)
{
    QStringList all;
    for (const Format *f : Formats)
        all << QString::fromLatin1(f->*field).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return all;
}

} // namespace

const Format &formatFor(QByteArrayView head)
{
    for (const Format *f : Formats)
        if (f->recognises(head))
            return *f;
    return QtFormat;
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
