#include "batch/picturelist.h"

#include "batch/provenance.h"
#include "picture/formats.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace batch {

void PictureList::add(QByteArrayView path, qsizetype root, int shard)
{
    shardOf_.push_back(quint32(shard));
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArrayView folder = slash <= 0 ? QByteArrayView("/") : path.first(slash);
    if (folders_.empty() || folders_.back().path != folder || folders_.back().root != root)
        folders_.push_back({folder.toByteArray(), root});
    names_.append(path.sliced(slash + 1));
    ends_.push_back(names_.size());
    folderOf_.push_back(static_cast<quint32>(folders_.size() - 1));
}

QByteArrayView PictureList::name(qsizetype i) const
{
    const auto at = static_cast<std::size_t>(i);
    const qsizetype begin = at == 0 ? 0 : ends_[at - 1];
    return QByteArrayView(names_.constData() + begin, ends_[at] - begin);
}

QByteArray PictureList::path(qsizetype i) const
{
    const QByteArray &f = folder(i);
    QByteArray path;
    const QByteArrayView n = name(i);
    path.reserve(f.size() + 1 + n.size());
    if (f != "/")
        path += f;
    return path.append('/').append(n);
}

bool carriedByQt(QByteArrayView name)
{
    return QFile::encodeName(QFile::decodeName(name.toByteArray())) == name;
}

namespace {

// The suffixes of the picture formats this Qt reads, in lower case.
const QSet<QByteArray> &pictureSuffixes()
{
    static const QSet<QByteArray> suffixes = [] {
        QSet<QByteArray> s;
        for (const QByteArray &f : QImageReader::supportedImageFormats())
            s.insert(f.toLower());
        for (const QString &f : picture::extraSuffixes())
            s.insert(f.toLatin1());
        return s;
    }();
    return suffixes;
}

bool isPictureName(QByteArrayView name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot > 0 && pictureSuffixes().contains(name.sliced(dot + 1).toByteArray().toLower());
}

struct Entry {
    QByteArray name;
    QString key; // the name as sorted: case-insensitively, as a listing shows it
};

class Gatherer {
public:
    Gatherer(const Settings &s, PictureList &out)
        : s_(s)
        , out_(out)
    {}

    // A name as given or listed: a folder is replaced by its pictures, anything else is taken.
    void take(const QByteArray &given)
    {
        const QByteArray path = absolute(given);
        struct stat st {};
        if (::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
            QByteArray root = path;
            while (root.size() > 1 && root.endsWith('/'))
                root.chop(1);
            scan(given, root, root.size());
            return;
        }
        keep(given, path, 0);
    }

private:
    static QByteArray absolute(const QByteArray &given)
    {
        if (carriedByQt(given))
            return QFile::encodeName(QFileInfo(QFile::decodeName(given)).absoluteFilePath());
        // Qt cannot clean what it cannot read; such a name is refused later with its reason.
        return given.startsWith('/') ? given : QFile::encodeName(QDir::currentPath()) + '/' + given;
    }

    void keep(const QByteArray &asGiven, const QByteArray &path, qsizetype root)
    {
        out_.add(path, root, int(stableHash(asGiven) % quint64(s_.shards)) + 1);
    }

    // A folder's pictures in name order, then, with --recursive, its sub-folders' in name order.
    // Hidden entries are passed over, and links to folders are not followed, so a tree that
    // links back into itself still ends.
    void scan(const QByteArray &asGiven, const QByteArray &folder, qsizetype root)
    {
        std::vector<Entry> files, folders;
        if (DIR *dir = ::opendir(folder.constData())) {
            while (const dirent *e = ::readdir(dir)) {
                const QByteArray name(e->d_name);
                if (name.startsWith('.'))
                    continue;
                bool isDir = e->d_type == DT_DIR, isFile = e->d_type == DT_REG;
                if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
                    struct stat st {};
                    const QByteArray full = folder + '/' + name;
                    isFile = ::stat(full.constData(), &st) == 0 && S_ISREG(st.st_mode);
                    isDir = e->d_type == DT_UNKNOWN && !isFile &&
                            ::lstat(full.constData(), &st) == 0 && S_ISDIR(st.st_mode);
                }
                if (isFile && isPictureName(name))
                    files.push_back({name, QFile::decodeName(name)});
                else if (isDir && s_.recursive)
                    folders.push_back({name, QFile::decodeName(name)});
            }
            ::closedir(dir);
        }
        const auto byName = [](const Entry &a, const Entry &b) {
            const int c = a.key.compare(b.key, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.name < b.name;
        };
        std::sort(files.begin(), files.end(), byName);
        std::sort(folders.begin(), folders.end(), byName);
        const QByteArray prefix = asGiven.endsWith('/') ? asGiven : asGiven + '/';
        for (const Entry &f : files) {
            const QByteArray path = folder + '/' + f.name;
            // A plane an earlier run wrote here is a result, not a picture.
            if (looksLikeResultName(f.name) && isTintaraResult(path))
                continue;
            keep(prefix + f.name, path, root);
        }
        for (const Entry &d : folders)
            scan(prefix + d.name, folder + '/' + d.name, root);
    }

    const Settings &s_;
    PictureList &out_;
};

// The names listed in a file (or standard input), one a line or each ended by a NUL byte.
Result<void> readList(const Settings &s, Gatherer &into)
{
    QFile list;
    const bool ok = s.filesFrom == QLatin1String("-")
                        ? list.open(stdin, QIODevice::ReadOnly)
                        : (list.setFileName(s.filesFrom), list.open(QIODevice::ReadOnly));
    const auto unreadable = [&] {
        return Failure{failureText(QStringLiteral("Cannot read the list"), s.filesFrom,
                                   list.errorString(), Wording::Line)};
    };
    if (!ok)
        return unreadable();
    // Read a piece at a time, so that a list of a million names is never held twice.
    const char end = s.null ? '\0' : '\n';
    QByteArray pending;
    while (true) {
        const QByteArray piece = list.read(1 << 20);
        if (piece.isEmpty() && !list.atEnd() && list.error() != QFileDevice::NoError)
            return unreadable();
        pending += piece;
        qsizetype from = 0;
        for (qsizetype at; (at = pending.indexOf(end, from)) >= 0 ||
                           (piece.isEmpty() && from < pending.size());) {
            if (at < 0)
                at = pending.size(); // the last name, with no end of its own
            QByteArray name = pending.mid(from, at - from);
            if (!s.null && name.endsWith('\r'))
                name.chop(1);
            if (!name.isEmpty())
                into.take(name);
            from = at + 1;
        }
        pending.remove(0, std::min(from, pending.size()));
        if (piece.isEmpty())
            return {};
    }
}

} // namespace

Result<void> gatherPictures(const Settings &s, PictureList &out)
{
    Gatherer gatherer(s, out);
    for (const QByteArray &given : s.given)
        gatherer.take(given);
    if (s.filesFrom.isEmpty())
        return {};
    return readList(s, gatherer);
}

} // namespace batch
