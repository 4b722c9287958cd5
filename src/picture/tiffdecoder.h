#pragma once

#include "picture/decoder.h"
#include "picture/qtdecoder.h"

#include <QByteArrayView>

namespace picture {

// TIFF: Qt's reader, except for print's CMYK of 8 or 16 bits a sample, which Qt's reader
// leaves and libtiff reads here, through the file's own profile when it has one.
class TiffDecoder : public Decoder {
public:
    explicit TiffDecoder(Source &source);

    static bool recognises(QByteArrayView head);
    Result<void> readHeader() override;
    Result<QImage> decode(QSize atLeast) override;

private:
    Result<QImage> decodeCmyk();

    bool cmyk_ = false;
    QtDecoder qt_;
};

} // namespace picture
