// The two scan commands: "RGB" draws channel intensities, "THRESHOLD SCAN" band markers.
#include "app/form1.h"

#include <QCoreApplication>

void Form1::Command1_Click()
{
    last_ = pressed_ = Command::Rgb;
    runScanCommand(Command::Rgb);
}

void Form1::Command7_Click()
{
    last_ = pressed_ = Command::Threshold;
    runScanCommand(Command::Threshold);
}

void Form1::runScanCommand(Command command)
{
    Label23->setCaption(QStringLiteral(" Working... "));
    Label23->setForeColor(core::Red);
    // The yields let the status paint; a click or key that arrives meanwhile waits for the
    // command to end instead of running inside it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    Immagine->Cls();
    clearOptions();
    scansiona(command);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    Label23->setForeColor(core::Blue);
    Label23->setCaption(QStringLiteral("Process complete."));
}

void Form1::clearOptions()
{
    // An exclusive group keeps one option checked; lift that for the moment to clear all three.
    options_->setExclusive(false);
    for (const ChannelRow &r : rows_)
        r.zoom->setChecked(false);
    options_->setExclusive(true);
}

pipeline::Scene Form1::scene() const
{
    // The picture shown as the pipeline stages it, over the preview where the window lays it out
    // (before any load, the preview control's own place and size).
    pipeline::Scene s = pipeline::scene(shown_);
    s.size = QSizeF(Image1->Width(), Image1->Height());
    s.first = QPoint(platform::toPixels(Image1->Left()), platform::toPixels(Image1->Top()));
    return s;
}

results::Recipe Form1::asShown(Command command) const
{
    results::Recipe r = settings();
    r.size = loadedSide_;
    r.threshold = command == Command::Threshold;
    r.reduction = command == Command::Reduction;
    return results::held(r);
}

pipeline::Planes Form1::made(Command command)
{
    // The bars hold the bands: a method recorded with a minimum found it on the picture shown
    // when it was applied, and is not asked again.
    results::Recipe r = asShown(command);
    const PerChannel<std::optional<histogram::Method>> methods = r.automatic;
    r.automatic = {};
    pipeline::Planes planes = runner_.run(scene(), r);
    planes.recipe.automatic = methods;
    // A minimum of the whole stack's block values is what --frames all makes with
    // --auto-scope stack; any other is the frame's alone.
    planes.recipe.stackScope =
        !r.reduction && scope() == frmHistogram::Scope::Stack &&
        std::any_of(methods.begin(), methods.end(), [](const auto &m) { return m.has_value(); });
    planes.recipe.frames = planes.recipe.stackScope ? QStringLiteral("all") : frameText();
    scannedFrame_ = frames_ ? frame_ : 0;
    return planes;
}

void Form1::scansiona(Command command)
{
    const pipeline::Planes planes = made(command);
    sizePlanes(planes.outer[Channel::Blue]);
    for (const Channel c : Channels) {
        recipeOf(viewOf(c)) = planes.recipe;
        row(c).plane->PSetBlock(1, 1, planes.blocks[c]);
        blocks_[c] = planes.blocks[c];
    }
    scannedRx_ = planes.recipe.rx, scannedRy_ = planes.recipe.ry;
    setMeasurements(planes.measured);
    describePlanes(command);
}

scan::Band Form1::band(Channel channel) const
{
    return {row(channel).minimum->Value(), row(channel).maximum->Value()};
}

void Form1::setMeasurements(const scan::Measurements &m)
{
    measured_ = m;
    if (histogram_)
        histogram_->setMeasurements(m);
    refreshOverlay();
}
