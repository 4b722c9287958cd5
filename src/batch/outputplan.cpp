#include "batch/outputplan.h"

#include <QFile>
#include <algorithm>

namespace batch {

namespace {

struct Keyed {
    quint64 hash;
    qsizetype index;
    bool operator<(const Keyed &o) const
    {
        return hash != o.hash ? hash < o.hash : index < o.index;
    }
};

} // namespace

QList<PlaneFile> planeFiles(const Settings &s, QByteArrayView stem)
{
    return pipeline::planeFiles(s, s.zoom, stem);
}

QByteArray OutputPlan::folderOf(qsizetype i) const
{
    if (s_->outDir.isEmpty())
        return list_->folder(i);
    const QByteArray path = list_->path(i);
    QByteArray folder = QFile::encodeName(s_->outDir);
    // A picture found under a folder keeps its place in that folder's tree.
    if (const qsizetype root = list_->root(i); root > 0) {
        const QByteArrayView inside = QByteArrayView(path).sliced(root);
        const qsizetype slash = inside.lastIndexOf('/');
        if (slash > 0)
            folder += inside.first(slash);
    }
    return folder;
}

QByteArray OutputPlan::stemOf(qsizetype i) const
{
    const QByteArrayView name = list_->name(i);
    switch (level_.value(i)) {
    case 0: {
        const qsizetype dot = name.lastIndexOf('.');
        return (dot >= 0 ? name.first(dot) : name).toByteArray();
    }
    case 1:
        return name.toByteArray();
    default:
        return name.toByteArray() + '-' + pipeline::shortHash(list_->path(i));
    }
}

Result<void> OutputPlan::make(const Settings &s, const PictureList &list)
{
    s_ = &s;
    list_ = &list;
    const qsizetype n = list.size();
    state_.assign(static_cast<std::size_t>(n), ToDo);
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<std::size_t>(n));

    // A picture given twice is done once: the second would write over the first's planes.
    for (qsizetype i = 0; i < n; ++i) {
        if (!carriedByQt(list.path(i)))
            state_[std::size_t(i)] = NotCarried;
        else
            keyed.push_back({stableHash(list.path(i)), i});
    }
    std::sort(keyed.begin(), keyed.end());
    for (std::size_t a = 0; a < keyed.size();) {
        std::size_t b = a + 1;
        for (; b < keyed.size() && keyed[b].hash == keyed[a].hash; ++b)
            for (std::size_t c = a; c < b; ++c)
                if (state_[std::size_t(keyed[c].index)] == ToDo &&
                    list.path(keyed[c].index) == list.path(keyed[b].index)) {
                    state_[std::size_t(keyed[b].index)] = GivenBefore;
                    break;
                }
        a = b;
    }

    // Stems that clash are widened, all of a clash alike, until none do.
    for (int round = 0;; ++round) {
        keyed.clear();
        for (qsizetype i = 0; i < n; ++i)
            if (state_[std::size_t(i)] == ToDo)
                keyed.push_back({stableHash(keyOf(i)), i});
        std::sort(keyed.begin(), keyed.end());
        bool clashed = false;
        for (std::size_t a = 0; a < keyed.size();) {
            std::size_t b = a + 1;
            while (b < keyed.size() && keyed[b].hash == keyed[a].hash)
                ++b;
            if (b - a > 1) {
                // Equal hashes: widen those whose keys really are equal to another's.
                std::vector<QByteArray> keys;
                for (std::size_t c = a; c < b; ++c)
                    keys.push_back(keyOf(keyed[c].index));
                for (std::size_t c = a; c < b; ++c) {
                    const bool twin = std::count(keys.begin(), keys.end(), keys[c - a]) > 1;
                    if (!twin)
                        continue;
                    const qsizetype i = keyed[c].index;
                    const quint8 level = level_.value(i);
                    if (level >= 2)
                        return Failure{QStringLiteral("%1 and another picture would write the "
                                                      "same output files")
                                           .arg(QFile::decodeName(list.path(i)))};
                    level_[i] = level + 1;
                    clashed = true;
                }
            }
            a = b;
        }
        if (!clashed)
            break;
    }

    // A plane that would be written over a picture of the batch: its picture is refused.
    // `keyed` now holds every final folder and stem.
    const QList<PlaneFile> suffixes = pipeline::planeTails(s, s.zoom);
    for (qsizetype j = 0; j < n; ++j) {
        if (state_[std::size_t(j)] == NotCarried)
            continue;
        const QByteArrayView name = list.name(j);
        for (const PlaneFile &p : suffixes) {
            const QByteArrayView suffix(p.name);
            if (!name.endsWith(suffix) || name.size() == suffix.size())
                continue;
            const QByteArray key =
                list.folder(j) + '/' + name.first(name.size() - suffix.size()).toByteArray();
            const quint64 h = stableHash(key);
            auto at = std::lower_bound(keyed.begin(), keyed.end(), Keyed{h, 0});
            for (; at != keyed.end() && at->hash == h; ++at)
                if (at->index != j && keyOf(at->index) == key) {
                    state_[std::size_t(at->index)] = ReplacesPicture;
                    victim_.insert(at->index, name.toByteArray());
                }
        }
    }
    toDo_ = mine_ = 0;
    for (qsizetype i = 0; i < n; ++i) {
        mine_ += mine(i);
        toDo_ += mine(i) && state_[std::size_t(i)] == ToDo;
    }
    return {};
}

Outcome OutputPlan::settled(qsizetype i) const
{
    Outcome o;
    switch (state_[std::size_t(i)]) {
    case GivenBefore:
        o.status = Outcome::Skipped;
        o.reason = QStringLiteral("given before; its planes are made once");
        break;
    case NotCarried:
        o.reason = QStringLiteral("the name is not valid UTF-8, so it cannot be opened here; "
                                  "rename it");
        break;
    case ReplacesPicture:
        o.reason = QStringLiteral("%1 would replace a picture of the batch")
                       .arg(QFile::decodeName(victim_.value(i)));
        break;
    default:
        o.status = Outcome::Ok;
    }
    return o;
}

Job OutputPlan::job(qsizetype i) const
{
    return {i, list_->path(i), folderOf(i), stemOf(i)};
}

} // namespace batch
