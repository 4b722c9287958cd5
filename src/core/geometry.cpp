#include "core/geometry.h"

#include "core/result.h"
#include <algorithm>
#include <cmath>

namespace geometry {

QSizeF previewSize(float w, float h, double s)
{
    // A picture far longer than it is wide still shows its one row or column, and is scanned
    // as one.
    const auto atLeastOne = [](double side) {
        return std::max(1.0f, static_cast<float>(side));
    };
    if (w > h) {
        const float r = h / w;
        return {static_cast<float>(s), atLeastOne(s * r)};
    }
    const float r = w / h;
    return {atLeastOne(s * r), static_cast<float>(s)};
}

QSizeF planeSize(float iw, float ih, int rx, int ry)
{
    const float w = iw + PlaneMargin;
    const float h = ih + PlaneMargin;
    return {static_cast<double>(w / static_cast<float>(rx)),
            static_cast<double>(h / static_cast<float>(ry))};
}

int stepCount(float size, int step)
{
    TINTARA_EXPECTS(step >= 1, "stepCount: the step must be positive");
    const float bound = (size + PlaneMargin) - 1.0f;
    if (!(PlaneMargin <= bound))
        return 0;
    const double last = std::floor(static_cast<double>(bound)) - PlaneMargin;
    const double count = std::floor(last / step) + 1.0;
    TINTARA_EXPECTS(count <= 32767.0, "stepCount: more than 32767 steps along one side");
    return static_cast<int>(count);
}

QSizeF magnifierView(float pw, float ph)
{
    float w = ViewSide, h = ViewSide;
    if (pw > ph)
        h = ph / pw * w;
    else
        w = pw / ph * h;
    return {w, h};
}

QString rateCaption(char axis, int rate)
{
    return QStringLiteral("Rate %1 1:%2").arg(QLatin1Char(axis)).arg(rate);
}

} // namespace geometry
