#include "picture/qtdecoder.h"

#include "picture/formats.h"

#include "picture/picturedamage.h"
#include "picture/profile.h"
#include "picture/source.h"

namespace picture {

QtDecoder::QtDecoder(Source &source, const QByteArray &format)
    : Decoder(source)
    , reader_(&source.device(), format)
{
    // The loader turns the pixels upright, the same way for every format.
    reader_.setAutoTransform(false);
}

Result<void> QtDecoder::readHeader()
{
    if (!reader_.canRead())
        return Failure{reader_.errorString()};
    format_ = reader_.format();
    turn_ = reader_.transformation();
    size_ = reader_.size();
    return {};
}

Result<QImage> QtDecoder::decode(QSize atLeast)
{
    // A palette picture that its reader scales comes back mapped onto its palette again, with
    // a dither in every flat area: it is decoded whole and scaled in true colour, as the rest.
    const bool palette = reader_.imageFormat() == QImage::Format_Indexed8 ||
                         reader_.imageFormat() == QImage::Format_Mono ||
                         reader_.imageFormat() == QImage::Format_MonoLSB;
    if (atLeast.isValid() && !palette && reader_.supportsOption(QImageIOHandler::ScaledSize))
        reader_.setScaledSize(atLeast);
    QImage image = reader_.read();
    if (image.isNull())
        return Failure{reader_.errorString()};
    if (source_.cancelled())
        return Failure{};
    if (const Result<void> whole = findDamage(format_, source_.device()); !whole)
        return whole.failure();
    if (const qsizetype icc = image.colorSpace().iccProfile().size(); icc > profile::MaxBytes)
        return Failure{profile::tooLarge(icc)};
    space_ = image.colorSpace();
    return image;
}

const Format QtFormat{"qt", "", "", QtDecoder::recognises, make<QtDecoder>};

} // namespace picture
