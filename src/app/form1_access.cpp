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

void Form1::describePlanes(Command command, bool made)
{
    if (made && command != Command::None)
        scannedPlaced_ = placed_;
    const QString stale = outOfDate();
    for (const Channel c : Channels) {
        const ChannelRow &r = row(c);
        // As the planes were made, whatever the bars say now.
        const results::Recipe &recipe = recipeOf(viewOf(c));
        QString meaning;
        if (command == Command::Threshold && recipe.local[c])
            meaning =
                QStringLiteral("marked: %1 at radius %2 finds the block %3 than its "
                               "neighbours; grey: not; %4 marked")
                    .arg(QLatin1String(local::methodName(*recipe.local[c])))
                    .arg(recipe.localRadius)
                    .arg(recipe.localWhite ? QStringLiteral("brighter") : QStringLiteral("darker"))
                    .arg(scan::describeCount(measured_.channels[c]));
        else if (command == Command::Threshold)
            meaning = QStringLiteral("marked: the block's value is inside (%1, %2]; grey: "
                                     "outside; %3 marked")
                          .arg(recipe.bands[c].lo)
                          .arg(recipe.bands[c].hi)
                          .arg(scan::describeCount(measured_.channels[c]));
        else if (command == Command::Rgb)
            meaning = QStringLiteral("brightness = the block's value");
        else if (command == Command::Reduction && c == Channel::Blue)
            meaning = QStringLiteral("the picture, one pixel in every %1").arg(recipe.rx);
        const QString plane = channelTitle(c) + QStringLiteral(" plane");
        r.plane->setToolTip(
            (meaning.isEmpty() ? plane : plane + QStringLiteral(": ") + meaning) +
            (stale.isEmpty() || meaning.isEmpty() ? QString() : QLatin1Char('\n') + stale));
    }
    if (histogram_)
        histogram_->setOutOfDate(stale);
    if (overlay_)
        overlay_->setOutOfDate(stale);
}

QString Form1::outOfDate() const
{
    // In Live mode a change is followed by its run at once.
    if (last_ == Command::None || CheckLive->isChecked())
        return {};
    const auto advice = QStringLiteral("Press F5, or tick Live, to bring them up to date.");
    if (scannedPlaced_ != placed_)
        return QStringLiteral("Out of date: made from the picture shown before. ") + advice;
    // What the controls would make now, in the planes' own mode, compared where it matters:
    // the bands only for a threshold scan, the x rate alone for a reduction, the preview as
    // loaded, an automatic method only through the band it gave.
    const results::Recipe &made = recipeOf(last_ == Command::Reduction ? View::Blue : View::Red);
    results::Recipe now = settings();
    now.size = made.size;
    now.threshold = made.threshold;
    now.reduction = made.reduction;
    std::copy(std::begin(made.automatic), std::end(made.automatic), std::begin(now.automatic));
    if (!made.threshold)
        for (const Channel c : Channels)
            now.bands[c] = made.bands[c];
    if (made.reduction) {
        now.ry = made.ry;
        now.selection = made.selection;
        now.overlap = made.overlap;
    }
    QString changed = results::describeChange(made, now);
    if (changed.isEmpty())
        return {};
    changed[0] = changed[0].toLower();
    return QStringLiteral("Out of date: made before %1. ").arg(changed) + advice;
}

void Form1::showOutOfDate()
{
    describePlanes(last_, false);
}
