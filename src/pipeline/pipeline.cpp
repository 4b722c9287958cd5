#include "pipeline/pipeline.h"

#include "core/geometry.h"
#include "core/stretchcopy.h"
#include "picture/pictureloader.h"
#include "picture/pngwriter.h"
#include "pipeline/logging.h"
#include "pipeline/stage.h"

#include <QFile>
#include <QSemaphore>
#include <algorithm>
#include <cmath>

namespace pipeline {

namespace {

// Window coordinates are single-precision pixels, placed at the nearest whole pixel, ties to
// the even one.
int wholePixels(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::nearbyint(std::clamp(static_cast<float>(v), -1.0e6f, 1.0e6f)));
}

QImage blocksImage(int nx, int ny, const core::Colour *colours)
{
    if (nx <= 0 || ny <= 0)
        return {};
    QImage blocks(nx, ny, QImage::Format_RGB32);
    for (int y = 0; y < ny; ++y) {
        auto *line = reinterpret_cast<QRgb *>(blocks.scanLine(y));
        const core::Colour *from = colours + std::size_t(y) * std::size_t(nx);
        for (int x = 0; x < nx; ++x)
            line[x] = core::toArgb(from[x]);
    }
    return blocks;
}

} // namespace

QSizeF Preview::fitted() const
{
    return geometry::previewSize(static_cast<float>(picture.size.width()),
                                 static_cast<float>(picture.size.height()), side);
}

Result<Preview> load(const QString &path, int side, const std::atomic<bool> *cancel)
{
    picture::LoadResult loaded = picture::LoadPicture(path, side, cancel);
    if (!loaded)
        return loaded.failure();
    return Preview{std::move(*loaded), side};
}

Scene scene(const Preview &preview)
{
    return {preview.fitted(), stage::PreviewAt,
            [image = preview.picture.image, side = preview.side](const QRect &region,
                                                                 core::ColourSurface &out) {
                readStage(image, side, region, out);
            }};
}

scan::ScanParams scanParams(const Scene &scene, const results::Recipe &given)
{
    const results::Recipe recipe = results::held(given);
    scan::ScanParams p;
    p.iw = static_cast<float>(scene.size.width());
    p.ih = static_cast<float>(scene.size.height());
    p.rx = recipe.rx;
    p.ry = recipe.ry;
    // A block's samples start one pixel right of and below its origin.
    p.originX = scene.first.x() - 1;
    p.originY = scene.first.y() - 1;
    p.sel = recipe.selection;
    p.overlap = recipe.overlap;
    p.threshold = recipe.threshold;
    p.bands = recipe.bands;
    return p;
}

scan::ScanParams scanParams(const Preview &preview, const results::Recipe &recipe)
{
    return scanParams(scene(preview), recipe);
}

QSize planeInterior(QSizeF outer)
{
    return QSize(std::max(0, wholePixels(outer.width()) - 2 * PlaneBorder),
                 std::max(0, wholePixels(outer.height()) - 2 * PlaneBorder));
}

results::Recipe Planes::asked() const
{
    results::Recipe r = recipe;
    for (const Channel c : Channels)
        if (const auto &a = automatic[c])
            r.automatic[c] = a->method;
    return r;
}

QImage Planes::box(Channel channel) const
{
    QImage box(planeInterior(outer[channel]), QImage::Format_RGB32);
    if (box.isNull())
        return box;
    box.fill(core::toArgb(stage::Ground));
    const QImage &drawn = blocks[channel];
    const int w = std::min(drawn.width(), box.width() - 1);
    const int h = std::min(drawn.height(), box.height() - 1);
    for (int y = 0; y < h; ++y)
        std::copy_n(reinterpret_cast<const QRgb *>(drawn.constScanLine(y)), std::max(0, w),
                    reinterpret_cast<QRgb *>(box.scanLine(y + 1)) + 1);
    return box;
}

QImage Planes::zoom(Channel channel) const
{
    const QSizeF &blue = outer[Channel::Blue];
    const QSizeF view = geometry::magnifierView(static_cast<float>(blue.width()),
                                                static_cast<float>(blue.height()));
    const QSize into = planeInterior(view);
    const QImage from = box(channel);
    if (into.isEmpty() || from.isNull()) {
        // Nothing to enlarge: the box stays as it was erased.
        QImage blank(into, QImage::Format_RGB32);
        blank.fill(Qt::white);
        return blank;
    }
    return core::stretchCopy(from, from.rect(), into);
}

QImage Planes::image(View view, Channel zoomed) const
{
    if (view == View::Zoom)
        return zoom(zoomed);
    const auto channel = static_cast<Channel>(view);
    return blocks[channel].isNull() ? box(channel) : blocks[channel];
}

results::Entries Planes::record(View view, results::Source source) const
{
    if (view == View::Zoom)
        source.picture = {};
    return results::describe(source, recipe);
}

const core::ColourSurface &Runner::stage(const Preview &preview, const QRect &region)
{
    readStage(preview.picture.image, preview.side, region, surface_);
    return surface_;
}

