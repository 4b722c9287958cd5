// The two scan commands: "RGB" draws channel intensities, "THRESHOLD SCAN" band markers.
#include "app/form1.h"

#include "core/channelscan.h"
#include "core/geometry.h"

#include <QCoreApplication>

void Form1::Command1_Click()
{
    last_ = pressed_ = Command::Rgb;
    runScanCommand(0);
}

void Form1::Command7_Click()
{
    last_ = pressed_ = Command::Threshold;
    runScanCommand(-1);
}

void Form1::runScanCommand(short filtro)
{
    Label23->setCaption(QStringLiteral(" Working... "));
    Label23->setForeColor(core::Red);
    // The yields let the status paint; a click or key that arrives meanwhile waits for the
    // command to end instead of running inside it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    Immagine->Cls();
    clearOptions();
    scansiona(filtro);
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

scan::ScanParams Form1::scanParams(bool threshold) const
{
    // The settings as the pipeline takes them, over the preview where the window shows it (before
    // any load, the preview control's own place).
    results::Recipe r = settings();
    r.threshold = threshold;
    r.reduction = false;
    scan::ScanParams p = pipeline::scanParams(shown_, r);
    p.iw = Image1->Width();
    p.ih = Image1->Height();
    // The grid starts at the preview's top-left pixel: the first sample of the first block.
    p.originX = platform::toPixels(Image1->Left()) - 1;
    p.originY = platform::toPixels(Image1->Top()) - 1;
    return p;
}

void Form1::scansiona(short filtro)
{
    const scan::ScanParams p = scanParams(filtro != 0);
    sizePlanes(geometry::planeSize(p.iw, p.ih, p.rx, p.ry));

    // The scan never yields, so one capture of the window serves every sample.
    const scan::ScanGrid grid = scan::scanGrid(p);
    const scan::ScanPlanes &result = scanner_.scan(stage(grid.sampled), p);
    results::Recipe recipe = settings();
    recipe.size = loadedSide_;
    recipe.threshold = p.threshold;
    recipe.stackScope = scope() == frmHistogram::Scope::Stack &&
                        std::any_of(recipe.automatic.begin(), recipe.automatic.end(),
                                    [](const auto &m) { return m.has_value(); });
    // A minimum of the whole stack's block values is what --frames all makes with
    // --auto-scope stack; any other is the frame's alone.
    recipe.frames = recipe.stackScope ? QStringLiteral("all") : frameText();
    scannedFrame_ = frames_ ? frame_ : 0;
    for (const Channel c : Channels) {
        recipeOf(viewOf(c)) = recipe;
        row(c).plane->PSetBlock(1, 1, result.nx, result.ny, result.planes[c].data());
        keepBlocks(c, result.nx, result.ny, result.planes[c].data());
    }
    scannedRx_ = p.rx, scannedRy_ = p.ry;
    setMeasurements(p.threshold ? scan::measure(result) : scan::Measurements{});
    describePlanes(p.threshold ? Command::Threshold : Command::Rgb);
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
