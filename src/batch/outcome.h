#pragma once

#include "core/measurements.h"
#include <QString>

#include <QStringList>
#include <optional>

namespace batch {

// What became of one picture.
struct Outcome {
    enum Status { Ok, Skipped, Refused };
    Status status = Refused;
    QString reason;      // why the picture was refused or passed over
    QStringList outputs; // its planes' file names: those written, or for a skipped one those there
    qint64 ms = 0;       // how long its worker took over it
    // Channels whose minimum came from an automatic method: the method and the threshold it
    // chose for this picture, none where it had no answer and the band stayed as given.
    struct Automatic {
        QString method;
        std::optional<int> threshold;
    };
    PerChannel<std::optional<Automatic>> automatic;
    // What its threshold scan marked, and the bands it tested, where it made one.
    std::optional<scan::Measurements> measured;
    PerChannel<scan::Band> bands;
    // With --frames and --measure: each frame scanned, as a picture of its own.
    struct Frame {
        int number = 0;
        std::optional<double> time;
        PerChannel<std::optional<Automatic>> automatic;
        std::optional<scan::Measurements> measured;
        PerChannel<scan::Band> bands;
    };
    QList<Frame> frames;
    bool ok() const { return status == Ok; }
};

} // namespace batch
