#pragma once

#include "app/batchoptions.h"

#include <QString>
#include <QStringList>

namespace batch {

struct Outcome {
    bool ok = false;
    QString reason;      // why the picture was refused
    QStringList outputs; // the files written, by name
};

// One picture through a fresh main window, as a user would take it: the size chosen, the bars
// and the type set, Load, the command, the zoom; then what "Save As PNG..." writes for each view.
Outcome processPicture(const Settings &s, const QString &file);

// The report line of a picture: file, ok or refused, and the outputs or the reason.
QString reportLine(const QString &file, const Outcome &o);

// A worker process: reads "index<TAB>file" lines on its input until it ends, and answers each
// with "index<TAB>report line"; "input<TAB>file" lines name the batch's other pictures first.
// Interrupts are left to the parent, which stops feeding it.
int runWorker(Settings s);

} // namespace batch
