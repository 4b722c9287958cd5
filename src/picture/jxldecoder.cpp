#include "picture/formats.h"

#include "picture/allocationguard.h"
#include "picture/profile.h"
#include "picture/source.h"

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <algorithm>

namespace picture {

namespace {

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

} // namespace

struct JxlDecoder::State {
    std::unique_ptr<::JxlDecoder, decltype(&JxlDecoderDestroy)> decoder{nullptr, JxlDecoderDestroy};
    std::unique_ptr<void, decltype(&JxlThreadParallelRunnerDestroy)> runner{
        nullptr, JxlThreadParallelRunnerDestroy};
    JxlBasicInfo info{};
    QByteArrayView file;
    qsizetype given = 0;    // how much of the file libjxl has been offered
    qsizetype metadata = 0; // of that, the container's boxes other than the codestream's

    // Offers libjxl the next piece of the file, after what it has not yet taken; false when
    // the whole file has been offered.
    bool feed()
    {
        if (given == file.size())
            return false;
        ::JxlDecoder *dec = decoder.get();
        const qsizetype from = given - qsizetype(JxlDecoderReleaseInput(dec));
        given = std::min(file.size(), given + Piece);
        JxlDecoderSetInput(dec, reinterpret_cast<const uint8_t *>(file.data()) + from,
                           std::size_t(given - from));
        if (given == file.size())
            JxlDecoderCloseInput(dec);
        return true;
    }
    // Small enough that a cancel, or a header grown too large, is seen soon.
    static constexpr qsizetype Piece = qsizetype(256) << 10;
};

namespace {

constexpr JxlPixelFormat Rgba{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};

Failure cutOrDamaged(JxlDecoderStatus status)
{
    return {status == JXL_DEC_NEED_MORE_INPUT ? QStringLiteral("The JPEG XL file is cut short.")
                                              : QStringLiteral("The JPEG XL data is damaged.")};
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

Result<void> JxlDecoder::readHeader()
{
    const Result<const QByteArray *> whole = wholeFile();
    if (!whole)
        return whole.failure();
    const QByteArray &data = **whole;
    state_->decoder.reset(JxlDecoderCreate(nullptr));
    state_->runner.reset(
        JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads()));
    ::JxlDecoder *dec = state_->decoder.get();
    if (!dec || !state_->runner ||
        JxlDecoderSetParallelRunner(dec, JxlThreadParallelRunner, state_->runner.get()) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSubscribeEvents(dec, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                           JXL_DEC_FULL_IMAGE | JXL_DEC_BOX) != JXL_DEC_SUCCESS)
        return Failure{QStringLiteral("There is not enough memory to decode the picture.")};
    state_->file = QByteArrayView(data);
    state_->feed();
    // The header and the colour encoding come before any pixels. libjxl reads the whole
    // colour profile, up to 256 MB of it, before it tells its size, and cannot be stopped
    // while it does: so it is given the file in pieces, and a header that takes more of the
    // codestream than the largest profile allowed is refused before libjxl has all of it.
    for (bool colour = false; !colour;) {
        if (source_.cancelled())
            return Failure{};
        switch (const JxlDecoderStatus status = JxlDecoderProcessInput(dec)) {
        case JXL_DEC_NEED_MORE_INPUT:
            if (state_->given - state_->metadata > profile::MaxBytes + State::Piece)
                return Failure{QStringLiteral("The JPEG XL header is too large: its colour "
                                              "profile takes more than the %1 MiB that one "
                                              "profile may take.")
                                   .arg(profile::MaxBytes >> 20)};
            if (!state_->feed())
                return cutOrDamaged(status);
            break;
        case JXL_DEC_BOX: {
            JxlBoxType type;
            uint64_t size = 0;
            if (JxlDecoderGetBoxType(dec, type, JXL_FALSE) == JXL_DEC_SUCCESS &&
                JxlDecoderGetBoxSizeRaw(dec, &size) == JXL_DEC_SUCCESS &&
                QByteArrayView(type, 4) != "jxlc" && QByteArrayView(type, 4) != "jxlp")
                state_->metadata += qsizetype(std::min<uint64_t>(size, uint64_t(data.size())));
            break;
        }
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
                if (length > std::size_t(profile::MaxBytes))
                    return Failure{profile::tooLarge(qint64(length))};
                QByteArray icc(qsizetype(length), '\0');
                if (JxlDecoderGetColorAsICCProfile(dec, &Rgba, JXL_COLOR_PROFILE_TARGET_DATA,
                                                   reinterpret_cast<uint8_t *>(icc.data()),
                                                   length) == JXL_DEC_SUCCESS)
                    space_ = profile::read(icc).value();
            }
            colour = true;
            break;
        }
        default:
            return cutOrDamaged(status);
        }
    }
    return {};
}

Result<QImage> JxlDecoder::decode(QSize)
{
    ::JxlDecoder *dec = state_->decoder.get();
    QImage image;
    while (true) {
        if (source_.cancelled())
            return Failure{};
        switch (const JxlDecoderStatus status = JxlDecoderProcessInput(dec)) {
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            std::size_t bytes = 0;
            JxlDecoderImageOutBufferSize(dec, &Rgba, &bytes);
            // Straight into the picture's own memory; without alpha, libjxl makes it opaque.
            Result<QImage> made = allocation::image(
                size_, state_->info.alpha_bits ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
            if (!made)
                return made;
            image = std::move(*made);
            if (std::size_t(image.sizeInBytes()) < bytes ||
                JxlDecoderSetImageOutBuffer(dec, &Rgba, image.bits(), bytes) != JXL_DEC_SUCCESS)
                return Failure{QStringLiteral("The JPEG XL data is damaged.")};
            break;
        }
        case JXL_DEC_NEED_MORE_INPUT:
            if (!state_->feed())
                return cutOrDamaged(status);
            break;
        case JXL_DEC_BOX:
            break;
        case JXL_DEC_FULL_IMAGE:
            // The first frame is the picture; an animation's others are not shown.
            image.convertTo(state_->info.alpha_bits ? QImage::Format_ARGB32 : QImage::Format_RGB32);
            return image;
        default:
            return cutOrDamaged(status);
        }
    }
}

const Format JxlFormat{"jxl", "jxl", "image/jxl", JxlDecoder::recognises, make<JxlDecoder>};

} // namespace picture
