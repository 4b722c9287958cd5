#include "platform/webpdecoder.h"

#include <QColorSpace>
#include <webp/demux.h>

#include <algorithm>
#include <webp/decode.h>

namespace platform {

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

} // namespace

WebpDecode decodeWebp(const QByteArray &data, QSize size, const std::atomic<bool> *cancel)
{
    WebpDecode out;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) {
        out.error = reason(VP8_STATUS_INVALID_PARAM);
        return out;
    }
    const auto *bytes = reinterpret_cast<const uint8_t *>(data.constData());
    const auto length = static_cast<size_t>(data.size());
    if (VP8StatusCode s = WebPGetFeatures(bytes, length, &config.input); s != VP8_STATUS_OK) {
        out.error = reason(s);
        return out;
    }
    if (config.input.has_animation) {
        out.animated = true;
        return out;
    }
    out.image = QImage(size, config.input.has_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (out.image.isNull()) {
        out.error = reason(VP8_STATUS_OUT_OF_MEMORY);
        return out;
    }
    config.options.use_scaling = 1;
    config.options.scaled_width = size.width();
    config.options.scaled_height = size.height();
    config.output.colorspace = MODE_BGRA; // QImage's 32-bit formats in memory
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = out.image.bits();
    config.output.u.RGBA.stride = static_cast<int>(out.image.bytesPerLine());
    config.output.u.RGBA.size = static_cast<size_t>(out.image.sizeInBytes());
    // Incremental decoding over the data already in memory: each update lets libwebp decode
    // what the next piece completes, and a cancel is seen between pieces.
    WebPIDecoder *decoder = WebPIDecode(nullptr, 0, &config);
    if (!decoder) {
        out.image = QImage();
        out.error = reason(VP8_STATUS_OUT_OF_MEMORY);
        return out;
    }
    constexpr size_t Piece = 256 * 1024;
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (size_t given = 0; status == VP8_STATUS_SUSPENDED && given < length;) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            WebPIDelete(decoder);
            out.image = QImage();
            out.error = QStringLiteral("The load was cancelled.");
            return out;
        }
        given = std::min(length, given + Piece);
        status = WebPIUpdate(decoder, bytes, given);
    }
    WebPIDelete(decoder);
    WebPFreeDecBuffer(&config.output);
    if (status == VP8_STATUS_SUSPENDED)
        status = VP8_STATUS_NOT_ENOUGH_DATA; // all of it was given and the picture is not whole
    if (status != VP8_STATUS_OK) {
        out.image = QImage();
        out.error = reason(status);
    } else {
        // The colour profile of an extended file, in its ICCP chunk.
        const WebPData whole{bytes, length};
        if (WebPDemuxer *demux = WebPDemux(&whole)) {
            WebPChunkIterator chunk;
            if (WebPDemuxGetChunk(demux, "ICCP", 1, &chunk)) {
                const QColorSpace space = QColorSpace::fromIccProfile(
                    QByteArray(reinterpret_cast<const char *>(chunk.chunk.bytes),
                               qsizetype(chunk.chunk.size)));
                if (space.isValid())
                    out.image.setColorSpace(space);
                WebPDemuxReleaseChunkIterator(&chunk);
            }
            WebPDemuxDelete(demux);
        }
    }
    return out;
}

} // namespace platform
