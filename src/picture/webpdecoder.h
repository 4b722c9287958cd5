#pragma once

#include "picture/decoder.h"
#include "picture/qtdecoder.h"

#include <QByteArrayView>
#include <memory>

namespace picture {

// A still WebP through libwebp, decoded straight to the wanted size with its own scaler, so no
// full-size copy is ever made; the data goes to libwebp in pieces, with a cancel between two of
// them. An animation is left to Qt's reader, which composes its first frame.
class WebpDecoder : public Decoder {
public:
    explicit WebpDecoder(Source &source);

    static bool recognises(QByteArrayView head);
    Result<void> readHeader() override;
    Result<QImage> decode(QSize atLeast) override;

private:
    bool alpha_ = false;
    std::unique_ptr<QtDecoder> animation_;
};

} // namespace picture
