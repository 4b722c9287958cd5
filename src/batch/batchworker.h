#pragma once

#include "batch/batchoptions.h"
#include "batch/outcome.h"
#include "batch/outputplan.h"
#include "picture/frames.h"
#include "pipeline/pipeline.h"

#include <QElapsedTimer>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <vector>

namespace batch {

// What a picture's planes need, judged from what is on disk before the picture is decoded:
// Ok with the planes to make (those missing or out of date, every one with --overwrite),
// Skipped when all are up to date, Refused when a plane's name holds another picture's plane
// or the picture itself. The outcome lists every plane's name.
struct Work {
    struct Plane {
        View view;
        QString name, path;
        int frame = 0; // of a stack whose frames were asked for, from 1
    };
    Outcome outcome;
    std::vector<Plane> toMake;
    QString hash; // the picture's, which its planes record
    // With --frames: the stack's frames, opened once, and the numbers of those asked for.
    std::shared_ptr<picture::Frames> frames;
    QList<int> numbers;
};
Work planWork(const Settings &s, const Job &job);

// One worker's pipeline, its storage kept from one picture to the next; the planes of a picture
// never depend on the picture before it.
class Worker {
public:
    explicit Worker(const Settings &s);

    // The picture as the window takes it: loaded at the size, the automatic methods, the
    // command, the zoom; then what "Save As PNG..." writes for each view that is missing (every
    // view with --overwrite). The files reach the disk at the run's end (pipeline::syncAll).
    Outcome process(const Job &job);
    // Called after each frame of a stack, with the job's index.
    void onFrame(std::function<void(qsizetype)> done) { frameDone_ = std::move(done); }

private:
    // Writes a picture's planes, whole or not at all; the reason one could not be.
    std::optional<QString> write(const pipeline::Planes &planes, const results::Source &source,
                                 const std::vector<Work::Plane> &toMake);
    // The frames of a stack asked for with --frames, each as process() takes a picture.
    Outcome processFrames(Work &w, const QString &file, QElapsedTimer &clock);

    Settings s_;
    pipeline::Runner runner_;
    // Where the machine has more cores than the batch has workers, a picture's planes are
    // encoded and written side by side on them.
    QThreadPool spare_;
    std::function<void(qsizetype)> frameDone_;
    qsizetype job_ = 0;
};

// One picture through a worker of its own, beside the picture or into `s.outDir`.
Outcome processPicture(const Settings &s, const QString &file);

// A worker process: reads jobs (index, path, folder, stem) on its input until it ends and
// answers each with (index, status, reason, ms, outputs...). Interrupts are left to the
// parent, which stops feeding it.
int runWorker(const Settings &s);

} // namespace batch
