#pragma once

#include "core/colour.h"
#include "platform/control.h"

#include <QLabel>

namespace platform {

// A static caption. Colours live in the palette (text: WindowText, background: Window with
// auto-fill) so that what the label shows can be read back.
class Label : public Control<QLabel> {
public:
    Label(const QString &name, const QString &caption, QWidget *parent);

    QString Caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }

    core::Colour ForeColor() const;
    void setForeColor(core::Colour c);

    core::Colour BackColor() const;
    void setBackColor(core::Colour c);
};

} // namespace platform
