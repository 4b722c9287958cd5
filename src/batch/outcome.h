#pragma once

#include <QString>
#include <QStringList>

namespace batch {

// What became of one picture.
struct Outcome {
    enum Status { Ok, Skipped, Refused };
    Status status = Refused;
    QString reason;      // why the picture was refused or passed over
    QStringList outputs; // its planes' file names: those written, or for a skipped one those there
    qint64 ms = 0;       // how long its worker took over it
    bool ok() const { return status == Ok; }
};

} // namespace batch
