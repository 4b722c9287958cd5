#include "batch/batchoptions.h"
#include "batch/messages.h"
#include "batch/outputplan.h"
#include "batch/picturelist.h"
#include "batch/report.h"
#include "core/quoting.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

namespace {

QStringList parsed(const QStringList &args, QString *error = nullptr)
{
    const Result<batch::Settings> parsed = batch::parse(args);
    const batch::Settings s = parsed ? *parsed : batch::Settings{};
    batch::PictureList list;
    const Result<void> gathered = parsed ? batch::gatherPictures(s, list) : parsed.failure();
    if (error)
        *error = gathered ? QString() : gathered.error();
    QStringList files; // the shard asked for
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list.shard(i) == s.shard)
            files << QFile::decodeName(list.path(i));
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

TEST(BatchOptions, AutomaticMethodsPerChannel)
{
    using histogram::Method;
    const auto methods = [](const QStringList &args) {
        const Result<batch::Settings> s =
            batch::parse(args + QStringList{QStringLiteral("/a.png")});
        std::array<std::optional<Method>, 3> got{};
        if (s)
            std::copy(std::begin(s->automatic), std::end(s->automatic), got.begin());
        return got;
    };
    using M = std::array<std::optional<Method>, 3>;
    EXPECT_EQ(methods({}), (M{}));
    EXPECT_EQ(methods({QStringLiteral("--auto"), QStringLiteral("otsu")}),
              (M{Method::Otsu, Method::Otsu, Method::Otsu}));
    // A channel's own option wins, in either order.
    EXPECT_EQ(methods({QStringLiteral("--auto-blue"), QStringLiteral("Li"),
                       QStringLiteral("--auto"), QStringLiteral("MinError")}),
              (M{Method::MinError, Method::MinError, Method::Li}));
    EXPECT_EQ(methods({QStringLiteral("--auto-green"), QStringLiteral("RenyiEntropy")}),
              (M{std::nullopt, Method::RenyiEntropy, std::nullopt}));
    // The workers are told the same.
    const auto s = batch::parse(QStringList{QStringLiteral("--auto"), QStringLiteral("Yen"),
                                            QStringLiteral("--auto-red"), QStringLiteral("huang"),
                                            QStringLiteral("/a.png")});
    ASSERT_TRUE(s);
    const auto again =
        batch::parse(batch::workerArguments(*s) + QStringList{QStringLiteral("/a.png")});
    ASSERT_TRUE(again);
    EXPECT_TRUE(std::equal(std::begin(again->automatic), std::end(again->automatic),
                           std::begin(s->automatic)));
    const auto wrong = batch::parse(QStringList{QStringLiteral("--auto-red"),
                                                QStringLiteral("Otsu2"), QStringLiteral("/a.png")});
    ASSERT_FALSE(wrong);
    EXPECT_TRUE(wrong.error().startsWith(QStringLiteral("--auto-red takes one of Default, Huang")))
        << wrong.error().toStdString();
    EXPECT_TRUE(
        batch::helpText().contains(QStringLiteral("RenyiEntropy, Shanbhag, Triangle, Yen")));
    // --measure counts threshold markers, and shares standard output with nothing.
    for (const QStringList &wrong :
         {QStringList{QStringLiteral("--measure"), QStringLiteral("m.csv")},
          QStringList{QStringLiteral("--threshold"), QStringLiteral("--measure"),
                      QStringLiteral("-"), QStringLiteral("--report"), QStringLiteral("-")}})
        EXPECT_FALSE(batch::parse(wrong + QStringList{QStringLiteral("/a.png")}));
}

TEST(BatchOptions, RecipesBecomeOptionsThatLaterOnesOverride)
{
    using histogram::Method;
    QTemporaryDir dir;
    results::Recipe edges;
    edges.size = 300, edges.selection = scan::Spread, edges.threshold = true;
    edges.rx = 7, edges.ry = 4, edges.overlap = true, edges.bands[Channel::Red] = {10, 200};
    edges.automatic[Channel::Blue] = Method::Li;
    results::Recipe reduced;
    reduced.reduction = true, reduced.rx = reduced.ry = 9, reduced.selection = scan::None;
    // The command line a recipe stands for makes the same recipe again.
    for (const results::Recipe &r : {results::Recipe{}, edges, reduced}) {
        const auto s = batch::parse(results::batchArguments(r) << QStringLiteral("/a.png"));
        ASSERT_TRUE(s) << s.error().toStdString();
        EXPECT_TRUE(static_cast<const results::Recipe &>(*s) == r)
            << results::shellQuoted(results::batchArguments(r)).toStdString();
    }
    // As a file: options after it override it, options before it give way to it.
    const QString file = dir.filePath(QStringLiteral("edges.tintara.json"));
    QFile json(file);
    ASSERT_TRUE(json.open(QIODevice::WriteOnly));
    json.write(results::toJson(results::describe({}, edges)));
    json.close();
    const auto s = batch::parse(
        QStringList{QStringLiteral("--rate"), QStringLiteral("5"), QStringLiteral("--recipe"), file,
                    QStringLiteral("--green"), QStringLiteral("1:2"), QStringLiteral("--reduction"),
                    QStringLiteral("/a.png")});
    ASSERT_TRUE(s) << s.error().toStdString();
    EXPECT_EQ(s->rx, 7);
    EXPECT_EQ(s->ry, 7); // the reduction steps by the x rate both ways
    EXPECT_EQ(s->size, 300);
    EXPECT_EQ(s->bands[Channel::Red].lo, 10);
    EXPECT_EQ(s->bands[Channel::Green].lo, 1);
    EXPECT_EQ(s->bands[Channel::Green].hi, 2);
    EXPECT_TRUE(s->overlap);
    EXPECT_EQ(s->automatic[Channel::Blue], Method::Li);
    EXPECT_TRUE(s->reduction && !s->threshold); // the later mode counts
    const auto back =
        batch::parse(QStringList{QStringLiteral("--reduction"), QStringLiteral("--recipe=") + file,
                                 QStringLiteral("/a.png")});
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->threshold && !back->reduction);
    // Refusals name the file and say why.
    const QString newer = dir.filePath(QStringLiteral("newer.tintara.json"));
    QFile n(newer);
    ASSERT_TRUE(n.open(QIODevice::WriteOnly));
    n.write(results::toJson(results::describe({}, {})).replace("\"2\"", "\"9\""));
    n.close();
    const QString picture = dir.filePath(QStringLiteral("plain.png"));
    QImage(4, 4, QImage::Format_RGB32).save(picture);
    for (const auto &[path, says] :
         {std::pair{newer, "format version 9"}, std::pair{picture, "it has no recipe"},
          std::pair{dir.filePath(QStringLiteral("gone.json")), "No such file"}}) {
        const auto refused =
            batch::parse(QStringList{QStringLiteral("--recipe"), path, QStringLiteral("/a.png")});
        ASSERT_FALSE(refused) << says;
        EXPECT_TRUE(refused.error().startsWith(QStringLiteral("--recipe ") + path))
            << refused.error().toStdString();
        EXPECT_TRUE(refused.error().contains(QLatin1String(says))) << refused.error().toStdString();
    }
    EXPECT_FALSE(batch::parse(QStringList{QStringLiteral("/a.png"), QStringLiteral("--recipe")}));
}

