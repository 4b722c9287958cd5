#pragma once

// The batch room (tintara_batch, POSIX systems only), the top: the batch's parent (options,
// picture list, output plan, dispatch to workers over pipes, reports) and its workers, each
// driving one off-screen Form1 through its public members. Usage errors and reports go to the
// terminal through platform::complain(); the rest is logged as tintara.batch.

namespace batch {

// Whether the program was started for a batch (`--batch`) or as one of a batch's workers.
bool requested(int argc, char *argv[]);

// Runs the batch or the worker; returns the exit status: 0 when every picture was processed or
// skipped, 1 when any was refused, 2 for a usage error, 130 when interrupted.
int main(int argc, char *argv[]);

} // namespace batch
