#include "platform/stretchblt.h"

#include "core/stretchcopy.h"

#include <QPainter>

namespace platform {

bool StretchBlt(PictureBox &dest, int dx, int dy, int dw, int dh, const PictureBox &src, int sx,
                int sy, int sw, int sh, std::uint32_t rop)
{
    if (rop != SRCCOPY || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return false;
    const QImage copy = core::stretchCopy(src.surface(), QRect(sx, sy, sw, sh), QSize(dw, dh));
    QImage target = dest.surface();
    {
        QPainter p(&target);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(dx, dy, copy);
    }
    dest.drawSurface(target);
    return true;
}

} // namespace platform
