#pragma once

#include "platform/control.h"

#include <QImage>
#include <QWidget>

namespace platform {

// A picture painted on the window, stretched to the control's own size.
class ImageControl : public Control<QWidget> {
public:
    ImageControl(const QString &name, QWidget *parent);

    const QImage &Picture() const { return picture_; }
    void setPicture(const QImage &picture);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QImage picture_;
};

} // namespace platform
