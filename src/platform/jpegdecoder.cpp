#include "platform/jpegdecoder.h"

#include <QColorSpace>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace platform {

namespace {

// libjpeg reports through callbacks; a fatal error leaves by longjmp back into the decode.
struct Session {
    jpeg_error_mgr err{};
    jpeg_progress_mgr progress{};
    std::jmp_buf escape{};
    QString error;
    const std::atomic<bool> *cancel = nullptr;
};

Session &session(j_common_ptr cinfo)
{
    return *reinterpret_cast<Session *>(cinfo->client_data);
}

[[noreturn]] void fail(j_common_ptr cinfo)
{
    Session &s = session(cinfo);
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
        break;
    }
}

void progress(j_common_ptr cinfo)
{
    Session &s = session(cinfo);
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

} // namespace

namespace {

// Everything that changes after setjmp lives in the caller's frame and is reached through
// references, so it keeps its value across the longjmp.
bool decodeInto(jpeg_decompress_struct &cinfo, Session &s, const QByteArray &data, QSize atLeast,
                QImage &image, QByteArray &profile)
{
    if (setjmp(s.escape) != 0)
        return false;
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &s.progress;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF); // the embedded colour profile
    jpeg_read_header(&cinfo, TRUE);
    // Print's CMYK and YCCK come out as CMYK and are made RGB below; all else straight as RGB.
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX; // BGRX: QImage::Format_RGB32
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
    image = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                   QImage::Format_RGB32);
    if (image.isNull()) {
        s.error = QStringLiteral("There is not enough memory to decode the picture.");
        return false;
    }
    // Photoshop, which writes nearly every CMYK JPEG, stores the inks inverted and says so in
    // its Adobe marker.
    const bool inverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        auto *line = image.scanLine(static_cast<int>(cinfo.output_scanline));
        JSAMPROW row = line;
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (cmyk) {
            // Four bytes a pixel either way, so each pixel is converted where it lies.
            auto *pixel = reinterpret_cast<QRgb *>(line);
            for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
                const unsigned char *ink = line + 4 * x;
                const auto part = [&](int i) {
                    const int k = inverted ? ink[3] : 255 - ink[3];
                    const int v = inverted ? ink[i] : 255 - ink[i];
                    return (v * k + 127) / 255;
                };
                pixel[x] = qRgb(part(0), part(1), part(2));
            }
        }
    }
    JOCTET *icc = nullptr;
    unsigned int iccLength = 0;
    if (jpeg_read_icc_profile(&cinfo, &icc, &iccLength)) {
        profile = QByteArray(reinterpret_cast<const char *>(icc), int(iccLength));
        std::free(icc);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

} // namespace

JpegDecode decodeJpeg(const QByteArray &data, QSize atLeast, const std::atomic<bool> *cancel)
{
    jpeg_decompress_struct cinfo{};
    Session s;
    s.cancel = cancel;
    cinfo.err = jpeg_std_error(&s.err);
    s.err.error_exit = fail;
    s.err.emit_message = warn;
    s.progress.progress_monitor = progress;
    cinfo.client_data = &s;
    JpegDecode out;
    QByteArray profile;
    if (!decodeInto(cinfo, s, data, atLeast, out.image, profile)) {
        out.image = QImage();
        out.error = s.error.isEmpty() ? QStringLiteral("The JPEG data is damaged.") : s.error;
    } else if (!profile.isEmpty()) {
        // An RGB profile travels with the pixels; a CMYK one is not one Qt can use.
        const QColorSpace space = QColorSpace::fromIccProfile(profile);
        if (space.isValid())
            out.image.setColorSpace(space);
    }
    jpeg_destroy_decompress(&cinfo);
    return out;
}

} // namespace platform
