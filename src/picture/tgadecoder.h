#pragma once

#include "picture/decoder.h"

#include <QByteArrayView>

namespace picture {

// Truevision TGA: true colour, grey and colour-mapped, plain or run-length encoded, in any of
// its four pixel orders. TGA has no signature; its header's fields are checked instead.
class TgaDecoder : public Decoder {
public:
    explicit TgaDecoder(Source &source);

    static bool recognises(QByteArrayView head);
    Result<void> readHeader() override;
    Result<QImage> decode(QSize atLeast) override;
};

} // namespace picture
