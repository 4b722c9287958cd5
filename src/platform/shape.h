#pragma once

#include "platform/colour.h"
#include "platform/control.h"

#include <QWidget>

namespace platform {

// A rectangle painted on the window: an outline, or a swatch filled with its BackColor.
class Shape : public Control<QWidget> {
public:
    enum class Style { Outline, Filled };

    Shape(const QString &name, Style style, Colour color, QWidget *parent);

    Colour BackColor() const { return back_; }
    void setBackColor(Colour c);
    Colour BorderColor() const { return border_; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    Style style_;
    Colour border_ = RGB(0, 0, 0);
    Colour back_ = RGB(255, 255, 255);
};

} // namespace platform
