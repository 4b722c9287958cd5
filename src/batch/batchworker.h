#pragma once

#include "batch/batchoptions.h"
#include "batch/outcome.h"
#include "batch/outputplan.h"

#include <memory>
#include <vector>

class Form1;

namespace batch {

// What a picture's planes need, judged from what is on disk before the picture is decoded:
// Ok with the planes to make (those missing or out of date, every one with --overwrite),
// Skipped when all are up to date, Refused when a plane's name holds another picture's plane
// or the picture itself. The outcome lists every plane's name.
struct Work {
    struct Plane {
        View view;
        QString name, path;
    };
    Outcome outcome;
    std::vector<Plane> toMake;
    QString hash; // the picture's, which its planes record
};
Work planWork(const Settings &s, const Job &job);

// One worker's window, kept from one picture to the next and reset before each to what a new
// window shows: the planes of a picture never depend on the picture before it.
class Worker {
public:
    explicit Worker(const Settings &s);
    ~Worker();

    // The picture as a user would take it: the settings, Load, the command, the zoom; then what
    // "Save As PNG..." writes for each view that is missing (every view with --overwrite).
    Outcome process(const Job &job);

private:
    Settings s_;
    std::unique_ptr<Form1> form_;
};

// One picture through a window of its own, beside the picture or into `s.outDir`.
Outcome processPicture(const Settings &s, const QString &file);

// A worker process: reads jobs (index, path, folder, stem) on its input until it ends and
// answers each with (index, status, reason, ms, outputs...). Interrupts are left to the
// parent, which stops feeding it.
int runWorker(const Settings &s);

} // namespace batch
