#include "platform/cmyktiffdecoder.h"

#include <cstring>
#include <memory>
#include <tiffio.h>
#include <vector>

namespace platform {

namespace {

// libtiff reads from the file's bytes in memory.
struct Source {
    const QByteArray *data;
    toff_t at = 0;
};

tsize_t readProc(thandle_t h, tdata_t into, tsize_t n)
{
    auto *s = static_cast<Source *>(h);
    const toff_t left = s->at < toff_t(s->data->size()) ? toff_t(s->data->size()) - s->at : 0;
    const tsize_t count = tsize_t(std::min<toff_t>(left, toff_t(n)));
    std::memcpy(into, s->data->constData() + s->at, std::size_t(count));
    s->at += toff_t(count);
    return count;
}
tsize_t writeProc(thandle_t, tdata_t, tsize_t)
{
    return -1;
}
toff_t seekProc(thandle_t h, toff_t offset, int whence)
{
    auto *s = static_cast<Source *>(h);
    const toff_t base = whence == SEEK_CUR   ? s->at
                        : whence == SEEK_END ? toff_t(s->data->size())
                                             : 0;
    s->at = base + offset;
    return s->at;
}
int closeProc(thandle_t)
{
    return 0;
}
toff_t sizeProc(thandle_t h)
{
    return toff_t(static_cast<Source *>(h)->data->size());
}
int mapProc(thandle_t, tdata_t *, toff_t *)
{
    return 0;
}
void unmapProc(thandle_t, tdata_t, toff_t) {}

// libtiff's messages go nowhere; a failure is reported by what it returns.
void quiet(const char *, const char *, va_list) {}

} // namespace

FullDecode decodeCmykTiff(const QByteArray &data, qint64 limitBytes,
                          const std::atomic<bool> *cancel)
{
    FullDecode out;
    TIFFSetErrorHandler(quiet);
    TIFFSetWarningHandler(quiet);
    Source source{&data};
    const std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(
        TIFFClientOpen("picture", "rm", &source, readProc, writeProc, seekProc, closeProc, sizeProc,
                       mapProc, unmapProc),
        TIFFClose);
    if (!tiff)
        return out;
    uint32_t width = 0, height = 0;
    uint16_t photometric = 0, bits = 0, samples = 0, planar = PLANARCONFIG_CONTIG,
             inkset = INKSET_CMYK;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_INKSET, &inkset);
    if (photometric != PHOTOMETRIC_SEPARATED || inkset != INKSET_CMYK || samples < 4 ||
        (bits != 8 && bits != 16) || planar != PLANARCONFIG_CONTIG || TIFFIsTiled(tiff.get()))
        return out;
    if (width == 0 || height == 0 || qint64(width) * height * 4 > limitBytes) {
        out.error = tooLargeMessage(QSize(int(width), int(height)));
        return out;
    }
    QImage image(int(width), int(height), QImage::Format_RGB32);
    std::vector<uint8_t> line(std::size_t(TIFFScanlineSize(tiff.get())));
    if (image.isNull() || line.size() < std::size_t(width) * samples * (bits / 8)) {
        out.error = QStringLiteral("There is not enough memory to decode the picture.");
        return out;
    }
    for (uint32_t y = 0; y < height; ++y) {
        if (cancel && cancel->load())
            return {};
        if (TIFFReadScanline(tiff.get(), line.data(), y, 0) < 0) {
            out.error = QStringLiteral("The TIFF file is cut short or damaged.");
            return out;
        }
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(int(y)));
        for (uint32_t x = 0; x < width; ++x) {
            int ink[4];
            for (int i = 0; i < 4; ++i) {
                const std::size_t at = std::size_t(x) * samples + std::size_t(i);
                if (bits == 8) {
                    ink[i] = line[at];
                } else {
                    uint16_t v;
                    std::memcpy(&v, line.data() + at * 2, 2); // in the machine's order
                    ink[i] = (v * 255 + 32767) / 65535;
                }
            }
            const auto light = [&](int c) {
                return ((255 - c) * (255 - ink[3]) + 127) / 255;
            };
            row[x] = qRgb(light(ink[0]), light(ink[1]), light(ink[2]));
        }
    }
    out.image = image;
    return out;
}

} // namespace platform
