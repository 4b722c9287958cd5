#pragma once

#include <QAction>

#include "app/form1.h"

// The main window as the UI tests drive it: started and shown, with typed handles on its
// controls found by their names, as a user's tools would find them.
enum class Bound { Minimum, Maximum };
enum class Button { Load, Clear, About, Threshold, Reduction, Rgb };
enum class Axis { X, Y };

class Form1Driver : public Form1 {
public:
    enum class Start { Created, Shown };
    explicit Form1Driver(Start start = Start::Shown);

    // Loads the file through the real Load command and its dialog.
    void load(const QString &path);
    void click(Button b) { button(b)->click(); }
    // The pointer moved over, or clicked on, a channel's plane (plane coordinates).
    void moveOver(Channel c, float x, float y) { emit plane(viewOf(c))->MouseMove(0, 0, x, y); }
    // Runs the item of a view's menu that reads `text` ("Histogram...", "Overlay..."); false
    // when the menu has no such item.
    bool menu(View view, const char *text) const
    {
        for (QAction *a : plane(view)->actions())
            if (a->text() == QLatin1String(text)) {
                a->trigger();
                return true;
            }
        return false;
    }
    void clickPlane(Channel c) { emit plane(viewOf(c))->Click(); }

    platform::HScrollBar *bar(Channel c, Bound b) const;
    platform::Label *readout(Channel c, Bound b) const;
    platform::PictureBox *plane(View v) const;
    platform::Label *probe(Channel c) const;
    platform::OptionButton *zoomOption(Channel c) const;
    platform::HScrollBar *rate(Axis a) const;
    platform::Label *rateCaption(Axis a) const;
    platform::Shape *swatch(Bound b) const;
    platform::CommandButton *button(Button b) const;
    platform::ComboBox *sizeList() const { return control<platform::ComboBox>("Combo1"); }
    platform::ComboBox *typeList() const { return control<platform::ComboBox>("Combo2"); }
    platform::ImageControl *preview() const { return control<platform::ImageControl>("Image1"); }
    platform::PictureBox *frame() const { return control<platform::PictureBox>("Picture1"); }
    platform::Shape *previewFrame() const { return control<platform::Shape>("Shape1"); }
    platform::Label *status() const { return control<platform::Label>("Label23"); }
    platform::CheckBox *live() const { return control<platform::CheckBox>("CheckLive"); }
    platform::CommonDialog *dialog() const { return control<platform::CommonDialog>("CD1"); }

    // Any control by its name; the test fails when there is none of that class.
    template <class T> T *control(const char *name) const
    {
        T *c = findChild<T *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
        if (!c)
            qFatal("no control %s of the asked class", name);
        return c;
    }
};
