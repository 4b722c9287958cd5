#include "support/pictures.h"

#include "about/frmabout.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

namespace testpics {

QImage solid(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

QImage split(int w, int h, QColor top, QColor bottom)
{
    QImage img = solid(w, h, top);
    QPainter p(&img);
    p.fillRect(0, h / 2, w, h - h / 2, bottom);
    return img;
}

QString write(const QTemporaryDir &dir, const QString &name, const QImage &img, const char *format,
              int quality)
{
    const QString path = dir.filePath(name);
    if (!img.save(path, format, quality))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QImage capture(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    image.fill(widget.palette().color(QPalette::Window));
    widget.render(&image, QPoint(), QRegion(),
                  QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return image;
}

frmAbout *aboutBox()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<frmAbout *>(w); box && box->isVisible())
            return box;
    return nullptr;
}

} // namespace testpics