TEST(BatchOptions, CopiedCommandsReadBackWordForWord)
{
    // The shell itself is the judge of the quoting.
    const QStringList words{QStringLiteral("tintara"),
                            QStringLiteral("--red"),
                            QStringLiteral("84:255"),
                            QStringLiteral("/p/a b/it's \"x\".png"),
                            QStringLiteral("$HOME`id`"),
                            QStringLiteral("é;|&<>*?[]{}~#!"),
                            QString(),
                            QStringLiteral("tab\there\nnewline")};
    QProcess sh;
    sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("printf '%s\\0' ") +
                                                                   results::shellQuoted(words)});
    ASSERT_TRUE(sh.waitForFinished(10000));
    QStringList read = QString::fromUtf8(sh.readAllStandardOutput()).split(QChar(0));
    read.removeLast();
    EXPECT_EQ(read, words);
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

TEST(BatchMessages, CarryAnyBytesAndWaitForWholeMessages)
{
    const batch::Job job{12, QByteArray("tab\tnew\nline\0nul", 16), "\xff\xfe",
                         QByteArray(70000, 'x')};
    const QByteArray one = batch::bytesOf(job);
    QByteArray stream = one + one;
    batch::Message got;
    // Byte by byte, as a pipe may deliver it: nothing until a message is whole.
    QByteArray trickle;
    int messages = 0;
    for (const char c : stream) {
        trickle += c;
        while (batch::takeMessage(trickle, got) == batch::Take::Message) {
            const auto *back = std::get_if<batch::Job>(&got);
            ASSERT_TRUE(back);
            EXPECT_TRUE(back->index == job.index && back->path == job.path &&
                        back->folder == job.folder && back->stem == job.stem);
            ++messages;
        }
        if (messages == 0 && trickle.size() > 4 && trickle.size() < one.size() &&
            (trickle.size() % 9000) == 0)
            EXPECT_EQ(batch::takeMessage(trickle, got), batch::Take::NeedMore);
    }
    EXPECT_EQ(messages, 2);
    EXPECT_TRUE(trickle.isEmpty());
    QByteArray lying = one;
    lying[4] = '\x7f'; // the first field claims more than the message holds
    EXPECT_EQ(batch::takeMessage(lying, got), batch::Take::Broken);
    QByteArray huge("\xff\xff\xff\x7f", 4);
    EXPECT_EQ(batch::takeMessage(huge, got), batch::Take::Broken);
}

