#include "picture/formats.h"

#include "picture/allocationguard.h"
#include "picture/heifplan.h"
#include "picture/profile.h"
#include "picture/source.h"

#include <algorithm>
#include <libheif/heif.h>
#include <memory>
#include <vector>

namespace picture {

namespace {

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

} // namespace

namespace {

QString reason(const heif_error &e)
{
    return QString::fromUtf8(e.message ? e.message : "unknown error").trimmed();
}

// What the picture's colour box says, as a colour space Qt converts from; none for sRGB and
// for what Qt cannot express.
Result<QColorSpace> colourOf(const heif_image_handle *handle)
{
    switch (heif_image_handle_get_color_profile_type(handle)) {
    case heif_color_profile_type_prof:
    case heif_color_profile_type_rICC: {
        const std::size_t bytes = heif_image_handle_get_raw_color_profile_size(handle);
        if (bytes > std::size_t(profile::MaxBytes))
            return Failure{profile::tooLarge(qint64(bytes))};
        QByteArray icc(qsizetype(bytes), '\0');
        if (icc.isEmpty() ||
            heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok)
            return QColorSpace();
        return profile::read(icc);
    }
    case heif_color_profile_type_nclx: {
        heif_color_profile_nclx *nclx = nullptr;
        const bool read =
            heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok;
        // libheif hands its copy over even when it refuses the values in it.
        const std::unique_ptr<heif_color_profile_nclx, decltype(&heif_nclx_color_profile_free)>
            owned(nclx, heif_nclx_color_profile_free);
        if (read && nclx->color_primaries == heif_color_primaries_SMPTE_EG_432_1)
            return QColorSpace(QColorSpace::DisplayP3);
        return QColorSpace();
    }
    default:
        return QColorSpace();
    }
}

void releaseDecoded(void *info)
{
    heif_image_release(static_cast<heif_image *>(info));
}

} // namespace

HeifDecoder::HeifDecoder(Source &source)
    : Decoder(source)
{}

HeifDecoder::~HeifDecoder()
{
    if (handle_)
        heif_image_handle_release(handle_);
    if (context_)
        heif_context_free(context_);
}

int HeifDecoder::pictures() const
{
    return context_ ? heif_context_get_number_of_top_level_images(context_) : 1;
}

bool HeifDecoder::recognises(QByteArrayView head)
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

Result<void> HeifDecoder::readHeader()
{
    const Result<const QByteArray *> whole = wholeFile();
    if (!whole)
        return whole.failure();
    const QByteArray &data = **whole;
    if (Result<void> checked = checkHeif(data); !checked)
        return checked;
    context_ = heif_context_alloc();
    heif_error e = heif_context_read_from_memory_without_copy(context_, data.constData(),
                                                              std::size_t(data.size()), nullptr);
    if (e.code != heif_error_Ok)
        return Failure{QStringLiteral("The HEIF file is damaged or cut short: %1.").arg(reason(e))};
    if (chosen_ < 0) {
        e = heif_context_get_primary_image_handle(context_, &handle_);
    } else {
        // One of the file's top-level pictures, in the order the file lists them.
        std::vector<heif_item_id> ids(std::size_t(std::max(0, pictures())));
        if (chosen_ >= int(ids.size()))
            return Failure{QStringLiteral("The HEIF file has no picture %1.").arg(chosen_ + 1)};
        heif_context_get_list_of_top_level_image_IDs(context_, ids.data(), int(ids.size()));
        e = heif_context_get_image_handle(context_, ids[std::size_t(chosen_)], &handle_);
    }
    if (e.code != heif_error_Ok)
        return Failure{QStringLiteral("The HEIF file has no picture: %1.").arg(reason(e))};
    // The size as shown, after the file's own rotation, known before anything is decoded.
    size_ = QSize(heif_image_handle_get_width(handle_), heif_image_handle_get_height(handle_));
    const Result<QColorSpace> space = colourOf(handle_);
    if (!space)
        return space.failure();
    space_ = *space;
    return {};
}

namespace {

// 10 and 12 bits a sample, rounded to the nearest of 8 bits (libheif's own 8-bit output drops
// the low bits instead), into memory of our own; libheif's goes at once.
Result<QImage> roundedToEightBits(heif_image *wide, bool alpha)
{
    const std::unique_ptr<heif_image, decltype(&heif_image_release)> owned(wide,
                                                                           heif_image_release);
    int stride = 0;
    const uint8_t *pixels = heif_image_get_plane_readonly(wide, heif_channel_interleaved, &stride);
    const QSize size(heif_image_get_width(wide, heif_channel_interleaved),
                     heif_image_get_height(wide, heif_channel_interleaved));
    const int bits = heif_image_get_bits_per_pixel_range(wide, heif_channel_interleaved);
    if (!pixels || bits <= 8 || bits > 16)
        return Failure{QStringLiteral("The HEIF data is damaged.")};
    Result<QImage> made =
        allocation::image(size, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    if (!made)
        return made;
    QImage &out = *made;
    const quint32 top = (1u << bits) - 1;
    const int samples = alpha ? 4 : 3;
    for (int y = 0; y < size.height(); ++y) {
        const uint8_t *from = pixels + qsizetype(y) * stride;
        uchar *to = out.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            for (int c = 0; c < 4; ++c) {
                if (c == samples) {
                    to[x * 4 + c] = 255;
                    continue;
                }
                const quint32 v =
                    std::min<quint32>(top, quint32(from[(x * samples + c) * 2] |
                                                   from[(x * samples + c) * 2 + 1] << 8));
                to[x * 4 + c] = uchar((v * 255 + top / 2) / top);
            }
        }
    }
    return made;
}

} // namespace

Result<QImage> HeifDecoder::decode(QSize)
{
    if (source_.cancelled())
        return Failure{};
    const bool alpha = heif_image_handle_has_alpha_channel(handle_);
    const bool wide = heif_image_handle_get_luma_bits_per_pixel(handle_) > 8;
    heif_image *decoded = nullptr;
    // Four bytes a pixel, opaque where there is no alpha, which Qt scales fastest; handed over
    // without a copy. More than 8 bits a sample come out whole, to be rounded here.
    const heif_chroma chroma =
        wide ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
             : heif_chroma_interleaved_RGBA;
    const heif_error e = heif_decode_image(handle_, &decoded, heif_colorspace_RGB, chroma, nullptr);
    if (e.code != heif_error_Ok)
        return Failure{QStringLiteral("The HEIF data is damaged: %1.").arg(reason(e))};
    // libheif shows whatever its stream and crop box hold; the header's size is the one the
    // file was measured and checked by.
    const QSize decodedSize(heif_image_get_width(decoded, heif_channel_interleaved),
                            heif_image_get_height(decoded, heif_channel_interleaved));
    if (decodedSize != size_) {
        heif_image_release(decoded);
        return Failure{QStringLiteral("The HEIF file is damaged: its picture decodes to %1 x %2 "
                                      "pixels, but its header says %3 x %4.")
                           .arg(decodedSize.width())
                           .arg(decodedSize.height())
                           .arg(size_.width())
                           .arg(size_.height())};
    }
    if (wide)
        return roundedToEightBits(decoded, alpha);
    int stride = 0;
    const uint8_t *pixels =
        heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const QSize size(heif_image_get_width(decoded, heif_channel_interleaved),
                     heif_image_get_height(decoded, heif_channel_interleaved));
    if (!pixels || size.isEmpty() || !allocation::allows(size)) {
        heif_image_release(decoded);
        return Failure{QStringLiteral("The HEIF data is damaged.")};
    }
    // libheif's own memory, released with the last copy of the picture.
    return QImage(pixels, size.width(), size.height(), stride,
                  alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888, releaseDecoded,
                  decoded);
}

const Format HeifFormat{"heif", "heic heif hif avif", "image/heic image/heif image/avif",
                        HeifDecoder::recognises, make<HeifDecoder>};

} // namespace picture
