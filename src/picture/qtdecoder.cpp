#include "picture/qtdecoder.h"

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

bool QtDecoder::readHeader()
{
    if (!reader_.canRead()) {
        error_ = reader_.errorString();
        return false;
    }
    format_ = reader_.format();
    turn_ = reader_.transformation();
    size_ = reader_.size();
    return true;
}

QImage QtDecoder::decode(QSize atLeast)
{
    if (atLeast.isValid() && reader_.supportsOption(QImageIOHandler::ScaledSize))
        reader_.setScaledSize(atLeast);
    QImage image = reader_.read();
    if (image.isNull()) {
        error_ = reader_.errorString();
        return {};
    }
    if (source_.cancelled())
        return {};
    if (const QString damage = findDamage(format_, source_.device()); !damage.isEmpty()) {
        error_ = damage;
        return {};
    }
    if (const qsizetype icc = image.colorSpace().iccProfile().size(); icc > profile::MaxBytes) {
        error_ = profile::tooLarge(icc);
        return {};
    }
    space_ = image.colorSpace();
    return image;
}

} // namespace picture
