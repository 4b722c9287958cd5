#include "batch/batchoptions.h"
#include "batch/picturelist.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

namespace {

QStringList parsed(const QStringList &args, QString *error = nullptr)
{
    batch::Settings s;
    QString why;
    batch::PictureList list;
    const bool ok = batch::parse(args, s, why) && batch::gatherPictures(s, list, why);
    if (error)
        *error = ok ? QString() : why;
    QStringList files;
    for (qsizetype i = 0; i < list.size(); ++i)
        files << QFile::decodeName(list.path(i).toByteArray());
    return files;
}

} // namespace

TEST(BatchOptions, ShardsSplitAnyListExactly)
{
    QStringList names;
    for (int i = 0; i < 60; ++i)
        names << QStringLiteral("/pictures/%1/photo %2.jpg").arg(i % 7).arg(i);
    for (int n : {1, 2, 3, 7}) {
        QSet<QString> seen;
        qsizetype total = 0;
        for (int k = 1; k <= n; ++k) {
            const QStringList part = parsed(
                QStringList{QStringLiteral("--shard"), QStringLiteral("%1/%2").arg(k).arg(n)} +
                names);
            total += part.size();
            for (const QString &f : part)
                seen.insert(f);
            // The same shard whatever the order of the list.
            QStringList reversed(names.rbegin(), names.rend());
            QStringList again = parsed(
                QStringList{QStringLiteral("--shard"), QStringLiteral("%1/%2").arg(k).arg(n)} +
                reversed);
            std::reverse(again.begin(), again.end());
            EXPECT_EQ(again, part) << k << "/" << n;
        }
        EXPECT_EQ(total, names.size()) << n << " shards";
        EXPECT_EQ(seen.size(), names.size()) << n << " shards";
    }
    for (const char *bad : {"0/3", "4/3", "3", "a/b", "1/0"}) {
        QString error;
        parsed({QStringLiteral("--shard"), QLatin1String(bad), QStringLiteral("/a.png")}, &error);
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
}

TEST(BatchOptions, FilesFromTakesLinesOrNulSeparatedNames)
{
    QTemporaryDir dir;
    const QString odd = QStringLiteral("tab\there\nnewline -dash \"q\" \u00e8.png");
    struct Case {
        const char *name;
        QByteArray content;
        bool null;
        QStringList expected;
    } cases[] = {
        {"lines", "/a.png\n/b c.jpg\r\n\n", false, {"/a.png", "/b c.jpg"}},
        {"nul",
         "/a.png" + QByteArray(1, '\0') + QFile::encodeName(dir.filePath(odd)) +
             QByteArray(1, '\0'),
         true,
         {"/a.png", dir.filePath(odd)}},
    };
    for (const Case &c : cases) {
        const QString list = dir.filePath(QLatin1String(c.name));
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
        f.close();
        QStringList args{QStringLiteral("--files-from"), list};
        if (c.null)
            args << QStringLiteral("--null");
        EXPECT_EQ(parsed(args), c.expected) << c.name;
    }
    QString error;
    parsed({QStringLiteral("--null"), QStringLiteral("/a.png")}, &error);
    EXPECT_FALSE(error.isEmpty());
    parsed({QStringLiteral("--files-from"), dir.filePath(QStringLiteral("none"))}, &error);
    EXPECT_TRUE(error.contains(QLatin1String("cannot read the list"))) << qPrintable(error);
}
