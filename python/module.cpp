// The module `tintara`: the scan from Python, on numpy arrays, with the batch's files.

#include "core/channelscan.h"
#include "core/quoting.h"
#include "picture/contenthash.h"
#include "picture/recipefile.h"
#include "pipeline/planefiles.h"
#include "pipeline/stage.h"
#include "python/arguments.h"
#include "python/planes.h"
#include "python/scene.h"
#include "tintara/appinfo.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <stdexcept>

namespace py = pybind11;
using namespace py::literals;
using namespace tintara_python;

namespace {

// Raised as tintara.PictureError and tintara.RecipeError, with the reason the window gives.
struct PictureFailure : std::runtime_error {
    PictureFailure(const QString &path, const QString &why)
        : std::runtime_error(
              failureText(QStringLiteral("Cannot load the picture"), path, why, Wording::Line)
                  .toStdString())
        , path(path)
    {}
    QString path;
};
struct RecipeFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A path as Python gives one: str, bytes or os.PathLike.
QString pathOf(const py::handle &path)
{
    const py::object spelled = py::module_::import("os").attr("fspath")(path);
    if (py::isinstance<py::bytes>(spelled))
        return QFile::decodeName(QByteArray::fromStdString(spelled.cast<std::string>()));
    return QString::fromStdString(spelled.cast<std::string>());
}

bool isPath(const py::handle &value)
{
    return py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value) ||
           py::hasattr(value, "__fspath__");
}

std::string text(const QString &s)
{
    return s.toStdString();
}

py::array load(const py::object &file, int size)
{
    checkSide(size);
    const QString path = pathOf(file);
    auto loaded = std::make_shared<LoadedPreview>();
    QString failure;
    {
        py::gil_scoped_release unlocked;
        Result<pipeline::Preview> preview = pipeline::load(path, size);
        if (!preview)
            failure = preview.error();
        else {
            // What the batch records of the picture, taken of the bytes just read.
            const Result<QString> hash = picture::contentHash(path, preview->picture.file);
            if (!hash)
                failure = hash.error();
            else {
                loaded->source = {QFileInfo(path).absoluteFilePath(), *hash, preview->picture.size,
                                  QLatin1String(appinfo::Version)};
                loaded->preview = std::move(*preview);
                // The preview's pixels as the window shows them: a transparent picture over the
                // window's ground.
                const QRect shown(pipeline::stage::PreviewAt, loaded->preview.picture.image.size());
                core::ColourSurface surface;
                pipeline::readStage(loaded->preview.picture.image, size, shown, surface);
                loaded->width = shown.width();
                loaded->height = shown.height();
                loaded->rgb.resize(surface.values.size() * 3);
                std::uint8_t *to = loaded->rgb.data();
                for (const core::Colour c : surface.values) {
                    *to++ = std::uint8_t(c & 0xff);
                    *to++ = std::uint8_t((c >> 8) & 0xff);
                    *to++ = std::uint8_t((c >> 16) & 0xff);
                }
            }
        }
    }
    if (!failure.isEmpty())
        throw PictureFailure(path, failure);
    const py::ssize_t w = loaded->width, h = loaded->height;
    const std::uint8_t *data = loaded->rgb.data();
    return py::array_t<std::uint8_t>({h, w, py::ssize_t(3)},
                                     {w * 3, py::ssize_t(3), py::ssize_t(1)}, data,
                                     py::cast(std::move(loaded)));
}

// Runs the recipe on the image, as scan() takes it; a loaded preview at its own size.
ScanResult runOn(const py::handle &image, results::Recipe recipe)
{
    const Pixels pixels = pixelsOf(image);
    if (pixels.loaded)
        recipe.size = pixels.loaded->preview.side;
    // The scan counts blocks in 16 bits.
    const QSizeF size = sceneOf(pixels).size;
    const auto steps = [](double length, int rate) {
        return std::floor((length - 1) / rate) + 1;
    };
    if (steps(size.width(), recipe.rx) > 32767 || steps(size.height(), recipe.ry) > 32767)
        throw py::value_error("the image makes more than 32767 blocks a side at rate " +
                              std::to_string(recipe.rx) + "x" + std::to_string(recipe.ry));
    return run(pixels, recipe);
}

// A recipe as Python holds it.
struct PyRecipe {
    results::Recipe recipe;
};

