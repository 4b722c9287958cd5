#pragma once

// Python's keyword arguments as a recipe, and a recipe as Python's values.

#include "core/recipe.h"

#include <pybind11/pybind11.h>

namespace tintara_python {

namespace py = pybind11;

// The settings scan() and Recipe() take, checked: a ValueError naming the argument and what it
// takes for a value out of range or of no method, a TypeError for a value of another kind.
struct Keywords {
    py::handle rate, type, threshold, automatic, overlap;
    // A local method for every channel or a dict of them, its radius in blocks, its two
    // parameters, and whether the objects are white.
    py::handle local = {}, radius = {}, params = {}, white = {};
    bool reduction = false;
    int size = 500;
};
results::Recipe recipeOf(const Keywords &k);
// A ValueError unless the preview's side is one the window offers.
void checkSide(int size);

// The automatic method a name calls for, whatever its case; a ValueError listing the methods
// for any other name.
histogram::Method methodOf(const py::handle &name);
// The methods' names, in the order the histogram window lists them.
py::tuple methodNames();

// A recipe's channel bands, {"red": (lo, hi), ...}.
py::dict bandsOf(const results::Recipe &r);
// A recipe's local methods, {"red": {"method", "radius", "params", "white"}, ...}: only the
// channels that have one.
py::dict localsOf(const results::Recipe &r);
// The entries as a dict, in their order.
py::dict entriesOf(const results::Entries &entries);

} // namespace tintara_python
