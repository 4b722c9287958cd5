#include "picture/jxldecoder.h"

#include "picture/allocationguard.h"
#include "picture/source.h"

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

namespace picture {

struct JxlDecoder::State {
    std::unique_ptr<::JxlDecoder, decltype(&JxlDecoderDestroy)> decoder{nullptr, JxlDecoderDestroy};
    std::unique_ptr<void, decltype(&JxlThreadParallelRunnerDestroy)> runner{
        nullptr, JxlThreadParallelRunnerDestroy};
    JxlBasicInfo info{};
};

namespace {

constexpr JxlPixelFormat Rgba{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};

QString cutOrDamaged(JxlDecoderStatus status)
{
    return status == JXL_DEC_NEED_MORE_INPUT ? QStringLiteral("The JPEG XL file is cut short.")
                                             : QStringLiteral("The JPEG XL data is damaged.");
}

} // namespace

JxlDecoder::JxlDecoder(Source &source)
    : Decoder(source)
    , state_(std::make_unique<State>())
{}

JxlDecoder::~JxlDecoder() = default;

bool JxlDecoder::recognises(QByteArrayView head)
{
    return JxlSignatureCheck(reinterpret_cast<const uint8_t *>(head.data()),
                             std::size_t(head.size())) >= JXL_SIG_CODESTREAM;
}

bool JxlDecoder::readHeader()
{
    const QByteArray *whole = wholeFile();
    if (!whole)
        return false;
    const QByteArray &data = *whole;
    state_->decoder.reset(JxlDecoderCreate(nullptr));
    state_->runner.reset(
        JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads()));
    ::JxlDecoder *dec = state_->decoder.get();
    if (!dec || !state_->runner ||
        JxlDecoderSetParallelRunner(dec, JxlThreadParallelRunner, state_->runner.get()) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSubscribeEvents(dec, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                           JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS) {
        error_ = QStringLiteral("There is not enough memory to decode the picture.");
        return false;
    }
    JxlDecoderSetInput(dec, reinterpret_cast<const uint8_t *>(data.constData()),
                       std::size_t(data.size()));
    JxlDecoderCloseInput(dec);
    // The header and the colour encoding come before any pixels.
    for (bool colour = false; !colour;) {
        switch (const JxlDecoderStatus status = JxlDecoderProcessInput(dec)) {
        case JXL_DEC_BASIC_INFO: {
            JxlDecoderGetBasicInfo(dec, &state_->info);
            // libjxl turns the picture upright as its orientation says.
            const bool across = state_->info.orientation >= JXL_ORIENT_TRANSPOSE;
            const QSize stored(int(std::min<uint32_t>(state_->info.xsize, INT_MAX)),
                               int(std::min<uint32_t>(state_->info.ysize, INT_MAX)));
            size_ = across ? stored.transposed() : stored;
            break;
        }
        case JXL_DEC_COLOR_ENCODING: {
            std::size_t length = 0;
            if (JxlDecoderGetICCProfileSize(dec, &Rgba, JXL_COLOR_PROFILE_TARGET_DATA, &length) ==
                    JXL_DEC_SUCCESS &&
                length > 0) {
                QByteArray icc(qsizetype(length), '\0');
                if (JxlDecoderGetColorAsICCProfile(dec, &Rgba, JXL_COLOR_PROFILE_TARGET_DATA,
                                                   reinterpret_cast<uint8_t *>(icc.data()),
                                                   length) == JXL_DEC_SUCCESS)
                    space_ = QColorSpace::fromIccProfile(icc);
            }
            colour = true;
            break;
        }
        default:
            error_ = cutOrDamaged(status);
            return false;
        }
    }
    return true;
}

QImage JxlDecoder::decode(QSize)
{
    ::JxlDecoder *dec = state_->decoder.get();
    QImage image;
    while (true) {
        if (source_.cancelled())
            return {};
        switch (const JxlDecoderStatus status = JxlDecoderProcessInput(dec)) {
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            std::size_t bytes = 0;
            JxlDecoderImageOutBufferSize(dec, &Rgba, &bytes);
            // Straight into the picture's own memory; without alpha, libjxl makes it opaque.
            image = allocation::image(
                size_, state_->info.alpha_bits ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888,
                error_);
            if (image.isNull())
                return {};
            if (std::size_t(image.sizeInBytes()) < bytes ||
                JxlDecoderSetImageOutBuffer(dec, &Rgba, image.bits(), bytes) != JXL_DEC_SUCCESS) {
                error_ = QStringLiteral("The JPEG XL data is damaged.");
                return {};
            }
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            // The first frame is the picture; an animation's others are not shown.
            image.convertTo(state_->info.alpha_bits ? QImage::Format_ARGB32 : QImage::Format_RGB32);
            return image;
        default:
            error_ = cutOrDamaged(status);
            return {};
        }
    }
}

} // namespace picture
