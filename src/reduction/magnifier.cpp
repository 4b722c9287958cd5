#include "reduction/magnifier.h"

namespace reduction {

QSizeF magnifierView(float pw, float ph)
{
    float w = ViewSide, h = ViewSide;
    if (pw > ph)
        h = ph / pw * w;
    else
        w = pw / ph * h;
    return {w, h};
}

} // namespace reduction
