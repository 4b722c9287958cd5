#pragma once

// Recipes in files: a .tintara.json file, or the record inside a saved plane.

#include "core/recipe.h"
#include "core/result.h"

#include <QString>
#include <optional>

namespace picture {

// Whether the file is named as a recipe file (".tintara.json", or any ".json").
bool isRecipeName(const QString &path);

// The recipe a file holds: a JSON file's, or a PNG's record. None for a file that is neither
// (a picture; a PNG with no recipe, or one too damaged to say, which the picture loader then
// words). Fails, saying why, on a recipe that cannot be used or a JSON file that cannot be read.
Result<std::optional<results::Recorded>> readRecipe(const QString &path);

// Writes the entries as a .tintara.json file, atomically.
Result<void> saveRecipe(const QString &path, const results::Entries &entries);

} // namespace picture
