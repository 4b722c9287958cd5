#pragma once

#include "picture/decoder.h"

#include <QByteArrayView>
#include <memory>

namespace picture {

// JPEG XL, bare or in its container, through libjxl on all cores: the first frame of an
// animation, turned upright by libjxl as the file says.
class JxlDecoder : public Decoder {
public:
    explicit JxlDecoder(Source &source);
    ~JxlDecoder() override;

    static bool recognises(QByteArrayView head);
    Result<void> readHeader() override;
    Result<QImage> decode(QSize atLeast) override;

    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace picture