PyRecipe recipeFromFile(const py::object &file)
{
    const QString path = pathOf(file);
    if (!QFileInfo::exists(path)) {
        PyErr_SetObject(PyExc_FileNotFoundError,
                        py::make_tuple(2, "No such file or directory", text(path)).ptr());
        throw py::error_already_set();
    }
    Result<std::optional<results::Recorded>> read = [&] {
        py::gil_scoped_release unlocked;
        return picture::readRecipe(path);
    }();
    if (!read)
        throw RecipeFailure(text(read.error()));
    if (!*read)
        throw RecipeFailure(text(path) + " holds no recipe");
    return {(*read)->recipe};
}

std::optional<Channel> zoomOf(const py::handle &zoom)
{
    if (zoom.is_none())
        return std::nullopt;
    for (const Channel c : Channels)
        if (py::isinstance<py::str>(zoom) &&
            (zoom.cast<std::string>() == text(channelName(c)) ||
             zoom.cast<std::string>() == text(channelName(c).left(1))))
            return c;
    throw py::value_error("zoom must be \"red\", \"green\", \"blue\" or None, not " +
                          std::string(py::repr(zoom)));
}

int thresholdOf(const py::handle &data, const py::handle &method, std::optional<int> &out)
{
    const histogram::Method m = methodOf(method);
    if (!py::isinstance<py::array>(data) && !py::isinstance<py::sequence>(data))
        throw py::type_error("threshold() takes a uint8 array of values or 256 counts");
    const py::array a = py::array::ensure(data);
    if (!a)
        throw py::error_already_set();
    histogram::Bins bins{};
    if (a.dtype().is(py::dtype::of<std::uint8_t>())) {
        const auto values =
            py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>::ensure(a);
        const std::uint8_t *v = values.data();
        const py::ssize_t n = values.size();
        py::gil_scoped_release unlocked;
        for (py::ssize_t i = 0; i < n; ++i)
            if (++bins[v[i]] == 0)
                throw std::overflow_error("more than 4294967295 values of one level");
    } else if (a.ndim() == 1 && a.shape(0) == 256 && a.dtype().kind() != 'f' &&
               (a.dtype().kind() == 'i' || a.dtype().kind() == 'u')) {
        const auto counts =
            py::array_t<long long, py::array::c_style | py::array::forcecast>::ensure(a);
        for (int k = 0; k < 256; ++k) {
            const long long c = counts.at(k);
            if (c < 0 || c > 4294967295LL)
                throw py::value_error("a histogram's counts must be 0 to 4294967295, not " +
                                      std::to_string(c));
            bins[std::size_t(k)] = std::uint32_t(c);
        }
    } else {
        std::string shape;
        for (py::ssize_t i = 0; i < a.ndim(); ++i)
            shape += (i ? ", " : "") + std::to_string(a.shape(i));
        throw py::type_error("threshold() takes a uint8 array of values or 256 whole counts, not "
                             "an array of " +
                             std::string(py::str(a.dtype())) + " shaped (" + shape + ")");
    }
    out = histogram::threshold(m, bins);
    return 0;
}

// Planes as Python holds them, their arrays made once, when first asked for.
struct PyPlanes {
    ScanResult result;
    PerChannel<py::object> arrays;
    py::object reduced;
};

const char *const ScanDoc =
    R"(scan(image, rate=3, type="media", threshold=None, auto=None, overlap=False,
     local=None, radius=15, params=(0, 0), white=True)

Splits an image block by block into red, green and blue planes.

image: a uint8 array of shape (height, width, 3) or (height, width, 4), of any
  strides; it is read where it lies, without a copy. A fourth channel is not
  read. An array from load() (or a whole view of it) is scanned as the window
  scans its preview: blocks past the preview's right and lower edges take in
  the window's ground and outlines there, and Planes.save() writes what
  `tintara --batch` writes. Any other array is scanned as it is: the grid
  starts at its top-left pixel, and a partial last block at its right or lower
  edge reads white (255, 255, 255) for the pixels past the edge.
rate: the block's width and height in pixels, 3 to 30, or a pair (x, y).
type: "media" (the average, rounded half to even), "massimo", "minimo",
  "massimo-minimo", or "nessuno" (every block 0).
threshold: None for the channels' values; True for markers with the bands
  (128, 255); a pair (lo, hi) for all three channels, or a dict such as
  {"red": (lo, hi)} with the others at (128, 255). A block is marked when
  lo < value <= hi, tested on the unrounded value.
