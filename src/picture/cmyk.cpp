#include "picture/cmyk.h"

#include <algorithm>
#include <cstring>
#include <lcms2.h>
#include <vector>

namespace picture {

CmykToRgb::CmykToRgb(const QByteArray &profile, bool inverted, int bits)
    : inverted_(inverted)
    , bits_(bits)
{
    if (profile.isEmpty())
        return;
    // A profile lcms2 cannot read is left for the naive conversion, without a word.
    cmsSetLogErrorHandler(nullptr);
    cmsHPROFILE cmyk = cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
    if (!cmyk)
        return;
    if (cmsGetColorSpace(cmyk) == cmsSigCmykData) {
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        const cmsUInt32Number in = bits == 16 ? (inverted ? TYPE_CMYK_16_REV : TYPE_CMYK_16)
                                              : (inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8);
        transform_ =
            cmsCreateTransform(cmyk, in, srgb, TYPE_BGRA_8, cmsGetHeaderRenderingIntent(cmyk), 0);
        cmsCloseProfile(srgb);
    }
    cmsCloseProfile(cmyk);
    if (transform_ && !believable()) {
        cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
        transform_ = nullptr;
    }
}

bool CmykToRgb::believable() const
{
    // Bare paper must come out light and the four inks together dark; a profile that does
    // otherwise would turn the picture to nonsense, and the naive conversion is used instead.
    const quint16 none = inverted_ ? 0xFFFF : 0, full = inverted_ ? 0 : 0xFFFF;
    quint16 wide[8] = {none, none, none, none, full, full, full, full};
    quint8 narrow[8];
    for (int i = 0; i < 8; ++i)
        narrow[i] = quint8(wide[i] >> 8);
    QRgb out[2];
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_),
                   bits_ == 16 ? static_cast<const void *>(wide) : narrow, out, 2);
    const auto least = [](QRgb c) {
        return std::min({qRed(c), qGreen(c), qBlue(c)});
    };
    const auto most = [](QRgb c) {
        return std::max({qRed(c), qGreen(c), qBlue(c)});
    };
    return least(out[0]) >= 200 && most(out[1]) <= 96;
}

CmykToRgb::~CmykToRgb()
{
    if (transform_)
        cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
}

void CmykToRgb::convert(const void *inks, QRgb *out, int count) const
{
    if (transform_) {
        // Through a copy, so the result may replace the samples it comes from.
        const std::size_t bytes = std::size_t(count) * 4 * std::size_t(bits_ / 8);
        std::vector<unsigned char> copy(bytes);
        std::memcpy(copy.data(), inks, bytes);
        cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), copy.data(), out,
                       cmsUInt32Number(count));
        for (int x = 0; x < count; ++x)
            out[x] |= 0xff000000u;
        return;
    }
    for (int x = 0; x < count; ++x) {
        int ink[4];
        for (int i = 0; i < 4; ++i) {
            int v;
            if (bits_ == 16) {
                quint16 wide;
                std::memcpy(&wide, static_cast<const unsigned char *>(inks) + (x * 4 + i) * 2, 2);
                v = (wide * 255 + 32767) / 65535;
            } else {
                v = static_cast<const unsigned char *>(inks)[x * 4 + i];
            }
            ink[i] = inverted_ ? 255 - v : v;
        }
        const auto light = [&](int c) {
            return ((255 - c) * (255 - ink[3]) + 127) / 255;
        };
        out[x] = qRgb(light(ink[0]), light(ink[1]), light(ink[2]));
    }
}

} // namespace picture
