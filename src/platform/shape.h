#pragma once

#include "core/colour.h"
#include "platform/control.h"

#include <QWidget>

namespace platform {

// A rectangle painted on the window: an outline, or a swatch filled with its BackColor.
class Shape : public Control<QWidget> {
public:
    enum class Style { Outline, Filled };

    Shape(const QString &name, Style style, core::Colour color, QWidget *parent);

    core::Colour BackColor() const { return back_; }
    void setBackColor(core::Colour c);
    core::Colour BorderColor() const { return border_; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    Style style_;
    core::Colour border_ = core::RGB(0, 0, 0);
    core::Colour back_ = core::RGB(255, 255, 255);
};

} // namespace platform
