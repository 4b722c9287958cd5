#pragma once

#include "batch/batchoptions.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

namespace batch {

// The batch's pictures in the order given, as absolute paths spelled as the file system holds
// them. Pictures of one folder come together, so each folder is held once and each picture by
// its name alone: a million names cost little more than their letters.
class PictureList {
public:
    // `root` is how many leading bytes of `path` name the folder it was found under, for
    // mirroring that folder's tree; 0 for a picture named by itself. `shard` is the one, from
    // 1, that the picture falls in.
    void add(QByteArrayView path, qsizetype root = 0, int shard = 1);
    qsizetype size() const { return static_cast<qsizetype>(ends_.size()); }
    QByteArray path(qsizetype i) const;
    // The folder part of the path (without the last slash, "/" for the top) and the name.
    const QByteArray &folder(qsizetype i) const { return folders_[folderIndex(i)].path; }
    QByteArrayView name(qsizetype i) const;
    qsizetype root(qsizetype i) const { return folders_[folderIndex(i)].root; }
    int shard(qsizetype i) const { return int(shardOf_[std::size_t(i)]); }

private:
    std::size_t folderIndex(qsizetype i) const { return folderOf_[std::size_t(i)]; }
    struct Folder {
        QByteArray path;
        qsizetype root;
    };
    std::vector<Folder> folders_;
    QByteArray names_;
    std::vector<qsizetype> ends_;
    std::vector<quint32> folderOf_;
    std::vector<quint32> shardOf_;
};

// The pictures of a batch: the names given and listed, each folder replaced by its picture files
// in name order (then its sub-folders', with --recursive), each with its shard: all of them, so
// that every shard names its planes as one whole run would. A folder's earlier results are
// never taken as pictures. Fails when the list cannot be read.
Result<void> gatherPictures(const Settings &s, PictureList &out);

// Whether Qt can carry the name: it reads back to the same bytes.
bool carriedByQt(QByteArrayView name);

} // namespace batch