auto: an automatic method (see METHODS) for every channel's lo, or a dict such
  as {"red": "Li"}: each lo comes from the block values, as the histogram
  window's Apply sets it, hi kept as far as the new lo allows. It implies
  threshold=True unless threshold=False is given.
overlap: each block also takes the pixels one step into its right and lower
  neighbours, so that an edge on a block boundary is inside some block.
local: a local method (see LOCAL_METHODS) for every channel, or a dict such as
  {"red": "Sauvola"}: the channel's blocks are marked where Fiji's Auto Local
  Threshold, run on the plane of block values that an RGB scan draws, finds an
  object, instead of by a band. It implies threshold=True unless
  threshold=False is given, and no channel takes both auto and local.
radius: the local methods' neighbourhood, in blocks (1 to 100).
params: their two parameters, 0 for each method's default.
white: objects brighter than their ground (False: darker).

Returns a Planes. Raises TypeError or ValueError, saying why, for an image or
a setting it cannot take. The scan runs without the GIL.)";

} // namespace

PYBIND11_MODULE(tintara, m)
{
    // Each docstring starts with its signature as Python callers write it; pybind11's own would
    // say `object` for every argument.
    py::options options;
    options.disable_function_signatures();
    m.doc() = "Tintara's scan: numpy arrays in, red, green and blue block planes out, and the "
              "files tintara --batch writes.";
    m.attr("__version__") = appinfo::Version;
    // A PictureError names its file as OSError does, in `filename`.
    static py::exception<PictureFailure> pictureError(m, "PictureError", PyExc_OSError);
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown)
                std::rethrow_exception(thrown);
        } catch (const PictureFailure &e) {
            py::object error = py::handle(pictureError.ptr())(e.what());
            error.attr("filename") = text(e.path);
            PyErr_SetObject(pictureError.ptr(), error.ptr());
        }
    });
    py::register_exception<RecipeFailure>(m, "RecipeError", PyExc_ValueError);
    m.attr("PictureError").attr("__doc__") =
        "A picture that cannot be loaded, with the reason the window gives.";
    m.attr("RecipeError").attr("__doc__") =
        "A recipe that cannot be used: damaged, of another program or of a newer format.";
    m.attr("METHODS") = methodNames();
    {
        py::tuple names(local::Methods.size());
        for (std::size_t i = 0; i < local::Methods.size(); ++i)
            names[i] = py::str(local::methodName(local::Methods[i]));
        m.attr("LOCAL_METHODS") = names;
    }

    py::class_<LoadedPreview, std::shared_ptr<LoadedPreview>>(
        m, "Preview",
        "Where an array from load() came from: it is that array's base, and it keeps the window's "
        "stage that scan() reads around the preview.")
        .def_property_readonly("path", [](const LoadedPreview &p) { return text(p.source.path); })
        .def_property_readonly("picture_size",
                               [](const LoadedPreview &p) {
                                   return py::make_tuple(p.source.picture.width(),
                                                         p.source.picture.height());
                               })
        .def_property_readonly("size", [](const LoadedPreview &p) { return p.preview.side; })
        .def("__repr__", [](const LoadedPreview &p) {
            return "<tintara.Preview of " + text(p.source.path) + " in " +
                   std::to_string(p.preview.side) + ">";
        });

    m.def("load", &load, "path"_a, "size"_a = 500,
          R"(load(path, size=500)

Loads a picture as the window shows it: fitted into a square of `size` (200,
300, 400 or 500), its colours and orientation as the window has them, a
transparent picture over the window's ground. Returns a (height, width, 3)
uint8 array whose base, a Preview, makes scan() read it as the window does.
Raises PictureError with the window's reason for a file it cannot load.)");

    py::class_<PyPlanes> planes(m, "Planes", "What a scan or a reduction made of an image.");
    // One property a channel, each array made when first asked for.
    for (const Channel c : Channels)
        planes.def_property_readonly(
            channelName(c).toLatin1().constData(),
            [c](PyPlanes &p) -> py::object {
                if (!p.arrays[c])
                    p.arrays[c] = channelArray(p.result, c);
                return p.arrays[c];
            },
            c == Channel::Red
                ? "The red plane, (rows, columns) uint8: block values, or 255 for a marked block "
                  "and 0 for the others after a threshold scan. None after a reduction."
                : "The plane of its channel, as red.");
    planes
        .def_property_readonly(
            "reduced",
            [](PyPlanes &p) -> py::object {
                if (!p.reduced)
                    p.reduced = reducedArray(p.result);
                return p.reduced;
            },
            "After a reduction, the reduced picture, (rows, columns, 3) uint8; None after a scan.")
        .def_property_readonly(
            "bands",
            [](const PyPlanes &p) -> py::object {
                if (!p.result.planes.recipe.threshold)
                    return py::none();
                return bandsOf(p.result.planes.recipe);
            },
            "After a threshold scan, each channel's band (lo, hi) as scanned, lo from its "
            "automatic method where it had one; None after anything else.")
        .def_property_readonly(
            "automatic", [](const PyPlanes &p) { return automaticOf(p.result); },
            "{channel: {\"method\": name, \"threshold\": lo or None}} for the channels whose lo "
            "an automatic method was asked for; None where the method found none and the band "
            "stayed as given.")
        .def_property_readonly(
            "local", [](const PyPlanes &p) { return localsOf(p.result.planes.recipe); },
            "{channel: {\"method\", \"radius\", \"params\", \"white\"}} for the channels "
            "whose blocks a local method marked, instead of their bands.")
        .def_property_readonly(
            "measurements", [](const PyPlanes &p) { return measurementsOf(p.result); },
            "The columns `tintara --batch --measure` writes, but the file and its status: the "
            "settings, then how many blocks each channel tested and marked and the share; the "
            "counts None after anything but a threshold scan.")
        .def_property_readonly(
            "recipe",
            [](const PyPlanes &p) {
                return entriesOf(p.result.planes.record(View::Red, p.result.source));
            },
            "The record saved with the planes, entry by entry, as in the PNG files.")
        .def(
            "save",
            [](const PyPlanes &p, const py::object &folder, const py::object &zoom,
               const py::object &stem) {
                return save(p.result, pathOf(folder), zoomOf(zoom),
                            stem.is_none() ? p.result.stem : pathOf(stem));
            },
            "folder"_a, py::kw_only(), "zoom"_a = py::none(), "stem"_a = py::none(),
            R"(save(folder, *, zoom=None, stem=None)

Writes the planes as PNG files with their record into `folder`, made when
missing: exactly the files `tintara --batch` writes for the same picture and
settings, named "<stem>-<view>-<type>-<x>x<y>.png". The stem is the picture's
name without its suffix, "tintara" for an array; `zoom` ("red", "green" or
"blue") adds the zoom box showing that plane, as --zoom does. Files of the
same names are replaced. Every file is written whole or not at all, and they
are on the disk when it returns. Returns the paths written; raises OSError,
writing nothing, when one cannot be written.)")
        .def("__repr__", [](const PyPlanes &p) {
            const results::Recipe &r = p.result.planes.recipe;
            const QImage &b = p.result.planes.blocks[Channel::Blue];
            return "<tintara.Planes " +
                   (r.reduction ? std::string("reduction")
                                : text(results::selectionName(r.selection)) +
                                      (r.threshold ? " threshold" : "")) +
                   " " + std::to_string(r.rx) + "x" + std::to_string(r.ry) + ", " +
                   std::to_string(b.width()) + "x" + std::to_string(b.height()) + " blocks>";
        });

    m.def(
        "scan",
        [](const py::object &image, const py::object &rate, const py::object &type,
           const py::object &threshold, const py::object &automatic, const py::object &overlap,
           const py::object &local, const py::object &radius, const py::object &params,
           const py::object &white) {
            return PyPlanes{runOn(image, recipeOf({rate, type, threshold, automatic, overlap, local,
                                                   radius, params, white})),
                            {},
                            {}};
        },
        "image"_a, "rate"_a = 3, "type"_a = "media", "threshold"_a = py::none(),
        "auto"_a = py::none(), "overlap"_a = false, "local"_a = py::none(), "radius"_a = 15,
        "params"_a = py::make_tuple(0, 0), "white"_a = true, ScanDoc);

    m.def(
        "reduce",
        [](const py::object &image, const py::object &rate) {
            Keywords k{rate, {}, {}, {}, {}};
            k.reduction = true;
            return PyPlanes{runOn(image, recipeOf(k)), {}, {}};
        },
        "image"_a, "rate"_a = 3,
        R"(reduce(image, rate=3)

The pixel reduction: one pixel every `rate` pixels (3 to 30) both ways, from
the image's top-left pixel, as Planes.reduced. The image is taken as scan()
takes it.)");

    m.def(
        "threshold",
        [](const py::object &data, const py::object &method) -> py::object {
            std::optional<int> t;
            thresholdOf(data, method, t);
            return t ? py::object(py::int_(*t)) : py::object(py::none());
        },
        "values_or_histogram"_a, "method"_a,
        R"(threshold(values_or_histogram, method)

An automatic method's threshold t (0 to 255; values above t are the marked
side), as ImageJ's AutoThresholder gives it: of a uint8 array of values, of
any shape, or of a 1-D array of 256 whole counts. None where the method has
no answer (fewer than two distinct values; no two peaks). `method` is one of
METHODS, in any case.)");

    py::class_<PyRecipe>(m, "Recipe",
                         "The settings that make planes, as recipe files and saved planes hold "
                         "them.")
        .def(py::init([](int size, const py::object &rate, const py::object &type,
                         const py::object &threshold, const py::object &automatic,
                         const py::object &overlap, bool reduction, const py::object &local,
                         const py::object &radius, const py::object &params,
                         const py::object &white) {
                 checkSide(size);
                 Keywords k{rate,  type,   threshold, automatic, overlap,
                            local, radius, params,    white};
                 k.reduction = reduction;
                 k.size = size;
                 return PyRecipe{recipeOf(k)};
             }),
             py::kw_only(), "size"_a = 500, "rate"_a = 3, "type"_a = "media",
             "threshold"_a = py::none(), "auto"_a = py::none(), "overlap"_a = false,
             "reduction"_a = false, "local"_a = py::none(), "radius"_a = 15,
             "params"_a = py::make_tuple(0, 0), "white"_a = true,
             "Recipe(*, size=500, rate=3, type=\"media\", threshold=None, auto=None, "
             "overlap=False, reduction=False, local=None, radius=15, params=(0, 0), "
             "white=True): the settings as scan() takes them, and the preview's size for run() "
             "on a file.")
        .def_static("load", &recipeFromFile, "path"_a,
                    R"(Recipe.load(path)

Reads the recipe of a .tintara.json file or of a plane saved by the window or
the batch. Raises RecipeError, saying why, for one that cannot be used, and
FileNotFoundError for no file.)")
        .def(
            "run",
            [](const PyRecipe &r, const py::object &target) {
                py::object image = target;
                if (isPath(target))
                    image = load(target, r.recipe.size);
                return PyPlanes{runOn(image, r.recipe), {}, {}};
            },
            "path_or_image"_a,
            "run(path_or_image)\n\nRuns the recipe on a picture file, loaded at the recipe's size, "
            "or "
            "on an image as scan() takes it; returns a Planes.")
        .def_property_readonly(
            "entries", [](const PyRecipe &r) { return entriesOf(results::describe({}, r.recipe)); },
            "The recipe's entries, as a .tintara.json file holds them.")
        .def_property_readonly(
            "arguments",
            [](const PyRecipe &r) {
                std::vector<std::string> out;
                for (const QString &a : results::batchArguments(r.recipe))
                    out.push_back(text(a));
                return out;
            },
            "The options of `tintara --batch` that make the same planes.")
        .def_property_readonly("size", [](const PyRecipe &r) { return r.recipe.size; })
        .def_property_readonly(
            "rate", [](const PyRecipe &r) { return py::make_tuple(r.recipe.rx, r.recipe.ry); })
        .def_property_readonly(
            "type",
            [](const PyRecipe &r) { return text(results::selectionName(r.recipe.selection)); })
        .def_property_readonly("threshold",
                               [](const PyRecipe &r) -> py::object {
                                   if (!r.recipe.threshold)
                                       return py::none();
                                   return bandsOf(r.recipe);
                               })
        .def_property_readonly("auto",
                               [](const PyRecipe &r) {
                                   py::dict out;
                                   for (const Channel c : Channels)
                                       if (const auto &a = r.recipe.automatic[c])
                                           out[py::str(text(channelName(c)))] =
                                               histogram::methodName(*a);
                                   return out;
                               })
        .def_property_readonly("overlap", [](const PyRecipe &r) { return r.recipe.overlap; })
        .def_property_readonly("local", [](const PyRecipe &r) { return localsOf(r.recipe); })
        .def_property_readonly("reduction", [](const PyRecipe &r) { return r.recipe.reduction; })
        .def("__eq__", [](const PyRecipe &a, const PyRecipe &b) { return a.recipe == b.recipe; })
        .def("__repr__", [](const PyRecipe &r) {
            return "<tintara.Recipe " +
                   text(results::shellQuoted(results::batchArguments(r.recipe))) + ">";
        });
}
