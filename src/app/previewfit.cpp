#include "app/previewfit.h"

namespace app {

QSizeF previewSize(float w, float h, double s)
{
    if (w > h) {
        const float r = h / w;
        return {static_cast<float>(s), static_cast<float>(s * r)};
    }
    const float r = w / h;
    return {static_cast<float>(s * r), static_cast<float>(s)};
}

} // namespace app
