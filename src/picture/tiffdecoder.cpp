#include "picture/formats.h"

#include "picture/allocationguard.h"
#include "picture/cmyk.h"
#include "picture/logging.h"
#include "picture/profile.h"
#include "picture/qtdecoder.h"
#include "picture/source.h"
#include "picture/tiffpages.h"

#include <QFile>
#include <climits>

#include <QIODevice>
#include <cstdio>
#include <memory>
#include <tiffio.h>
#include <vector>

namespace picture {

namespace {

// TIFF: Qt's reader, except for print's CMYK of 8 or 16 bits a sample, which Qt's reader
// leaves and libtiff reads here, through the file's own profile when it has one.
class TiffDecoder : public Decoder {
public:
    explicit TiffDecoder(Source &source);

    static bool recognises(QByteArrayView head);
    Result<void> readHeader() override;
    Result<QImage> decode(QSize atLeast) override;

private:
    Result<QImage> decodeCmyk();

    bool cmyk_ = false;
    QtDecoder qt_;
};

} // namespace

namespace {

// libtiff reads straight from the device, so no copy of the file is made.
tsize_t readProc(thandle_t h, tdata_t into, tsize_t n)
{
    return tsize_t(static_cast<QIODevice *>(h)->read(static_cast<char *>(into), qint64(n)));
}
tsize_t writeProc(thandle_t, tdata_t, tsize_t)
{
    return -1;
}
toff_t seekProc(thandle_t h, toff_t offset, int whence)
{
    auto *device = static_cast<QIODevice *>(h);
    const qint64 base = whence == SEEK_CUR   ? device->pos()
                        : whence == SEEK_END ? device->size()
                                             : 0;
    if (!device->seek(base + qint64(offset)))
        return toff_t(-1);
    return toff_t(device->pos());
}
int closeProc(thandle_t)
{
    return 0;
}
toff_t sizeProc(thandle_t h)
{
    return toff_t(static_cast<QIODevice *>(h)->size());
}
int mapProc(thandle_t, tdata_t *, toff_t *)
{
    return 0;
}
void unmapProc(thandle_t, tdata_t, toff_t) {}

// libtiff's messages are for whoever looks into a problem; a failure is reported by what it
// returns.
void quiet(const char *module, const char *format, va_list args)
{
    if (!lcPicture().isDebugEnabled())
        return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    qCDebug(lcPicture, "libtiff %s: %s", module ? module : "", text);
}

using Tiff = std::unique_ptr<TIFF, decltype(&TIFFClose)>;

Tiff open(QIODevice &device)
{
    TIFFSetErrorHandler(quiet);
    TIFFSetWarningHandler(quiet);
    device.seek(0);
    return Tiff(TIFFClientOpen("picture", "rm", &device, readProc, writeProc, seekProc, closeProc,
                               sizeProc, mapProc, unmapProc),
                TIFFClose);
}

// The file's orientation tag, which takes Exif's values.
QImageIOHandler::Transformations turnOf(uint16_t orientation)
{
    using T = QImageIOHandler;
    static constexpr QImageIOHandler::Transformation Turns[] = {
        T::TransformationNone,     T::TransformationNone,
        T::TransformationMirror,   T::TransformationRotate180,
        T::TransformationFlip,     T::TransformationFlipAndRotate90,
        T::TransformationRotate90, T::TransformationMirrorAndRotate90,
        T::TransformationRotate270};
    return orientation < std::size(Turns) ? Turns[orientation] : T::TransformationNone;
}

} // namespace

TiffDecoder::TiffDecoder(Source &source)
    : Decoder(source)
    , qt_(source, "tiff")
{}

bool TiffDecoder::recognises(QByteArrayView head)
{
    return head.startsWith("II*\0") || head.startsWith("MM\0*");
}

Result<void> TiffDecoder::readHeader()
{
    if (const Tiff tiff = open(source_.device())) {
        uint16_t photometric = 0, inkset = INKSET_CMYK, samples = 0, bits = 0,
                 planar = PLANARCONFIG_CONTIG, orientation = ORIENTATION_TOPLEFT;
        uint32_t width = 0, height = 0;
        TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric);
        TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_INKSET, &inkset);
        TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
        TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &orientation);
        TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
        cmyk_ = photometric == PHOTOMETRIC_SEPARATED && inkset == INKSET_CMYK && samples >= 4 &&
                (bits == 8 || bits == 16) && planar == PLANARCONFIG_CONTIG &&
                !TIFFIsTiled(tiff.get());
        if (cmyk_) {
            size_ = QSize(int(std::min<uint32_t>(width, INT_MAX)),
                          int(std::min<uint32_t>(height, INT_MAX)));
            turn_ = turnOf(orientation);
            return {};
        }
    }
    source_.device().seek(0);
    Result<void> header = qt_.readHeader();
    size_ = qt_.size();
    turn_ = qt_.orientation();
    return header;
}

