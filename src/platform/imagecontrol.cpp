#include "platform/imagecontrol.h"

#include <QPainter>

namespace platform {

ImageControl::ImageControl(const QString &name, QWidget *parent)
    : Control<QWidget>(parent)
{
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ImageControl::setPicture(const QImage &picture)
{
    picture_ = picture;
    update();
}

void ImageControl::paintEvent(QPaintEvent *)
{
    if (picture_.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), picture_);
}

} // namespace platform
