#pragma once

#include "platform/control.h"

#include <QScrollBar>

namespace platform {

// A horizontal scroll bar that reports committed values only: arrows, track clicks, keys and
// the end of a thumb drag. Qt's valueChanged is then the change event: it fires synchronously
// for user commits and program sets alike, and not when the value stays the same.
class HScrollBar : public Control<QScrollBar> {
public:
    HScrollBar(const QString &name, int min, int max, int value, int smallChange, int largeChange,
               QWidget *parent);

    int Value() const { return value(); }
    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    void setMin(int v) { setMinimum(v); }
    int SmallChange() const { return singleStep(); }
    int LargeChange() const { return pageStep(); }
};

} // namespace platform
