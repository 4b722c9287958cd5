// What assistive technology says of each control, what its tooltip says, and the order the
// Tab key visits them.
#include "app/form1.h"

#include <QHelpEvent>
#include <QToolTip>
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
        {Shape2, "Colour of the minimum thresholds"},
        {Shape3, "Colour of the maximum thresholds"},
        {HScroll4, "Rate x"},
        {HScroll8, "Rate y"},
        {Combo2, "Selection type"},
        {Label23, "Status"},
        {CheckLive, "Live: run the last command again on every change"},
        {CheckOverlap, "Overlap: blocks reach one pixel into their right and lower neighbours"},
        {Immagine, "Zoom box"},
    };
    for (const auto &[widget, name] : names)
        widget->setAccessibleName(QString::fromLatin1(name));
    for (const Channel c : Channels) {
        const ChannelRow &r = row(c);
        const QString colour = channelTitle(c);
        r.minimum->setAccessibleName(colour + QStringLiteral(" minimum threshold"));
        r.maximum->setAccessibleName(colour + QStringLiteral(" maximum threshold"));
        r.minimumReadout->setAccessibleName(colour + QStringLiteral(" minimum threshold value"));
        r.maximumReadout->setAccessibleName(colour + QStringLiteral(" maximum threshold value"));
        r.zoom->setAccessibleName(
            QStringLiteral("Zoom box shows the %1 plane").arg(channelName(c)));
        r.plane->setAccessibleName(colour + QStringLiteral(" plane"));
        r.probe->setAccessibleName(colour + QStringLiteral(" under the pointer"));
        // The probe's read-outs label their planes, and each threshold value its bar.
        r.probe->setBuddy(r.plane);
        r.minimumReadout->setBuddy(r.minimum);
        r.maximumReadout->setBuddy(r.maximum);
    }

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

bool Form1::event(QEvent *event)
{
    // The shapes and the preview let the pointer through to the window, so the window shows
    // their tooltips: the topmost one under the pointer.
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QList<QWidget *> controls = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (auto w = controls.crbegin(); w != controls.crend(); ++w)
        if ((*w)->isVisible() && (*w)->testAttribute(Qt::WA_TransparentForMouseEvents) &&
            (*w)->geometry().contains(help->pos())) {
            QToolTip::showText(help->globalPos(), (*w)->toolTip(), this, (*w)->geometry());
            return true;
        }
    QToolTip::hideText();
    event->ignore();
    return true;
}

void Form1::describePlanes(Command command)
{
    for (const Channel c : Channels) {
        const ChannelRow &r = row(c);
        QString meaning;
        if (command == Command::Threshold)
            meaning = QStringLiteral("marked: the block's value is inside (%1, %2]; grey: "
                                     "outside; %3 marked")
                          .arg(r.minimum->Value())
                          .arg(r.maximum->Value())
                          .arg(scan::describeCount(measured_.of(c)));
        else if (command == Command::Rgb)
            meaning = QStringLiteral("brightness = the block's value");
        else if (command == Command::Reduction && c == Channel::Blue)
            meaning = QStringLiteral("the picture, one pixel in every %1").arg(HScroll4->Value());
        const QString plane = channelTitle(c) + QStringLiteral(" plane");
        r.plane->setToolTip(meaning.isEmpty() ? plane : plane + QStringLiteral(": ") + meaning);
    }
}