TEST(BatchReport, EscapesWhatWouldBreakALine)
{
    batch::Outcome ok;
    ok.status = batch::Outcome::Ok;
    ok.outputs = QStringList{QStringLiteral("a\tb-red.png"), QStringLiteral("c\\d.png")};
    EXPECT_EQ(batch::tsvLine("/p/a\tb\n.png", ok),
              QByteArray("/p/a\\tb\\n.png\tok\ta\\tb-red.png, c\\\\d.png\n"));
    batch::Outcome refused;
    refused.reason = QStringLiteral("line one\nline two");
    EXPECT_EQ(batch::tsvLine("/x.png", refused),
              QByteArray("/x.png\trefused\tline one\\nline two\n"));
    const QJsonObject json =
        QJsonDocument::fromJson(batch::jsonLine("/p/\xc3\xa8\n.png", {}, ok)).object();
    EXPECT_EQ(json[QLatin1String("file")].toString(), QStringLiteral("/p/\u00e8\n.png"));
    EXPECT_EQ(json[QLatin1String("outputs")].toArray().size(), 2);
    EXPECT_EQ(json[QLatin1String("status")].toString(), QStringLiteral("ok"));
    EXPECT_FALSE(json.contains(QLatin1String("automatic")));
    // A --measure row: the name quoted where it must be, the counts empty without a scan.
    const QByteArray row = batch::csvLine("/p/a, \"b\".png", {}, ok);
    EXPECT_TRUE(
        row.startsWith("\"/p/a, \"\"b\"\".png\",ok,500,media,3,3,off,128:255,128:255,128:255,,,,"))
        << row.toStdString();
    EXPECT_EQ(row.count(','),
              batch::csvHeader().count(',') + 1); // the one in the name
    EXPECT_TRUE(row.contains(",,,,,,,,,,,,,,,")); // fifteen empty counts
    // Automatic thresholds, through a worker's answer and into the report.
    ok.automatic[Channel::Red] = batch::Outcome::Automatic{QStringLiteral("Otsu"), 97};
    ok.automatic[Channel::Blue] =
        batch::Outcome::Automatic{QStringLiteral("Minimum"), std::nullopt};
    QByteArray answer = batch::bytesOf(batch::Answer{7, ok});
    batch::Message message;
    ASSERT_EQ(batch::takeMessage(answer, message), batch::Take::Message);
    const auto *back = std::get_if<batch::Answer>(&message);
    ASSERT_TRUE(back && back->index == 7);
    EXPECT_EQ(back->outcome.outputs, ok.outputs);
    for (const Channel c : Channels) {
        const auto &a = ok.automatic[c], &b = back->outcome.automatic[c];
        EXPECT_EQ(b.has_value(), a.has_value());
        if (a && b)
            EXPECT_TRUE(b->method == a->method && b->threshold == a->threshold);
    }
    const QJsonObject automatic = QJsonDocument::fromJson(batch::jsonLine("/a.png", {}, ok))
                                      .object()[QLatin1String("automatic")]
                                      .toObject();
    EXPECT_EQ(automatic.keys(), (QStringList{QStringLiteral("blue"), QStringLiteral("red")}));
    EXPECT_EQ(automatic[QLatin1String("red")].toObject()[QLatin1String("threshold")].toInt(), 97);
    EXPECT_TRUE(automatic[QLatin1String("blue")].toObject()[QLatin1String("threshold")].isNull());
}

