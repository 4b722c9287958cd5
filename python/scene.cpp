#include "python/scene.h"

#include "pipeline/stage.h"

#include <algorithm>

namespace tintara_python {

namespace {

template <int Step> void pack(const std::uint8_t *from, core::Colour *to, int n)
{
    for (int x = 0; x < n; ++x, from += Step)
        to[x] = core::Colour(from[0] | (from[1] << 8) | (from[2] << 16));
}

// Puts the array's pixels, placed with their top-left pixel at `at`, over the surface where
// they fall inside it.
void overlay(const Pixels &px, QPoint at, core::ColourSurface &out)
{
    const QRect inside = out.rect & QRect(at, QSize(int(px.width), int(px.height)));
    if (inside.isEmpty())
        return;
    const std::size_t stride = std::size_t(out.rect.width());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        core::Colour *to = out.values.data() + std::size_t(y - out.rect.top()) * stride +
                           std::size_t(inside.left() - out.rect.left());
        const std::uint8_t *from =
            px.data + (y - at.y()) * px.rowStep + (inside.left() - at.x()) * px.columnStep;
        // Packed pixels, as numpy and load() lay them out, in a loop the compiler vectorizes.
        if (px.channelStep == 1 && (px.columnStep == 3 || px.columnStep == 4))
            px.columnStep == 3 ? pack<3>(from, to, inside.width())
                               : pack<4>(from, to, inside.width());
        else
            for (int x = 0; x < inside.width(); ++x, from += px.columnStep)
                to[x] = core::RGB(from[0], from[px.channelStep], from[2 * px.channelStep]);
    }
}

} // namespace

Pixels pixelsOf(const py::handle &image)
{
    if (!py::isinstance<py::array>(image))
        throw py::type_error(
            std::string("image must be a numpy array of uint8, (height, width, 3) or (height, "
                        "width, 4), not ") +
            std::string(py::str(py::type::handle_of(image).attr("__name__"))));
    const auto array = py::reinterpret_borrow<py::array>(image);
    if (!array.dtype().is(py::dtype::of<std::uint8_t>()))
        throw py::type_error("image must be an array of uint8, not " +
                             std::string(py::str(array.dtype())));
    if (array.ndim() != 3 || (array.shape(2) != 3 && array.shape(2) != 4)) {
        std::string shape;
        for (py::ssize_t i = 0; i < array.ndim(); ++i)
            shape += (i ? ", " : "") + std::to_string(array.shape(i));
        throw py::value_error("image must have the shape (height, width, 3) or (height, width, "
                              "4), not (" +
                              shape + (array.ndim() == 1 ? ",)" : ")"));
    }
    if (array.shape(0) == 0 || array.shape(1) == 0)
        throw py::value_error("image has no pixels");
    Pixels px;
    px.data = static_cast<const std::uint8_t *>(array.data());
    px.height = array.shape(0);
    px.width = array.shape(1);
    px.rowStep = array.strides(0);
    px.columnStep = array.strides(1);
    px.channelStep = array.strides(2);
    // The array load() returned, or a whole view of it: its base is the loaded preview.
    py::object base = array.attr("base");
    while (py::isinstance<py::array>(base))
        base = base.attr("base");
    if (py::isinstance<LoadedPreview>(base)) {
        std::shared_ptr<const LoadedPreview> loaded = base.cast<std::shared_ptr<LoadedPreview>>();
        const py::ssize_t columns = 3;
        if (px.data == loaded->rgb.data() && px.height == loaded->height &&
            px.width == loaded->width && array.shape(2) == columns &&
            px.rowStep == loaded->width * columns && px.columnStep == columns &&
            px.channelStep == 1)
            px.loaded = std::move(loaded);
    }
    return px;
}

pipeline::Scene sceneOf(const Pixels &pixels)
{
    if (pixels.loaded) {
        // The stage as the window shows it, with the array's pixels where the preview lies, as
        // the window shows them: as the caller may have changed them.
        pipeline::Preview shown = pixels.loaded->preview;
        shown.picture.image = QImage(pixels.data, int(pixels.width), int(pixels.height),
                                     qsizetype(pixels.rowStep), QImage::Format_RGB888);
        return pipeline::scene(shown);
    }
    return {QSizeF(double(pixels.width), double(pixels.height)), QPoint(0, 0),
            [pixels](const QRect &region, core::ColourSurface &out) {
                out.rect = region.isValid() ? region : QRect();
                out.values.assign(std::size_t(out.rect.width()) * std::size_t(out.rect.height()),
                                  core::NoColour);
                overlay(pixels, QPoint(0, 0), out);
            }};
}

} // namespace tintara_python
