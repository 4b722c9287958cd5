#pragma once

#include "core/colour.h"
#include "picture/picture.h"
#include "platform/control.h"

#include <QFrame>
#include <QImage>

namespace platform {

// A child window with a persistent pixel surface the size of its interior, in pixels.
// Bordered boxes have a 2-pixel sunken border inside their outer size.
class PictureBox : public Control<QFrame> {
    Q_OBJECT
public:
    PictureBox(const QString &name, bool bordered, QWidget *parent);

    // Colour shown at an interior position, or NoColour outside the interior.
    core::Colour Point(float x, float y) const;
    // Draws one pixel; positions outside the interior are ignored, NoColour draws white.
    void PSet(float x, float y, core::Colour c);
    // PSet for a block of colours, row by row, with the top-left one at (x, y).
    void PSetBlock(int x, int y, int width, int height, const core::Colour *colours);
    // The same for an image's pixels, as a command's planes hold them.
    void PSetBlock(int x, int y, const QImage &pixels);
    // Erases the drawing to BackColor (and the held picture), keeping the size.
    void Cls();

    core::Colour BackColor() const { return back_; }
    void setBackColor(core::Colour c) { back_ = c; }

    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool on) { autoSize_ = on; }
    const picture::Picture &picture() const { return picture_; }
    // Holds a picture; with AutoSize on, the box takes the picture's size. An empty picture
    // leaves the size as it is.
    void setPicture(const picture::Picture &picture);

    int ScaleWidth() const { return size_.width(); }
    int ScaleHeight() const { return size_.height(); }
    // The interior's pixels. A box that was never drawn on holds no pixels of its own until
    // they are asked for: a hidden box sized to a large picture costs no memory.
    const QImage &surface() const;
    // Replaces the interior's pixels: the surface is scaled by the caller to fit.
    void drawSurface(const QImage &pixels);

signals:
    void MouseMove(int button, int shift, float x, float y);
    void Click();

protected:
    void geometryApplied() override;
    void paintEvent(QPaintEvent *) override;
    void focusInEvent(QFocusEvent *) override;
    void focusOutEvent(QFocusEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;

private:
    void emitMouseMove(QMouseEvent *e);

    // The surface as Cls leaves it: BackColor with the held picture at the top left.
    void paintBlank(QImage &into) const;

    mutable QImage surface_; // null until first needed
    QSize size_;             // the interior's size
    picture::Picture picture_;
    core::Colour back_;
    bool autoSize_ = false;
    bool pressed_ = false;
};

} // namespace platform
