#pragma once

// What a scan made, as Python sees it: arrays of block values, dicts of what the batch reports,
// and the files the batch writes.

#include "pipeline/pipeline.h"
#include "python/scene.h"

#include <pybind11/pybind11.h>

#include <QString>
#include <optional>

namespace tintara_python {

namespace py = pybind11;

struct ScanResult {
    pipeline::Planes planes;
    results::Source source; // the picture file, for planes of a loaded preview
    QString stem;           // its name without the suffix; empty for an array
};

// Runs the recipe on the pixels without the GIL, on this thread's own storage.
ScanResult run(const Pixels &pixels, const results::Recipe &recipe);

// A channel's blocks, (rows, columns) uint8: the channel's values, or 255 where a threshold
// scan marked the block and 0 where it did not; None after a reduction.
py::object channelArray(const ScanResult &r, Channel c);
// The reduced picture, (rows, columns, 3) uint8; None after a scan.
py::object reducedArray(const ScanResult &r);
// {"red": {"method": "Otsu", "threshold": 84}, ...} for the channels that asked for one.
py::dict automaticOf(const ScanResult &r);
// The columns --measure writes but the file and its status; the counts None after anything
// but a threshold scan.
py::dict measurementsOf(const ScanResult &r);
// Writes the files the batch writes for the same picture and settings into `folder`, made
// when missing, whole or not at all; the paths written.
py::list save(const ScanResult &r, const QString &folder, std::optional<Channel> zoom,
              const QString &stem);

} // namespace tintara_python
