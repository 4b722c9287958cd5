#include "platform/scrollbar.h"

namespace platform {

HScrollBar::HScrollBar(const QString &name, int min, int max, int value, int smallChange,
                       int largeChange, QWidget *parent)
    : Control<QScrollBar>(Qt::Horizontal, parent)
{
    setObjectName(name);
    setTracking(false);
    // The right arrow key and the wheel move towards Max, as the arrow buttons do.
    setInvertedControls(false);
    setRange(min, max);
    setSingleStep(smallChange);
    setPageStep(largeChange);
    setValue(value);
    setFocusPolicy(Qt::StrongFocus);
}

} // namespace platform
