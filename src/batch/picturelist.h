#pragma once

#include "batch/batchoptions.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

namespace batch {

// The batch's pictures in the order given, as absolute paths spelled as the file system holds
// them. One run of bytes holds them all, so a million names cost little more than their letters.
class PictureList {
public:
    // `root` is how many leading bytes of `path` name the folder it was found in, for mirroring
    // that folder's tree; 0 for a picture named by itself.
    void add(QByteArrayView path, qsizetype root = 0);
    qsizetype size() const { return static_cast<qsizetype>(ends_.size()); }
    QByteArrayView path(qsizetype i) const;
    qsizetype root(qsizetype i) const { return roots_[static_cast<std::size_t>(i)]; }

private:
    QByteArray bytes_;
    std::vector<qsizetype> ends_;
    std::vector<quint32> roots_;
};

// The pictures of a batch: the names given and listed, each folder replaced by its picture files
// in name order (then its sub-folders', with --recursive), only the shard asked for. A folder's
// earlier results are never taken as pictures. False with `error` when the list cannot be read.
bool gatherPictures(const Settings &s, PictureList &out, QString &error);

// Whether Qt can carry the name: it reads back to the same bytes.
bool carriedByQt(QByteArrayView name);

} // namespace batch
