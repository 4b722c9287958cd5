#pragma once

#include <QString>

namespace platform {

// Starts the program at `path` on its own, with no shell in between, and does not watch it:
// with no arguments when `path` is a file, else as a command line of a program and its
// arguments. Returns false when it cannot be started.
bool startProgram(const QString &path);

} // namespace platform
