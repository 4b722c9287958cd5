#pragma once

#include "picture/decoder.h"

#include <QByteArrayView>
#include <memory>

struct heif_context;
struct heif_image_handle;

namespace picture {

// HEIC and AVIF (and the other HEIF brands) through libheif, which finds their codecs itself:
// the primary picture, turned upright by libheif as the file's irot and imir say, 10 and 12
// bits rounded to 8.
class HeifDecoder : public Decoder {
public:
    explicit HeifDecoder(Source &source);
    ~HeifDecoder() override;

    static bool recognises(QByteArrayView head);
    Result<void> readHeader() override;
    Result<QImage> decode(QSize atLeast) override;
    int pictures() const override;

private:
    heif_context *context_ = nullptr;
    heif_image_handle *handle_ = nullptr;
};

} // namespace picture
