#include "picture/formats.h"

#include "picture/allocationguard.h"
#include "picture/profile.h"
#include "picture/qtdecoder.h"
#include "picture/source.h"

#include <algorithm>
#include <memory>
#include <webp/decode.h>
#include <webp/demux.h>

namespace picture {

namespace {

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

} // namespace

namespace {

QString reason(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return QStringLiteral("The WebP data ends before the picture does.");
    case VP8_STATUS_OUT_OF_MEMORY:
        return QStringLiteral("There is not enough memory to decode the picture.");
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return QStringLiteral("The WebP file uses a feature that cannot be read.");
    default:
        return QStringLiteral("The WebP data is damaged.");
    }
}

// The colour profile of an extended file, in its ICCP chunk.
Result<QColorSpace> profileOf(const QByteArray &data)
{
    const WebPData whole{reinterpret_cast<const uint8_t *>(data.constData()),
                         std::size_t(data.size())};
    Result<QColorSpace> space = QColorSpace();
    if (WebPDemuxer *demux = WebPDemux(&whole)) {
        WebPChunkIterator chunk;
        if (WebPDemuxGetChunk(demux, "ICCP", 1, &chunk)) {
            space = profile::read(QByteArrayView(chunk.chunk.bytes, qsizetype(chunk.chunk.size)));
            WebPDemuxReleaseChunkIterator(&chunk);
        }
        WebPDemuxDelete(demux);
    }
    return space;
}

} // namespace

WebpDecoder::WebpDecoder(Source &source)
    : Decoder(source)
{}

bool WebpDecoder::recognises(QByteArrayView head)
{
    return head.size() >= 12 && head.startsWith("RIFF") && head.sliced(8, 4) == "WEBP";
}

Result<void> WebpDecoder::readHeader()
{
    turn_ = exifOrientation("webp");
    const Result<const QByteArray *> whole = wholeFile();
    if (!whole)
        return whole.failure();
    const QByteArray &data = **whole;
    WebPBitstreamFeatures features;
    if (VP8StatusCode s = WebPGetFeatures(reinterpret_cast<const uint8_t *>(data.constData()),
                                          std::size_t(data.size()), &features);
        s != VP8_STATUS_OK)
        return Failure{reason(s)};
    if (features.has_animation) {
        // The first frame, through Qt's reader, which composes an animation's frames.
        if (!source_.device().seek(0))
            return Failure{QStringLiteral("The animation cannot be read again from its start: %1")
                               .arg(source_.device().errorString())};
        animation_ = std::make_unique<QtDecoder>(source_, "webp");
        Result<void> header = animation_->readHeader();
        size_ = animation_->size();
        return header;
    }
    size_ = QSize(features.width, features.height);
    alpha_ = features.has_alpha;
    const Result<QColorSpace> space = profileOf(data);
    if (!space)
        return space.failure();
    space_ = *space;
    return {};
}

Result<QImage> WebpDecoder::decode(QSize atLeast)
{
    if (animation_) {
        Result<QImage> frame = animation_->decode(atLeast);
        space_ = animation_->colorSpace();
        return frame;
    }
    const QSize size = atLeast.isValid() ? atLeast : size_;
    Result<QImage> made =
        allocation::image(size, alpha_ ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (!made)
        return made;
    QImage &image = *made;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return Failure{reason(VP8_STATUS_INVALID_PARAM)};
    config.options.use_scaling = 1;
    config.options.scaled_width = size.width();
    config.options.scaled_height = size.height();
    config.output.colorspace = MODE_BGRA; // QImage's 32-bit formats in memory
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = static_cast<int>(image.bytesPerLine());
    config.output.u.RGBA.size = static_cast<size_t>(image.sizeInBytes());
    // Incremental decoding over the data already in memory: each update lets libwebp decode
    // what the next piece completes, and a cancel is seen between pieces.
    WebPIDecoder *decoder = WebPIDecode(nullptr, 0, &config);
    if (!decoder)
        return Failure{reason(VP8_STATUS_OUT_OF_MEMORY)};
    const QByteArray &data = source_.bytes();
    const auto *bytes = reinterpret_cast<const uint8_t *>(data.constData());
    const auto length = static_cast<size_t>(data.size());
    constexpr size_t Piece = 256 * 1024;
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (size_t given = 0; status == VP8_STATUS_SUSPENDED && given < length;) {
        if (source_.cancelled()) {
            WebPIDelete(decoder);
            return Failure{QStringLiteral("The load was cancelled.")};
        }
        given = std::min(length, given + Piece);
        status = WebPIUpdate(decoder, bytes, given);
    }
    WebPIDelete(decoder);
    WebPFreeDecBuffer(&config.output);
    if (status == VP8_STATUS_SUSPENDED)
        status = VP8_STATUS_NOT_ENOUGH_DATA; // all of it was given and the picture is not whole
    if (status != VP8_STATUS_OK)
        return Failure{reason(status)};
    return made;
}

const Format WebpFormat{"webp", "", "", WebpDecoder::recognises, make<WebpDecoder>};

} // namespace picture
