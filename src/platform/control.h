#pragma once

// The platform room (tintara_platform), above the picture room: the controls with the classic
// event semantics (labels, buttons, bars, lists, shapes, picture boxes with Point/PSet/Cls),
// background loads, the open, save and message dialogs, the registry and program start. It knows
// nothing of the windows built from it. Logging: tintara.platform.

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace platform {

// Window coordinates are single-precision pixels; the toolkit only knows whole pixels.
// Ties go to the even neighbour, like every float-to-integer conversion of the program.
inline int toPixels(float v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::nearbyint(std::clamp(v, -1.0e6f, 1.0e6f)));
}

// A widget that remembers the fractional position and size the program gave it and reads
// them back unchanged, while the widget itself sits at the nearest whole pixels.
template <class Base> class Control : public Base {
public:
    using Base::Base;

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }

    void setLeft(float v) { left_ = v, place(); }
    void setTop(float v) { top_ = v, place(); }
    void setWidth(float v) { width_ = v, place(); }
    void setHeight(float v) { height_ = v, place(); }

    void Move(float left, float top, float width, float height)
    {
        left_ = left, top_ = top, width_ = width, height_ = height;
        place();
    }

protected:
    // Runs after every change of the widget's geometry, also while it is hidden
    // (Qt delays resize events of hidden widgets until they are shown).
    virtual void geometryApplied() {}

private:
    void place()
    {
        this->setGeometry(toPixels(left_), toPixels(top_), std::max(0, toPixels(width_)),
                          std::max(0, toPixels(height_)));
        geometryApplied();
    }

    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

} // namespace platform
