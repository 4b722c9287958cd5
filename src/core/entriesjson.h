#pragma once

// A record's text entries, in their order, and the same as a .tintara.json file: one object of
// strings.

#include "core/result.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace results {

using Entries = QList<QPair<QString, QString>>;

// The entries as a .tintara.json file: one object of strings, in their order.
QByteArray toJson(const Entries &entries);
// A .tintara.json file's entries; strings and numbers are taken as their text, and anything
// else kept as its JSON. Fails on a file that is no JSON object.
Result<Entries> entriesOfJson(const QByteArray &json);

} // namespace results
