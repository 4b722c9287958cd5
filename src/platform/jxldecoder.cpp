// JPEG XL through libjxl.
#include "platform/jxldecoder.h"

#include <QColorSpace>
#include <jxl/decode.h>
#include <memory>

namespace platform {

bool isJxl(QByteArrayView head)
{
    return JxlSignatureCheck(reinterpret_cast<const uint8_t *>(head.data()),
                             std::size_t(head.size())) >= JXL_SIG_CODESTREAM;
}

FullDecode decodeJxl(const QByteArray &data, qint64 limitBytes, const std::atomic<bool> *cancel)
{
    FullDecode out;
    const std::unique_ptr<JxlDecoder, decltype(&JxlDecoderDestroy)> dec(JxlDecoderCreate(nullptr),
                                                                        JxlDecoderDestroy);
    if (!dec || JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                                         JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS) {
        out.error = QStringLiteral("There is not enough memory to decode the picture.");
        return out;
    }
    JxlDecoderSetInput(dec.get(), reinterpret_cast<const uint8_t *>(data.constData()),
                       std::size_t(data.size()));
    JxlDecoderCloseInput(dec.get());
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    JxlBasicInfo info{};
    while (true) {
        if (cancel && cancel->load())
            return {};
        switch (JxlDecoderProcessInput(dec.get())) {
        case JXL_DEC_BASIC_INFO: {
            JxlDecoderGetBasicInfo(dec.get(), &info);
            // The decoder turns the picture upright as its orientation says.
            const bool across = info.orientation >= JXL_ORIENT_TRANSPOSE;
            const QSize size = across ? QSize(int(info.ysize), int(info.xsize))
                                      : QSize(int(info.xsize), int(info.ysize));
            if (qint64(info.xsize) * info.ysize * 4 > limitBytes) {
                out.error = tooLargeMessage(size);
                return out;
            }
            break;
        }
        case JXL_DEC_COLOR_ENCODING: {
            std::size_t length = 0;
            if (JxlDecoderGetICCProfileSize(dec.get(), &format, JXL_COLOR_PROFILE_TARGET_DATA,
                                            &length) == JXL_DEC_SUCCESS &&
                length > 0) {
                QByteArray icc(qsizetype(length), '\0');
                if (JxlDecoderGetColorAsICCProfile(
                        dec.get(), &format, JXL_COLOR_PROFILE_TARGET_DATA,
                        reinterpret_cast<uint8_t *>(icc.data()), length) == JXL_DEC_SUCCESS)
                    out.image.setColorSpace(QColorSpace::fromIccProfile(icc));
            }
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            std::size_t bytes = 0;
            JxlDecoderImageOutBufferSize(dec.get(), &format, &bytes);
            const QColorSpace space = out.image.colorSpace();
            const bool across = info.orientation >= JXL_ORIENT_TRANSPOSE;
            out.image = QImage(int(across ? info.ysize : info.xsize),
                               int(across ? info.xsize : info.ysize), QImage::Format_RGBA8888);
            if (out.image.isNull() || std::size_t(out.image.sizeInBytes()) < bytes) {
                out.image = QImage();
                out.error = QStringLiteral("There is not enough memory to decode the picture.");
                return out;
            }
            out.image.setColorSpace(space);
            JxlDecoderSetImageOutBuffer(dec.get(), &format, out.image.bits(), bytes);
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            // The first frame is the picture; an animation's others are not shown.
            out.image.convertTo(info.alpha_bits ? QImage::Format_ARGB32 : QImage::Format_RGB32);
            return out;
        case JXL_DEC_NEED_MORE_INPUT:
            out.image = QImage();
            out.error = QStringLiteral("The JPEG XL file is cut short.");
            return out;
        case JXL_DEC_SUCCESS:
        case JXL_DEC_ERROR:
        default:
            out.image = QImage();
            out.error = QStringLiteral("The JPEG XL data is damaged.");
            return out;
        }
    }
}

} // namespace platform
