#pragma once

// Words quoted for the places they are pasted into: a POSIX shell's command line, a CSV field.

#include <QString>
#include <QStringList>

namespace results {

// The words as one line for a POSIX shell, each quoted where it needs it.
QString shellQuoted(const QStringList &words);
// A CSV field, quoted where it holds a comma, a quote or a line break, as RFC 4180 has it.
QString csvQuoted(QString text);

} // namespace results