scan::BlockHistograms Runner::histograms(const Scene &scene, const results::Recipe &recipe)
{
    scan::ScanParams p = scanParams(scene, recipe);
    p.threshold = true;
    scene.read(scan::scanGrid(p).sampled, surface_);
    return scanner_.histograms(surface_, p);
}

Planes Runner::run(const Preview &preview, const results::Recipe &recipe)
{
    results::Recipe r = recipe;
    r.size = preview.side;
    return run(scene(preview), r);
}

Result<scan::BlockHistograms> Runner::stackHistograms(picture::Frames &frames,
                                                      const QList<int> &numbers,
                                                      const results::Recipe &recipe,
                                                      const std::function<bool(int)> &goOn)
{
    scan::BlockHistograms sum;
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        if (goOn && !goOn(int(i)))
            return Failure{};
        const int number = numbers[i];
        picture::LoadResult frame = frames.read(number - 1, recipe.size);
        if (!frame)
            return Failure{QStringLiteral("frame %1: %2").arg(number).arg(frame.error())};
        const scan::BlockHistograms counted =
            histograms(scene(Preview{std::move(*frame), recipe.size}), recipe);
        for (const Channel c : Channels)
            for (std::size_t v = 0; v < counted.bins[c].size(); ++v)
                sum.bins[c][v] += counted.bins[c][v];
        sum.blocks += counted.blocks;
    }
    return sum;
}

PerChannel<std::optional<Planes::Automatic>> Runner::automatic(const Scene &scene,
                                                               const results::Recipe &recipe,
                                                               const scan::BlockHistograms *counted)
{
    PerChannel<std::optional<Planes::Automatic>> out;
    if (std::none_of(recipe.automatic.begin(), recipe.automatic.end(),
                     [](const auto &m) { return m.has_value(); }))
        return out;
    const scan::BlockHistograms own = counted ? scan::BlockHistograms{} : histograms(scene, recipe);
    const scan::BlockHistograms &values = counted ? *counted : own;
    for (const Channel c : Channels)
        if (const std::optional<histogram::Method> method = recipe.automatic[c])
            out[c] = Planes::Automatic{*method, histogram::threshold(*method, values.bins[c])};
    return out;
}

std::vector<Trial> Runner::tryAll(const Scene &scene, const results::Recipe &recipe,
                                  Channel channel)
{
    results::Recipe r = results::held(recipe);
    r.threshold = true;
    r.reduction = false;
    r.automatic = {};
    const scan::ScanParams base = scanParams(scene, r);
    scene.read(scan::scanGrid(base).sampled, surface_);
    const histogram::Bins bins = scanner_.histograms(surface_, base).bins[channel];
    std::vector<Trial> trials;
    for (const histogram::Method method : histogram::Methods) {
        Trial trial{method, histogram::threshold(method, bins), {}};
        if (trial.threshold) {
            scan::ScanParams p = base;
            p.bands[channel] = {*trial.threshold, std::max(p.bands[channel].hi, *trial.threshold)};
            const scan::ScanPlanes &planes = scanner_.scan(surface_, p);
            trial.plane = blocksImage(planes.nx, planes.ny, planes.planes[channel].data());
            if (trial.plane.isNull()) {
                trial.plane = QImage(1, 1, QImage::Format_RGB32);
                trial.plane.fill(Qt::white);
            }
        }
        trials.push_back(std::move(trial));
    }
    // And a tile a local method, with the recipe's neighbourhood and parameters.
    for (const local::Method method : local::Methods) {
        results::Recipe withLocal = r;
        withLocal.local = {};
        withLocal.local[channel] = method;
        const scan::ScanPlanes &planes = scan(base, withLocal);
        Trial trial{histogram::Method::Default, std::nullopt,
                    blocksImage(planes.nx, planes.ny, planes.planes[channel].data()), method};
        trials.push_back(std::move(trial));
    }
    return trials;
}

Planes Runner::run(const Scene &scene, const results::Recipe &recipe,
                   const scan::BlockHistograms *counted)
{
    Planes out;
    results::Recipe r = results::held(recipe);
    // Each method takes its channel's minimum from the block values; the maximum is kept as far
    // as the new minimum allows.
    out.automatic = automatic(scene, r, counted);
    for (const Channel c : Channels) {
        if (!out.automatic[c])
            continue;
        if (const std::optional<int> t = out.automatic[c]->threshold)
            r.bands[c] = {*t, std::max(r.bands[c].hi, *t)};
        else
            r.automatic[c].reset();
    }
    const scan::ScanParams p = scanParams(scene, r);
    const QSizeF planes = geometry::planeSize(p.iw, p.ih, p.rx, p.ry);
    for (QSizeF &outer : out.outer)
        outer = planes;
    if (r.reduction) {
        reduction::ReductionParams q;
        q.iw = p.iw;
        q.ih = p.ih;
        q.n = r.rx;
        q.firstX = scene.first.x();
        q.firstY = scene.first.y();
        scene.read(reduction::reductionGrid(q).sampled, surface_);
        reduction::riduzione(surface_, q, reduced_);
        out.blocks[Channel::Blue] =
            blocksImage(reduced_.columns, reduced_.rows, reduced_.colours.data());
    } else {
        scene.read(scan::scanGrid(p).sampled, surface_);
        const scan::ScanPlanes &scanned = scan(p, r);
        for (const Channel c : Channels)
            out.blocks[c] = blocksImage(scanned.nx, scanned.ny, scanned.planes[c].data());
        if (p.threshold)
            out.measured = scan::measure(scanned);
    }
    out.recipe = r;
    return out;
}

