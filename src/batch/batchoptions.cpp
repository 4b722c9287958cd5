#include "batch/batchoptions.h"

#include "core/recipe.h"
#include "picture/recipefile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace batch {

namespace {

// Every option a user may give, in the order the help lists them: a recipe, the settings as
// recipes name them, then what only a batch has.
const QList<results::OptionDoc> &options()
{
    static const QList<results::OptionDoc> all = [] {
        const auto o = [](const char *name, const char *value, const char *help,
                          const char *usage = "") {
            return results::OptionDoc{QLatin1String(name), QLatin1String(value),
                                      QLatin1String(help), QLatin1String(usage)};
        };
        QList<results::OptionDoc> list{
            o("recipe", "FILE",
              "the settings of a recipe (.tintara.json, as the window's Save Recipe... writes "
              "it) or of a saved plane, as if given here as options; options after it override "
              "it")};
        list += results::recipeOptions();
        list += {
            o("zoom", "r|g|b",
              "also write that plane enlarged as the zoom box shows it (default none)"),
            o("out", "DIR",
              "folder for the outputs, made with its parents when missing (default: beside "
              "each picture)"),
            o("overwrite", "",
              "make every plane again, replacing whatever has its name (default: keep the "
              "planes that are up to date, make the missing and out-of-date ones, refuse a "
              "picture whose names hold another picture's planes)"),
            o("recursive", "",
              "folders with their sub-folders; with --out their tree is mirrored (default off)"),
            o("jobs", "N", "worker processes, 1 to 256 (default: one per core)"),
            o("timeout", "SECONDS",
              "a picture that takes longer is stopped and refused (default 300)"),
            o("report", "FILE|-",
              "also one JSON object per picture into FILE; - is standard output, instead of "
              "the tab-separated lines (default none)"),
            o("measure", "FILE|-",
              "with --threshold: also one CSV row per picture into FILE; - is standard output, "
              "instead of the tab-separated lines: the file, its status, the settings, the "
              "blocks tested and marked and the marked share per channel, in all three and in "
              "any, and the program's version (default none)"),
            o("files-from", "FILE|-",
              "also the pictures named in FILE, one a line; - is standard input",
              "[--files-from FILE|- [--null]]"),
            o("null", "",
              "with --files-from: names end with a NUL byte, as find -print0 writes "
              "them",
              "-"),
            o("shard", "K/N",
              "only shard K of N (1 <= K <= N), picked by a stable hash of each path as given; "
              "the planes are named as one run over the whole list names them"),
            o("dry-run", "",
              "print the plan and write nothing: each picture's shard, its outputs, and "
              "whether it would be done, skipped (up to date) or refused"),
            o("help", "", "shows these options and ends", "-"),
        };
        return list;
    }();
    return all;
}

} // namespace

QString usageText()
{
    // The options as the help lists them, wrapped under the first line.
    QStringList items;
    for (const results::OptionDoc &o : options()) {
        if (o.usage == QLatin1String("-"))
            continue;
        items << (!o.usage.isEmpty()  ? o.usage
                  : o.value.isEmpty() ? QStringLiteral("[--%1]").arg(o.name)
                                      : QStringLiteral("[--%1 %2]").arg(o.name, o.value));
    }
    items << QStringLiteral("FILE|FOLDER...");
    const QString indent(7, QLatin1Char(' '));
    QString text = QStringLiteral("Usage: tintara --batch");
    qsizetype line = text.size();
    for (const QString &item : items) {
        if (line + 1 + item.size() > 92) {
            text += QLatin1Char('\n') + indent + item;
            line = indent.size() + item.size();
        } else {
            text += QLatin1Char(' ') + item;
            line += 1 + item.size();
        }
    }
    return text + QLatin1Char('\n') + indent + QStringLiteral("tintara --batch --help");
}

QString helpText()
{
    QString text =
        usageText() + QStringLiteral("\n\nWrites the planes of every picture as PNG files and "
                                     "one report line per picture.\n\nOptions:\n");
    for (const results::OptionDoc &o : options()) {
        QString left = QStringLiteral("  --") + o.name;
        if (!o.value.isEmpty())
            left += QLatin1Char(' ') + o.value;
        // Long value lists put the meaning on a line of its own.
        if (left.size() > 22)
            left += QLatin1Char('\n') + QString(24, QLatin1Char(' '));
        else
            left = left.leftJustified(24);
        text += left + o.help + QLatin1Char('\n');
    }
    return text + QStringLiteral("\nMethods for --auto: %1.\n").arg(results::methodList());
}

Result<Settings> parse(const QStringList &args)
{
    QList<QByteArray> bytes;
    for (const QString &a : args)
        bytes << QFile::encodeName(a);
    return parse(bytes);
}

// Each recipe's options go where it stood: options after it then override it, as later options
// override earlier ones.
Result<QList<QByteArray>> withRecipes(const QList<QByteArray> &raw)
{
    QList<QByteArray> out;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        QByteArray file;
        if (raw[i] == "--")
            return out + raw.mid(i);
        if (raw[i].startsWith("--recipe="))
            file = raw[i].sliced(9);
        else if (raw[i] == "--recipe" && i + 1 < raw.size())
            file = raw[++i];
        else {
            out << raw[i];
            continue;
        }
        const QString path = QFile::decodeName(file);
        const Result<std::optional<results::Recorded>> read = picture::readRecipe(path);
        if (!read || !*read)
            return Failure{
                QStringLiteral("--recipe %1: %2")
                    .arg(path, read ? QStringLiteral("it has no recipe") : read.error())};
        for (const QString &option : results::batchArguments((*read)->recipe))
            out << QFile::encodeName(option);
    }
    return out;
}