Result<QImage> TiffDecoder::decode(QSize atLeast)
{
    if (cmyk_)
        return decodeCmyk();
    Result<QImage> image = qt_.decode(atLeast);
    space_ = qt_.colorSpace();
    return image;
}

Result<QImage> TiffDecoder::decodeCmyk()
{
    const Tiff tiff = open(source_.device());
    if (!tiff)
        return Failure{QStringLiteral("The TIFF file can no longer be read.")};
    uint16_t bits = 8, samples = 4;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    QByteArray icc;
    uint32_t profileLength = 0;
    void *profileData = nullptr;
    if (TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &profileLength, &profileData) && profileData)
        icc = QByteArray(static_cast<const char *>(profileData), qsizetype(profileLength));
    if (icc.size() > profile::MaxBytes)
        return Failure{profile::tooLarge(icc.size())};
    Result<QImage> made = allocation::image(size_, QImage::Format_RGB32);
    if (!made)
        return made;
    QImage &image = *made;
    const int width = size_.width();
    const std::size_t bytes = std::size_t(bits / 8);
    std::vector<uint8_t> line(std::size_t(TIFFScanlineSize(tiff.get())));
    std::vector<uint8_t> inks(std::size_t(width) * 4 * bytes);
    if (line.size() < std::size_t(width) * samples * bytes)
        return Failure{QStringLiteral("The TIFF file is damaged.")};
    const CmykToRgb light(icc, false, bits);
    for (int y = 0; y < size_.height(); ++y) {
        if (source_.cancelled())
            return Failure{};
        if (TIFFReadScanline(tiff.get(), line.data(), uint32_t(y), 0) < 0)
            return Failure{QStringLiteral("The TIFF file is cut short or damaged.")};
        // The four inks of each pixel, without any extra samples that follow them.
        const uint8_t *from = line.data();
        if (samples != 4) {
            for (int x = 0; x < width; ++x)
                std::copy_n(line.data() + std::size_t(x) * samples * bytes, 4 * bytes,
                            inks.data() + std::size_t(x) * 4 * bytes);
            from = inks.data();
        }
        light.convert(from, reinterpret_cast<QRgb *>(image.scanLine(y)), width);
    }
    return made;
}

Result<std::vector<TiffPage>> tiffPages(QIODevice &device, int most)
{
    const Tiff tiff = open(device);
    if (!tiff)
        return Failure{QStringLiteral("The TIFF file cannot be read.")};
    std::vector<TiffPage> pages;
    // libtiff refuses a directory it has met before, so a chain that loops ends.
    do {
        uint32_t width = 0, height = 0;
        TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
        pages.push_back({qint64(TIFFCurrentDirOffset(tiff.get())),
                         QSize(int(std::min<uint32_t>(width, INT_MAX)),
                               int(std::min<uint32_t>(height, INT_MAX)))});
    } while (int(pages.size()) <= most && TIFFReadDirectory(tiff.get()));
    return pages;
}

namespace {

// The file, but for the header's offset of the first directory, which names another.
class PageDevice : public QIODevice {
public:
    PageDevice(const QString &path, qint64 offset)
        : file_(path)
        , offset_(offset)
    {}

    bool open(OpenMode mode) override
    {
        if (!file_.open(QIODevice::ReadOnly))
            return false;
        const QByteArray head = file_.read(16);
        if (head.size() < 8)
            return false;
        const bool little = head.startsWith("II");
        const bool big = (little ? quint8(head[2]) : quint8(head[3])) == 43;
        at_ = big ? 8 : 4;
        const int bytes = big ? 8 : 4;
        patch_.resize(bytes);
        for (int i = 0; i < bytes; ++i) {
            const int shift = 8 * (little ? i : bytes - 1 - i);
            patch_[i] = char(quint64(offset_) >> shift);
        }
        return QIODevice::open(mode | QIODevice::Unbuffered);
    }
    qint64 size() const override { return file_.size(); }
    bool isSequential() const override { return false; }

protected:
    qint64 readData(char *data, qint64 most) override
    {
        const qint64 from = pos();
        if (!file_.seek(from))
            return -1;
        const qint64 got = file_.read(data, most);
        for (qint64 i = std::max(from, at_); got > 0 && i < std::min(from + got, at_ + 8); ++i)
            if (i - at_ < patch_.size())
                data[i - from] = patch_[i - at_];
        return got;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QFile file_;
    qint64 offset_, at_ = 4;
    QByteArray patch_;
};

} // namespace

std::unique_ptr<QIODevice> tiffAtPage(const QString &path, qint64 offset)
{
    auto device = std::make_unique<PageDevice>(path, offset);
    if (!device->open(QIODevice::ReadOnly))
        return nullptr;
    return device;
}

const Format TiffFormat{"tiff", "", "", TiffDecoder::recognises, make<TiffDecoder>};

} // namespace picture
