#pragma once

#include "picture/decoder.h"

#include <QByteArrayView>
#include <memory>

namespace picture {

// More progressive scans than any encoder writes: a file past it only costs decoding time.
inline constexpr int MaxJpegScans = 100;

// JPEG through libjpeg, from the file in memory, at the smallest DCT scale that still covers
// the wanted size. Any warning of missing or broken data refuses the file, and so does a
// progressive file with more than MaxJpegScans scans. CMYK and YCCK come out in colour.
class JpegDecoder : public Decoder {
public:
    explicit JpegDecoder(Source &source);
    ~JpegDecoder() override;

    static bool recognises(QByteArrayView head);
    Result<void> readHeader() override;
    Result<QImage> decode(QSize atLeast) override;

    struct State;

private:
    Failure damaged() const;
    std::unique_ptr<State> state_;
};

} // namespace picture
