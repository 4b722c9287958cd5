#pragma once

#include <QImage>
#include <QString>
#include <QTemporaryDir>

class frmAbout;
class QWidget;

// Pictures made for a test, and the window they are loaded into.
namespace testpics {

QImage solid(int w, int h, QColor c);
// Top half one colour, bottom half the other.
QImage split(int w, int h, QColor top, QColor bottom);
// Writes the picture into the folder and returns its path.
QString write(const QTemporaryDir &dir, const QString &name, const QImage &img,
              const char *format = nullptr, int quality = -1);
// The widget as it is rendered now, one image pixel per window pixel.
QImage capture(QWidget &widget);
// The about box that is open and not closing, if any.
frmAbout *aboutBox();

} // namespace testpics
