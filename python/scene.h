#pragma once

// Arrays as the scan reads them: a numpy array's pixels, or a loaded preview on the window's
// stage, without copying the array.

#include "pipeline/pipeline.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <QString>
#include <memory>

namespace tintara_python {

namespace py = pybind11;

// A picture loaded as the window shows it: what the preview array returned by load() keeps
// alive as its base, so that scanning that array scans the window's stage around it.
struct LoadedPreview {
    pipeline::Preview preview;
    results::Source source;
    int width = 0, height = 0; // of the array: the preview's pixels
    std::vector<std::uint8_t> rgb;
};

// An (h, w, 3) or (h, w, 4) uint8 array as the scan reads it, strides of any sign. It holds no
// reference: its caller keeps the array alive, and it may be copied without the GIL.
struct Pixels {
    const std::uint8_t *data = nullptr;
    py::ssize_t height = 0, width = 0, rowStep = 0, columnStep = 0, channelStep = 0;
    std::shared_ptr<const LoadedPreview> loaded; // where the array is a loaded preview, whole
};

// The array an argument stands for, checked: a TypeError for anything of another dtype, a
// ValueError for another shape or no pixels.
Pixels pixelsOf(const py::handle &image);

// What the scan reads for the pixels: a loaded preview on its stage, or the array alone, its
// top-left pixel first, with nothing around it.
pipeline::Scene sceneOf(const Pixels &pixels);

} // namespace tintara_python
