#pragma once

#include <QByteArray>
#include <QList>

namespace batch {

// The messages between the batch and its workers: a list of byte strings, each with its length
// in front, so that a name may hold any byte a file system allows (tabs, newlines, any
// encoding) and still arrive whole.
QByteArray frame(const QList<QByteArray> &fields);

enum class Take { Frame, NeedMore, Broken };
// Takes one whole message off the front of `buffer` into `fields`.
Take takeFrame(QByteArray &buffer, QList<QByteArray> &fields);

} // namespace batch
