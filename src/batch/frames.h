#pragma once

#include "batch/outcome.h"

#include <QByteArray>
#include <QList>

namespace batch {

// The messages between the batch and its workers: a list of byte strings, each with its length
// in front, so that a name may hold any byte a file system allows (tabs, newlines, any
// encoding) and still arrive whole.
QByteArray frame(const QList<QByteArray> &fields);

// A channel's automatic threshold in a worker's answer: empty for none, "METHOD" where the
// method had no answer, "METHOD:T" where it chose T.
QByteArray automaticField(const std::optional<Outcome::Automatic> &a);
std::optional<Outcome::Automatic> automaticOf(const QByteArray &field);

// What a threshold scan marked and the bands it tested, as two fields of a worker's answer
// (both empty where it made none), and back.
QList<QByteArray> measuredFields(const Outcome &o);
void takeMeasured(const QByteArray &counts, const QByteArray &bands, Outcome &o);

// The frames an outcome measured, as one field of a worker's answer (empty for none), and back.
QByteArray frameRowsField(const Outcome &o);
void takeFrameRows(const QByteArray &field, Outcome &o);
// A worker's word that it has finished one more frame of its picture: its picture is not
// hanging, however many frames it has.
QByteArray progressFrame(qsizetype index);
bool isProgress(const QList<QByteArray> &fields);

enum class Take { Frame, NeedMore, Broken };
// Takes one whole message off the front of `buffer` into `fields`.
Take takeFrame(QByteArray &buffer, QList<QByteArray> &fields);

} // namespace batch