Result<Settings> parse(const QList<QByteArray> &given)
{
    const Result<QList<QByteArray>> spliced = withRecipes(given);
    if (!spliced)
        return spliced.failure();
    const QList<QByteArray> &raw = *spliced;
    Settings s;
    QStringList args;
    for (const QByteArray &a : raw)
        args << QFile::decodeName(a);
    QCommandLineParser p;
    const auto option = [&p](const QString &name) {
        for (const results::OptionDoc &o : options())
            if (o.name == name) {
                const QCommandLineOption made(
                    name, o.help, o.value.isEmpty() ? QString() : QStringLiteral("value"));
                p.addOption(made);
                return made;
            }
        const QCommandLineOption made(name); // internal
        p.addOption(made);
        return made;
    };
    for (const results::OptionDoc &o : options())
        if (o.name != QLatin1String("recipe"))
            option(o.name);
    option(QStringLiteral("batch"));
    option(QStringLiteral("batch-worker"));
    // Read above; only a "--recipe" without its file reaches the parser.
    option(QStringLiteral("recipe"));
    if (!p.parse(QStringList{QStringLiteral("tintara")} + args))
        return Failure{p.errorText()};
    const auto bad = [](const QString &why) {
        return Failure{why};
    };
    const results::GivenOptions named{[&p](const QString &name) -> std::optional<QString> {
                                          if (!p.isSet(name))
                                              return std::nullopt;
                                          const QStringList values = p.values(name);
                                          return values.isEmpty() ? QString() : values.constLast();
                                      },
                                      [&args](const QString &name) {
                                          return args.lastIndexOf(QStringLiteral("--") + name);
                                      }};
    if (const Result<void> read = results::readOptions(named, s); !read)
        return read.failure();
    static_cast<results::Recipe &>(s) = results::held(s);
    const auto isSet = [&p](const char *name) {
        return p.isSet(QLatin1String(name));
    };
    const auto value = [&p](const char *name) {
        return p.value(QLatin1String(name));
    };
    if (isSet("zoom")) {
        // A channel by its initial: r, g or b.
        for (const Channel c : Channels)
            if (value("zoom") == channelName(c).left(1))
                s.zoom = c;
        if (!s.zoom)
            return bad(QStringLiteral("--zoom takes r, g or b"));
    }
    if (isSet("out"))
        s.outDir = QFileInfo(value("out")).absoluteFilePath();
    s.dryRun = isSet("dry-run");
    s.overwrite = isSet("overwrite");
    if (isSet("jobs") && !results::numberIn(value("jobs"), 1, 256, s.jobs))
        return bad(QStringLiteral("--jobs takes 1 to 256"));
    if (isSet("timeout") && !results::numberIn(value("timeout"), 1, 7 * 24 * 3600, s.timeout))
        return bad(QStringLiteral("--timeout takes 1 to 604800 seconds"));
    s.recursive = isSet("recursive");
    s.report = value("report");
    s.measure = value("measure");
    if (isSet("measure") && !s.threshold)
        return bad(QStringLiteral("--measure counts what a threshold scan marks: add --threshold"));
    if (s.report == QLatin1String("-") && s.measure == QLatin1String("-"))
        return bad(QStringLiteral("--report and --measure cannot both be standard output"));
    if (isSet("shard")) {
        const QStringList kn = value("shard").split(QLatin1Char('/'));
        if (kn.size() != 2 || !results::numberIn(kn[1], 1, 1 << 20, s.shards) ||
            !results::numberIn(kn[0], 1, s.shards, s.shard))
            return bad(QStringLiteral("--shard takes K/N with 1 <= K <= N"));
    }
    if (isSet("null") && !isSet("files-from"))
        return bad(QStringLiteral("--null goes with --files-from"));
    s.null = isSet("null");
    s.filesFrom = value("files-from");
    // The names as given, byte for byte: the parser's own copies are decoded, and a name that
    // is not UTF-8 would lose its bytes. The positional arguments come in their order among
    // the arguments, so each is the next argument that reads the same.
    qsizetype at = 0;
    for (const QString &name : p.positionalArguments()) {
        while (at < raw.size() && args[at] != name)
            ++at;
        s.given << (at < raw.size() ? raw[at++] : QFile::encodeName(name));
    }
    // A worker is told each picture later, with where its planes go.
    if (s.given.isEmpty() && s.filesFrom.isEmpty() && !isSet("batch-worker"))
        return bad(QStringLiteral("no picture to work on"));
    return s;
}

QStringList workerArguments(const Settings &s)
{
    // The settings as a recipe says them, then what only a batch has.
    QStringList a = results::batchArguments(s);
    if (s.zoom)
        a << QStringLiteral("--zoom") << channelName(*s.zoom).left(1);
    if (!s.outDir.isEmpty())
        a << QStringLiteral("--out") << s.outDir;
    if (s.overwrite)
        a << QStringLiteral("--overwrite");
    // The parent writes the rows; a worker only needs to know that every picture is scanned.
    if (!s.measure.isEmpty())
        a << QStringLiteral("--measure") << s.measure;
    return a;
}

} // namespace batch
