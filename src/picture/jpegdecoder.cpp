#include "picture/formats.h"

#include "picture/allocationguard.h"
#include "picture/cmyk.h"
#include "picture/logging.h"
#include "picture/profile.h"
#include "picture/source.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace picture {

namespace {

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

} // namespace

// libjpeg reports through callbacks; a fatal error leaves by longjmp back into the step that
// called it. Everything a step changes after its setjmp lives here, outside its frame.
struct JpegDecoder::State {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    jpeg_progress_mgr progress{};
    std::jmp_buf escape{};
    QString error;
    const std::atomic<bool> *cancel = nullptr;
    bool created = false;
    bool cmyk = false;
    QByteArray profile;
    QImage image;
};

namespace {

using State = JpegDecoder::State;

State &state(j_common_ptr cinfo)
{
    return *static_cast<State *>(cinfo->client_data);
}

[[noreturn]] void fail(j_common_ptr cinfo)
{
    State &s = state(cinfo);
    if (s.error.isEmpty()) {
        char text[JMSG_LENGTH_MAX];
        (*cinfo->err->format_message)(cinfo, text);
        // A colour space libjpeg decodes but cannot convert is a whole file of a kind not read
        // here, not a damaged one.
        const int code = cinfo->err->msg_code;
        s.error =
            code == JERR_CONVERSION_NOTIMPL || code == JERR_BAD_J_COLORSPACE
                ? QStringLiteral("The JPEG uses a colour space that is not supported: %1.")
                      .arg(QString::fromLocal8Bit(text))
                : QStringLiteral("The JPEG data is damaged: %1.").arg(QString::fromLocal8Bit(text));
    }
    std::longjmp(s.escape, 1);
}

// Warnings that mean the picture's data is missing or broken, not merely unusual.
void warn(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
        fail(cinfo);
    default:
        if (lcPicture().isDebugEnabled()) {
            char text[JMSG_LENGTH_MAX];
            cinfo->err->format_message(cinfo, text);
            qCDebug(lcPicture, "libjpeg: %s", text);
        }
        break;
    }
}

void progress(j_common_ptr cinfo)
{
    State &s = state(cinfo);
    if (s.cancel && s.cancel->load(std::memory_order_relaxed)) {
        s.error = QStringLiteral("The load was cancelled.");
        std::longjmp(s.escape, 1);
    }
    if (cinfo->is_decompressor) {
        const auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > MaxJpegScans) {
            s.error = QStringLiteral("The JPEG file has more than %1 progressive scans; no "
                                     "encoder writes that many, and decoding it would take "
                                     "minutes.")
                          .arg(MaxJpegScans);
            std::longjmp(s.escape, 1);
        }
    }
}

bool header(State &s, const QByteArray &data)
{
    if (setjmp(s.escape) != 0)
        return false;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    s.cinfo.progress = &s.progress;
    jpeg_mem_src(&s.cinfo, reinterpret_cast<const unsigned char *>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_save_markers(&s.cinfo, JPEG_APP0 + 2, 0xFFFF); // the embedded colour profile
    jpeg_read_header(&s.cinfo, TRUE);
    JOCTET *icc = nullptr;
    unsigned int length = 0;
    if (jpeg_read_icc_profile(&s.cinfo, &icc, &length)) {
        s.profile = QByteArray(reinterpret_cast<const char *>(icc), int(length));
        std::free(icc);
    }
    return true;
}

bool pixels(State &s, QSize atLeast)
{
    if (setjmp(s.escape) != 0)
        return false;
    jpeg_decompress_struct &cinfo = s.cinfo;
    // Print's CMYK and YCCK come out as CMYK and are made RGB below; all else straight as RGB.
    cinfo.out_color_space = s.cmyk ? JCS_CMYK : JCS_EXT_BGRX; // BGRX: QImage::Format_RGB32
    // The DCT's own scaling, as far as it keeps at least the wanted size.
    cinfo.scale_num = 1;
    for (unsigned denom : {8u, 4u, 2u, 1u}) {
        const auto w = (cinfo.image_width + denom - 1) / denom;
        const auto h = (cinfo.image_height + denom - 1) / denom;
        if (denom == 1 || (int(w) >= atLeast.width() && int(h) >= atLeast.height())) {
            cinfo.scale_denom = denom;
            break;
        }
    }
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&cinfo);
    Result<QImage> image = allocation::image(
        QSize(int(cinfo.output_width), int(cinfo.output_height)), QImage::Format_RGB32);
    if (!image) {
        s.error = image.error();
        return false;
    }
    s.image = std::move(*image);
    // Photoshop, which writes nearly every CMYK JPEG, stores the inks inverted and says so in
    // its Adobe marker.
    const CmykToRgb inks(s.cmyk ? s.profile : QByteArray(), cinfo.saw_Adobe_marker, 8);
    while (cinfo.output_scanline < cinfo.output_height) {
        auto *line = s.image.scanLine(static_cast<int>(cinfo.output_scanline));
        JSAMPROW row = line;
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (s.cmyk) // four bytes a pixel either way, so each is converted where it lies
            inks.convert(line, reinterpret_cast<QRgb *>(line), int(cinfo.output_width));
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

} // namespace

JpegDecoder::JpegDecoder(Source &source)
    : Decoder(source)
    , state_(std::make_unique<State>())
{
    state_->cancel = source.cancelFlag();
    state_->cinfo.err = jpeg_std_error(&state_->err);
    state_->err.error_exit = fail;
    state_->err.emit_message = warn;
    state_->progress.progress_monitor = progress;
    state_->cinfo.client_data = state_.get();
}

JpegDecoder::~JpegDecoder()
{
    if (state_->created)
        jpeg_destroy_decompress(&state_->cinfo);
}

bool JpegDecoder::recognises(QByteArrayView head)
{
    return head.startsWith("\xff\xd8\xff");
}

Failure JpegDecoder::damaged() const
{
    return {state_->error.isEmpty() ? QStringLiteral("The JPEG data is damaged.") : state_->error};
}

Result<void> JpegDecoder::readHeader()
{
    // The orientation of a phone's photo is in its Exif data.
    turn_ = exifOrientation("jpeg");
    const Result<const QByteArray *> whole = wholeFile();
    if (!whole)
        return whole.failure();
    if (!header(*state_, **whole))
        return damaged();
    const jpeg_decompress_struct &cinfo = state_->cinfo;
    size_ = QSize(int(cinfo.image_width), int(cinfo.image_height));
    state_->cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (state_->profile.size() > profile::MaxBytes)
        return Failure{profile::tooLarge(state_->profile.size())};
    // An RGB profile travels with the pixels; a CMYK one is used while they are decoded.
    if (!state_->cmyk && !state_->profile.isEmpty())
        space_ = profile::read(state_->profile).value();
    return {};
}

Result<QImage> JpegDecoder::decode(QSize atLeast)
{
    if (!pixels(*state_, atLeast))
        return damaged();
    return std::exchange(state_->image, QImage());
}

const Format JpegFormat{"jpeg", "", "", JpegDecoder::recognises, make<JpegDecoder>};

} // namespace picture
