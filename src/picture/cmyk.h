#pragma once

#include <QByteArray>
#include <QRgb>

namespace picture {

// Print's inks as light: through the file's own CMYK profile when it has one lcms2 reads,
// otherwise with the usual naive conversion, each ink taking its share of the light that the
// black leaves.
class CmykToRgb {
public:
    // `inverted`: the inks are stored as 255 minus the ink, as Photoshop writes CMYK JPEGs.
    // `bits`: 8 or 16 a sample, in the machine's byte order.
    CmykToRgb(const QByteArray &profile, bool inverted, int bits);
    ~CmykToRgb();
    CmykToRgb(const CmykToRgb &) = delete;
    CmykToRgb &operator=(const CmykToRgb &) = delete;

    bool usesProfile() const { return transform_ != nullptr; }
    // `count` pixels of four samples each into opaque sRGB colours; `out` may be `inks` itself
    // when the samples are 8 bits.
    void convert(const void *inks, QRgb *out, int count) const;

private:
    bool believable() const;

    void *transform_ = nullptr; // lcms2's, when the profile is a CMYK one
    bool inverted_;
    int bits_;
};

} // namespace picture
