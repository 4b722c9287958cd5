// HEIC and AVIF through libheif, which finds their codecs itself.
#include "platform/heifdecoder.h"

#include <QColorSpace>
#include <cstring>
#include <libheif/heif.h>
#include <memory>

namespace platform {

bool isHeif(QByteArrayView head)
{
    // An ISO base media file whose type box names a still-image brand.
    if (head.size() < 16 || head.sliced(4, 4) != "ftyp")
        return false;
    const quint32 boxSize = quint32(uchar(head[0])) << 24 | quint32(uchar(head[1])) << 16 |
                            quint32(uchar(head[2])) << 8 | quint32(uchar(head[3]));
    static constexpr const char *Brands[] = {"heic", "heix", "hevc", "hevx", "heim",
                                             "heis", "mif1", "msf1", "avif", "avis"};
    for (qsizetype at = 8; at + 4 <= std::min<qsizetype>(head.size(), boxSize); at += 4) {
        if (at == 12)
            continue; // the minor version
        for (const char *brand : Brands)
            if (head.sliced(at, 4) == brand)
                return true;
    }
    return false;
}

namespace {

QString reason(const heif_error &e)
{
    return QString::fromUtf8(e.message ? e.message : "unknown error").trimmed();
}

// What the picture's colour box says, as a colour space Qt converts from; none for sRGB and
// for what Qt cannot express.
QColorSpace colourOf(const heif_image_handle *handle)
{
    switch (heif_image_handle_get_color_profile_type(handle)) {
    case heif_color_profile_type_prof:
    case heif_color_profile_type_rICC: {
        QByteArray icc(qsizetype(heif_image_handle_get_raw_color_profile_size(handle)), '\0');
        if (icc.isEmpty() ||
            heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok)
            return {};
        return QColorSpace::fromIccProfile(icc);
    }
    case heif_color_profile_type_nclx: {
        heif_color_profile_nclx *nclx = nullptr;
        if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok)
            return {};
        QColorSpace space;
        if (nclx->color_primaries == heif_color_primaries_SMPTE_EG_432_1)
            space = QColorSpace(QColorSpace::DisplayP3);
        heif_nclx_color_profile_free(nclx);
        return space;
    }
    default:
        return {};
    }
}

} // namespace

FullDecode decodeHeif(const QByteArray &data, qint64 limitBytes, const std::atomic<bool> *cancel)
{
    FullDecode out;
    const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                              heif_context_free);
    heif_error e = heif_context_read_from_memory_without_copy(context.get(), data.constData(),
                                                              std::size_t(data.size()), nullptr);
    if (e.code != heif_error_Ok) {
        out.error = QStringLiteral("The HEIF file is damaged or cut short: %1.").arg(reason(e));
        return out;
    }
    heif_image_handle *raw = nullptr;
    e = heif_context_get_primary_image_handle(context.get(), &raw);
    if (e.code != heif_error_Ok) {
        out.error = QStringLiteral("The HEIF file holds no picture: %1.").arg(reason(e));
        return out;
    }
    const std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(
        raw, heif_image_handle_release);
    // The size as shown, after the file's own rotation, known before anything is decoded.
    const QSize size(heif_image_handle_get_width(handle.get()),
                     heif_image_handle_get_height(handle.get()));
    if (size.isEmpty()) {
        out.error = QStringLiteral("The picture has no pixels.");
        return out;
    }
    if (qint64(size.width()) * size.height() * 4 > limitBytes) {
        out.error = tooLargeMessage(size);
        return out;
    }
    if (cancel && cancel->load())
        return out;
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
    heif_image *decoded = nullptr;
    // 10 and 12 bits come out as 8; the rotation and mirroring of irot and imir are applied.
    e = heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          nullptr);
    if (e.code != heif_error_Ok) {
        out.error = QStringLiteral("The HEIF data is damaged: %1.").arg(reason(e));
        return out;
    }
    const std::unique_ptr<heif_image, decltype(&heif_image_release)> picture(decoded,
                                                                             heif_image_release);
    int stride = 0;
    const uint8_t *pixels =
        heif_image_get_plane_readonly(picture.get(), heif_channel_interleaved, &stride);
    const int w = heif_image_get_width(picture.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(picture.get(), heif_channel_interleaved);
    if (!pixels || w <= 0 || h <= 0) {
        out.error = QStringLiteral("The HEIF data is damaged.");
        return out;
    }
    // Wrapped, then copied once into memory of our own before libheif's goes.
    out.image =
        QImage(pixels, w, h, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888)
            .convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (out.image.isNull()) {
        out.error = QStringLiteral("There is not enough memory to decode the picture.");
        return out;
    }
    if (const QColorSpace space = colourOf(handle.get()); space.isValid())
        out.image.setColorSpace(space);
    return out;
}

} // namespace platform
