#pragma once

#include "batch/batchoptions.h"
#include "batch/messages.h"
#include "batch/outcome.h"
#include "batch/picturelist.h"
#include "core/recipe.h"
#include "pipeline/planefiles.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <vector>

namespace batch {

using pipeline::PlaneFile;
// The views a batch saves and the file each is saved as, for a stem.
QList<PlaneFile> planeFiles(const Settings &s, QByteArrayView stem);

// Where each picture's planes go, decided before the first is written: no two pictures of a
// batch ever write the same file. When stems clash (a.jpg and a.png) each takes its whole
// name; when those clash too (d1/a.jpg and d2/a.jpg into one folder), a short hash of its path.
class OutputPlan {
public:
    // Fails when the pictures cannot be named apart.
    Result<void> make(const Settings &s, const PictureList &list);

    // The picture settled without a worker (given twice, a name Qt cannot carry, planes that
    // would replace another picture of the batch): its status and why; Ok when it is to do.
    Outcome settled(qsizetype i) const;
    Job job(qsizetype i) const;
    // Whether the picture is this run's, of the shard asked for.
    bool mine(qsizetype i) const { return list_->shard(i) == s_->shard; }
    // How many of this run's pictures are for a worker.
    qsizetype toDo() const { return toDo_; }
    // How many pictures are this run's.
    qsizetype mineCount() const { return mine_; }

private:
    QByteArray folderOf(qsizetype i) const;
    QByteArray stemOf(qsizetype i) const;
    QByteArray keyOf(qsizetype i) const { return folderOf(i) + '/' + stemOf(i); }

    const Settings *s_ = nullptr;
    const PictureList *list_ = nullptr;
    enum State : quint8 { ToDo, GivenBefore, NotCarried, ReplacesPicture };
    std::vector<quint8> state_;
    QHash<qsizetype, quint8> level_; // how far a clashing picture's stem was widened
    QHash<qsizetype, QByteArray> victim_;
    qsizetype toDo_ = 0, mine_ = 0;
};

} // namespace batch
