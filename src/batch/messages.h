#pragma once

// The messages between the batch and its workers: the batch gives a worker a job, the worker
// says when it has finished one more frame of its picture and answers with what became of it.
// Each is written and read by this one pair of functions; on the wire it is a list of byte
// strings, each with its length in front, so that a name may hold any byte a file system
// allows (tabs, newlines, any encoding) and still arrive whole.

#include "batch/outcome.h"

#include <QByteArray>
#include <variant>

namespace batch {

// One picture as a worker is given it: where its planes go and the stem that names them.
struct Job {
    qsizetype index = 0;
    QByteArray path, folder, stem;
};
// A worker's word that it has finished one more frame of its job's picture: the picture is not
// hanging, however many frames it has.
struct Progress {
    qsizetype index = 0;
};
// What became of a job's picture.
struct Answer {
    qsizetype index = 0;
    Outcome outcome;
};
using Message = std::variant<Job, Progress, Answer>;

QByteArray bytesOf(const Message &message);

enum class Take { Message, NeedMore, Broken };
// Takes one whole message off the front of `buffer`; Broken where the bytes are no message of
// this program's.
Take takeMessage(QByteArray &buffer, Message &out);

} // namespace batch
