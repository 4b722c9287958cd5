#pragma once

#include <QString>

namespace platform {

// Starts the program at `path` on its own, with no arguments and no shell in between, and does
// not watch it. Returns false when it cannot be started.
bool startProgram(const QString &path);

} // namespace platform