const scan::ScanPlanes &Runner::scan(const scan::ScanParams &p, const results::Recipe &r)
{
    if (!p.threshold || !r.anyLocal())
        return scanner_.scan(surface_, p);
    // A local channel's blocks are judged on the plane of block values an RGB scan of the same
    // settings draws; the others by their bands, as always.
    scan::ScanParams values = p;
    values.threshold = false;
    const scan::ScanPlanes &drawn = scanner_.scan(surface_, values);
    marked_.nx = drawn.nx, marked_.ny = drawn.ny;
    const std::size_t n = std::size_t(drawn.nx) * std::size_t(drawn.ny);
    // Where a channel's marks take long (Otsu's histograms, a large plane), each channel on a
    // core of its own where the pool has one to spare, the first on this thread; the others
    // take less time than waking a thread.
    const auto markChannel = [&](Channel c) {
        Local &l = local_[c];
        const int shift = 8 * static_cast<int>(c);
        l.values.resize(n);
        l.marks.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            l.values[i] = std::uint8_t(drawn.planes[c][i] >> shift);
        l.thresholder.mark(*r.local[c], r.localParams(), l.values.data(), drawn.nx, drawn.ny,
                           l.marks.data());
        const core::Colour in = scan::markerColour(c), out = scan::unmarkedColour();
        for (std::size_t i = 0; i < n; ++i)
            marked_.planes[c][i] = l.marks[i] ? in : out;
    };
    std::vector<Channel> locals;
    for (const Channel c : Channels) {
        marked_.planes[c].resize(n);
        if (r.local[c])
            locals.push_back(c);
    }
    const bool long_ = n > 250'000 || std::any_of(locals.begin(), locals.end(), [&](Channel c) {
                           return *r.local[c] == local::Method::Otsu;
                       });
    QSemaphore done;
    int handed = 0;
    for (std::size_t i = 1; i < locals.size(); ++i)
        if (long_ && QThreadPool::globalInstance()->tryStart([&, c = locals[i]] {
                markChannel(c);
                done.release();
            }))
            ++handed;
        else
            markChannel(locals[i]);
    markChannel(locals[0]);
    done.acquire(handed);
    if (std::any_of(r.local.begin(), r.local.end(), [](const auto &m) { return !m; })) {
        const scan::ScanPlanes &banded = scanner_.scan(surface_, p);
        for (const Channel c : Channels)
            if (!r.local[c])
                std::copy(banded.planes[c].begin(), banded.planes[c].end(),
                          marked_.planes[c].begin());
    }
    return marked_;
}

Result<void> save(const QImage &image, const QString &path, const results::Entries &record,
                  Sync sync)
{
    const Result<void> saved = picture::savePng(image, path, record,
                                                sync == Sync::Each ? picture::Durability::Synced
                                                                   : picture::Durability::Deferred);
    if (!saved)
        qCInfo(lcPipeline) << "not written" << path << saved.error();
    return saved;
}

Result<void> syncAll(const QString &folder)
{
    return picture::syncFileSystem(folder);
}

Result<void> writePlanes(const Planes &planes, const results::Source &source,
                         const std::vector<Target> &targets, Channel zoomed, Sync sync,
                         QThreadPool *spare)
{
    const auto one = [&](const Target &t) {
        return save(planes.image(t.view, zoomed), t.path, planes.record(t.view, source), sync);
    };
    std::vector<Result<void>> saved(targets.size());
    QSemaphore done;
    int handed = 0;
    const int helpers = spare ? spare->maxThreadCount() : 0;
    for (std::size_t i = 1; i < targets.size() && handed < helpers; ++i) {
        ++handed;
        spare->start([&, i] {
            saved[i] = one(targets[i]);
            done.release();
        });
    }
    for (std::size_t i = 0; i < targets.size(); ++i)
        if (i == 0 || i > std::size_t(handed))
            saved[i] = one(targets[i]);
    done.acquire(handed);
    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (saved[i])
            continue;
        for (std::size_t j = 0; j < saved.size(); ++j)
            if (saved[j])
                QFile::remove(targets[j].path);
        return Failure{QStringLiteral("%1: %2").arg(targets[i].name, saved[i].error())};
    }
    return {};
}

} // namespace pipeline
