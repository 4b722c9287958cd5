#pragma once

// The path from a picture file to its planes and their files, as the window shows them: the
// preview fitted into its square, the window's pixels around it that blocks past its edge take
// in, the scan or the reduction, the automatic thresholds, the zoom box, and the PNG files with
// their record. The window, the batch and any other caller take this one path.

#include "core/autothreshold.h"
#include "core/channel.h"
#include "core/channelscan.h"
#include "core/localthreshold.h"
#include "core/measurements.h"
#include "core/pixelreduction.h"
#include "core/recipe.h"
#include "core/result.h"
#include "picture/frames.h"
#include "picture/picture.h"

#include <QImage>
#include <QSizeF>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace pipeline {

// A picture as the window shows it: its own size, and its pixels fitted into a square of
// `side` (200, 300, 400 or 500).
struct Preview {
    picture::Picture picture;
    int side = 500;
    // The preview's size in window pixels, unrounded, as the block grid divides it.
    QSizeF fitted() const;
};

// Loads a picture as the window does, fitted into `side`; fails with the window's reason.
Result<Preview> load(const QString &path, int side, const std::atomic<bool> *cancel = nullptr);

// What a command reads: a picture of `size` pixels (unrounded, as the block grid divides it)
// whose top-left pixel lies at `first`, and `read`, which puts the pixels over any region into
// `out`, what lies around the picture included; points with nothing there read -1, which the
// scan and the reduction take as white. `read` may be called from any thread.
struct Scene {
    QSizeF size;
    QPoint first;
    std::function<void(const QRect &region, core::ColourSurface &out)> read;
};
// The window as it shows a preview: its stage, the preview at the stage's place.
Scene scene(const Preview &preview);

// The scan's parameters for a recipe on a scene, taken as held: the grid starts at its picture's
// top-left pixel; markers where the recipe asks for a threshold scan.
scan::ScanParams scanParams(const Scene &scene, const results::Recipe &recipe);
scan::ScanParams scanParams(const Preview &preview, const results::Recipe &recipe);

// Where a plane's blocks are drawn in the window: a box of the planes' outer size (window pixels,
// unrounded) with a sunken border of two pixels, block (0, 0) at pixel (1, 1) of its interior.
inline constexpr int PlaneBorder = 2;
// A plane box's interior for its outer size.
QSize planeInterior(QSizeF outer);

// What a command made of a preview.
struct Planes {
    results::Recipe recipe; // how: the bands as the automatic methods left them
    // One pixel a block, null for a plane the command left blank (red and green after a
    // reduction).
    PerChannel<QImage> blocks;
    PerChannel<QSizeF> outer;    // each plane box's outer size
    scan::Measurements measured; // what a threshold scan marked; nothing after any other
    struct Automatic {
        histogram::Method method;
        std::optional<int> threshold; // none where the method had none, the band left as given
    };
    PerChannel<std::optional<Automatic>> automatic;

    // The recipe as it was asked for, with the bands the methods gave: every method asked for,
    // those that found no threshold too, as a measurement row names them.
    results::Recipe asked() const;
    // A channel's plane box as the window shows it after the command: the ground, and the
    // blocks from pixel (1, 1) as far as the box shows them.
    QImage box(Channel channel) const;
    // The zoom box showing a channel's plane: its whole box enlarged by pixel repetition into
    // a view that follows the blue plane's aspect.
    QImage zoom(Channel channel) const;
    // What Copy and Save give for a view: a plane's blocks (its blank box where the command
    // drew none), or the zoom box showing `zoomed`.
    QImage image(View view, Channel zoomed = Channel::Red) const;
    // The record saved with a view: the zoom box's pixels are no blocks, so it places none.
    results::Entries record(View view, results::Source source) const;
};

// One automatic method's answer for a channel, with the threshold plane it makes: what Try all
// shows a tile of.
struct Trial {
    histogram::Method method;
    std::optional<int> threshold;
    QImage plane; // one pixel a block; null where the method has no threshold
    std::optional<local::Method> local = {}; // a local method's tile, whatever `method` says
};

// The pipeline with its storage, kept from one picture to the next: after the first picture of
// a size a scan allocates nothing. One a thread.
class Runner {
public:
    // The window's pixels over `region` with the preview shown.
    const core::ColourSurface &stage(const Preview &preview, const QRect &region);
    // The block values a threshold scan with these settings tests, counted.
    scan::BlockHistograms histograms(const Scene &scene, const results::Recipe &recipe);
    // The block values of frames `numbers` (from 1) of a stack, each fitted into the recipe's
    // square, counted together: what a minimum for the whole stack is taken from. `goOn` is
    // told how many frames are counted before each one is read, and stops the count (a failure
    // with no reason) when it answers false. Fails at a frame that cannot be read, naming it.
    Result<scan::BlockHistograms>
    stackHistograms(picture::Frames &frames, const QList<int> &numbers,
                    const results::Recipe &recipe,
                    const std::function<bool(int counted)> &goOn = {});
    // The recipe's automatic methods on the scene's block values, or on `counted` where it is
    // given: each method's threshold, none for a channel without a method.
    PerChannel<std::optional<Planes::Automatic>>
    automatic(const Scene &scene, const results::Recipe &recipe,
              const scan::BlockHistograms *counted = nullptr);
    // Every automatic method's answer for one channel, with the plane a threshold scan of the
    // recipe makes with the method's minimum, the maximum kept as far as the minimum allows;
    // then every local method's plane.
    std::vector<Trial> tryAll(const Scene &scene, const results::Recipe &recipe, Channel channel);
    // The recipe's automatic methods, then its command: the pixel reduction, the threshold
    // scan or the RGB scan. The recipe is taken as the controls hold it; on a preview, at the
    // preview's size. The methods take `counted` where it is given (a whole stack's block
    // values), the scene's own block values otherwise.
    Planes run(const Scene &scene, const results::Recipe &recipe,
               const scan::BlockHistograms *counted = nullptr);
    Planes run(const Preview &preview, const results::Recipe &recipe);

private:
    // The scan of the surface read: threshold markers of the bands, or of the local methods.
    const scan::ScanPlanes &scan(const scan::ScanParams &p, const results::Recipe &r);

    core::ColourSurface surface_;
    scan::Scanner scanner_;
    reduction::ReducedPicture reduced_;
    // A channel's local method, with its storage.
    struct Local {
        local::Thresholder thresholder;
        std::vector<std::uint8_t> values, marks;
    };
    PerChannel<Local> local_;
    scan::ScanPlanes marked_;
};

// Writes a view's picture as PNG with its record, never seen half-written. `Sync::Each` waits
// for it to reach the disk, as a single Save does; `Sync::Later` leaves that to one sync at the
// end of a run (syncAll), as a batch does.
enum class Sync { Each, Later };
Result<void> save(const QImage &image, const QString &path, const results::Entries &record,
                  Sync sync);
// Waits until everything written to the file system holding `folder` is on its disk.
Result<void> syncAll(const QString &folder);

// A view of a command's planes and the file it is written to; `name` names it in a failure.
struct Target {
    View view;
    QString name, path;
};
// Writes each target's view of the planes with its record, whole or not at all: where one
// cannot be written, those already written go again, and the failure names it ("name: why").
// The zoom box shows `zoomed`. Threads of `spare`, where it has any, write beside the caller.
Result<void> writePlanes(const Planes &planes, const results::Source &source,
                         const std::vector<Target> &targets, Channel zoomed, Sync sync,
                         QThreadPool *spare = nullptr);

} // namespace pipeline
