#pragma once

#include "batch/batchoptions.h"
#include "batch/outcome.h"

#include <QByteArray>
#include <QByteArrayView>

namespace batch {

// "file<TAB>ok|skipped|refused<TAB>outputs or reason", each field with its tabs, newlines and
// backslashes written as \t, \n and \\, so that any name stays on its one line.
QByteArray tsvLine(QByteArrayView file, const Outcome &o);

// One JSON object: file, status, outputs, reason, ms, and where a channel's minimum came from
// an automatic method, "automatic": {"red": {"method": "Otsu", "threshold": 97 or null}}.
// After a threshold scan also what a --measure row says: "settings", "bands", "measurements"
// ({"red": {"tested", "marked", "percent"}, ..., "all", "any"}) and "version".
QByteArray jsonLine(QByteArrayView file, const Settings &s, const Outcome &o);

// The --measure file's header, and its row for a picture: the file, its status, the settings
// (size, type, rates, the bands tested, the automatic methods), the counts of
// scan::measurementHeader(), empty where no scan was made, and the program's version.
QByteArray csvHeader();
QByteArray csvLine(QByteArrayView file, const Settings &s, const Outcome &o, int frame = 0,
                   std::optional<double> time = std::nullopt);

QString statusName(Outcome::Status status);

// A dry run's line: "file<TAB>K/N<TAB>do|skip|refuse<TAB>outputs or reason", escaped alike.
QByteArray planLine(QByteArrayView file, int shard, int shards, const Outcome &o);

} // namespace batch
