#include "picture/profile.h"

#include <QColorTransform>
#include <algorithm>

namespace picture::profile {

QString tooLarge(qint64 bytes)
{
    return QStringLiteral("The picture's colour profile is too large: %1 MiB, more than the %2 "
                          "MiB that one profile may take.")
        .arg(double(bytes) / (1 << 20), 0, 'f', 1)
        .arg(MaxBytes >> 20);
}

Result<QColorSpace> read(QByteArrayView icc)
{
    if (icc.size() > MaxBytes)
        return Failure{tooLarge(icc.size())};
    return QColorSpace::fromIccProfile(icc.toByteArray());
}

bool believable(const QColorSpace &space)
{
    if (!space.isValid())
        return false;
    const QColorTransform toSrgb = space.transformationToColorSpace(QColorSpace::SRgb);
    const QRgb black = toSrgb.map(qRgb(0, 0, 0)), white = toSrgb.map(qRgb(255, 255, 255));
    // A tolerance for a black point or a paper white a few levels off.
    return std::max({qRed(black), qGreen(black), qBlue(black)}) <= 32 &&
           std::min({qRed(white), qGreen(white), qBlue(white)}) >= 223;
}

} // namespace picture::profile