namespace {

// The stems the plan gives a list of pictures, or the error; "given before" and refusals as such.
QStringList stems(const QStringList &paths, const QString &out = {}, bool zoom = false)
{
    batch::Settings s;
    s.outDir = out;
    if (zoom)
        s.zoom = Channel::Red;
    batch::PictureList list;
    for (const QString &p : paths)
        list.add(QFile::encodeName(p));
    batch::OutputPlan plan;
    if (const Result<void> made = plan.make(s, list); !made)
        return {made.error()};
    QStringList result;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const batch::Outcome::Status st = plan.settled(i).status;
        const batch::Job job = plan.job(i);
        result << (st == batch::Outcome::Ok        ? QFile::decodeName(job.folder + '/' + job.stem)
                   : st == batch::Outcome::Skipped ? QStringLiteral("skipped")
                                                   : QStringLiteral("refused"));
    }
    return result;
}

} // namespace

TEST(BatchOutputPlan, NamesEveryPictureApart)
{
    // Each expected stem is a pattern: "#" stands for a short hash of the picture's path.
    struct Case {
        const char *name;
        QStringList paths;
        QString out;
        QStringList expected;
    } cases[] = {
        {"no clash", {"/p/a.jpg", "/p/b.jpg", "/q/a.jpg"}, {}, {"/p/a", "/p/b", "/q/a"}},
        {"stems clash", {"/p/a.jpg", "/p/a.png"}, {}, {"/p/a.jpg", "/p/a.png"}},
        {"order does not matter", {"/p/a.png", "/p/a.jpg"}, {}, {"/p/a.png", "/p/a.jpg"}},
        {"folders meet in --out",
         {"/d1/a.jpg", "/d2/a.jpg", "/d2/b.jpg"},
         "/o",
         {"/o/a.jpg-#", "/o/a.jpg-#", "/o/b"}},
        {"a widened stem meets a plain one",
         {"/p/a.jpg", "/p/a.png", "/p/a.jpg.png"},
         {},
         {"/p/a.jpg-#", "/p/a.png", "/p/a.jpg.png"}},
        {"given twice", {"/p/a.jpg", "/p/b.jpg", "/p/a.jpg"}, {}, {"/p/a", "/p/b", "skipped"}},
        {"a plane would replace a picture",
         {"/p/a.jpg", "/p/a-zoom-media-3x3.png"},
         {},
         {"refused", "/p/a-zoom-media-3x3"}},
    };
    for (const Case &c : cases) {
        const QStringList got = stems(c.paths, c.out, true);
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        for (qsizetype i = 0; i < got.size(); ++i) {
            QString pattern = QRegularExpression::escape(c.expected[i]);
            pattern.replace(QLatin1String("\\#"), QLatin1String("[0-9a-f]{8}"));
            EXPECT_TRUE(QRegularExpression(QRegularExpression::anchoredPattern(pattern))
                            .match(got[i])
                            .hasMatch())
                << c.name << ": " << qPrintable(got[i]);
        }
        EXPECT_EQ(QSet<QString>(got.begin(), got.end()).size(), got.size()) << c.name;
    }
}

TEST(BatchOutputPlan, LongNamesStayWithinTheLimitAndApart)
{
    batch::Settings s;
    s.zoom = Channel::Blue;
    s.selection = scan::Spread;
    s.rx = s.ry = 30;
    QSet<QByteArray> seen;
    for (const QString &stem :
         {QString(250, QLatin1Char('a')), QString(250, QLatin1Char('a')) + QLatin1Char('b'),
          QString(120, QChar(0x4e2d)), QString(20, QLatin1Char('c'))}) {
        for (const batch::PlaneFile &f : batch::planeFiles(s, stem.toUtf8())) {
            EXPECT_LE(f.name.size(), 255);
            EXPECT_TRUE(
                f.name.endsWith("-" + viewName(f.view).toUtf8() + "-massimo-minimo-30x30.png"));
            EXPECT_TRUE(QString::fromUtf8(f.name).toUtf8() == f.name); // no cut character
            EXPECT_FALSE(seen.contains(f.name));
            seen.insert(f.name);
        }
    }
    EXPECT_EQ(batch::planeFiles(s, "short").first().name,
              QByteArray("short-red-massimo-minimo-30x30.png"));
}
