// What assistive technology says of each control, and the order the Tab key visits them.
#include "app/form1.h"

#include <algorithm>

using namespace platform;

void Form1::describeControls()
{
    const std::pair<QWidget *, const char *> names[] = {
        {Combo1, "Preview size"},
        {Command8, "Load a picture"},
        {Command2, "Clear the planes"},
        {Command4, "About Tintara"},
        {Command7, "Threshold scan"},
        {Command3, "Pixel reduction"},
        {Command1, "RGB scan"},
        {Image1, "Preview"},
        {Shape1, "Preview frame"},
        {HScroll2, "Red minimum threshold"},
        {HScroll1, "Green minimum threshold"},
        {HScroll3, "Blue minimum threshold"},
        {HScroll5, "Red maximum threshold"},
        {HScroll6, "Green maximum threshold"},
        {HScroll7, "Blue maximum threshold"},
        {Label14, "Red minimum threshold value"},
        {Label13, "Green minimum threshold value"},
        {Label15, "Blue minimum threshold value"},
        {Label11, "Red maximum threshold value"},
        {Label16, "Green maximum threshold value"},
        {Label17, "Blue maximum threshold value"},
        {Shape2, "Colour of the minimum thresholds"},
        {Shape3, "Colour of the maximum thresholds"},
        {HScroll4, "Rate x"},
        {HScroll8, "Rate y"},
        {Combo2, "Selection type"},
        {Label23, "Status"},
        {CheckLive, "Live: run the last command again on every change"},
        {Immagine, "Zoom box"},
        {Option1, "Zoom box shows the red plane"},
        {Option2, "Zoom box shows the green plane"},
        {Option3, "Zoom box shows the blue plane"},
        {Picture4, "Red plane"},
        {Picture3, "Green plane"},
        {Picture2, "Blue plane"},
        {Label29, "Red under the pointer"},
        {Label28, "Green under the pointer"},
        {Label27, "Blue under the pointer"},
    };
    for (const auto &[widget, name] : names)
        widget->setAccessibleName(QString::fromLatin1(name));
    // The probe's read-outs label their planes, and each threshold value its bar.
    Label29->setBuddy(Picture4);
    Label28->setBuddy(Picture3);
    Label27->setBuddy(Picture2);
    Label14->setBuddy(HScroll2);
    Label13->setBuddy(HScroll1);
    Label15->setBuddy(HScroll3);
    Label11->setBuddy(HScroll5);
    Label16->setBuddy(HScroll6);
    Label17->setBuddy(HScroll7);

    // Tab goes through the window as it reads: row by row, left to right.
    QList<QWidget *> stops;
    for (QWidget *w : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (w->focusPolicy() & Qt::TabFocus)
            stops << w;
    std::stable_sort(stops.begin(), stops.end(), [](const QWidget *a, const QWidget *b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    for (qsizetype i = 1; i < stops.size(); ++i)
        setTabOrder(stops[i - 1], stops[i]);
}
