#pragma once

#include "picture/decoder.h"

#include <QByteArrayView>
#include <QImageReader>

namespace picture {

// Qt's own image readers, streaming from the file: PNG, GIF, BMP, the PNM family, XBM, XPM,
// ICO and whatever plugins are installed. Those that scale while decoding are asked to; a
// file a reader hands back pixels for although it is damaged is caught by the damage checks.
class QtDecoder : public Decoder {
public:
    // `format` names the reader, or leaves Qt to know the format by content.
    explicit QtDecoder(Source &source, const QByteArray &format = {});

    static bool recognises(QByteArrayView) { return true; }
    Result<void> readHeader() override;
    Result<QImage> decode(QSize atLeast) override;

private:
    QImageReader reader_;
    QByteArray format_;
};

} // namespace picture
