#include "batch/batchoptions.h"

#include "batch/outputplan.h"
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

bool number(const QString &text, int lo, int hi, int &out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool band(const QString &text, scan::Band &out)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    return parts.size() == 2 && number(parts[0], 0, 255, out.lo) &&
           number(parts[1], 0, 255, out.hi);
}

struct OptionDoc {
    const char *name;
    const char *value; // nullptr for a flag
    const char *help;
};

// Every option a user may give, in the order the help lists them.
constexpr OptionDoc Options[] = {
    {"recipe", "FILE",
     "the settings of a recipe (.tintara.json, as the window's Save Recipe... writes it) or of a "
     "saved plane, as if given here as options; options after it override it"},
    {"size", "200|300|400|500", "side of the preview square, in pixels (default 500)"},
    {"rate", "N", "x and y rate together, 3 to 30 (default 3)"},
    {"rate-x", "N", "block width, 3 to 30; the y rate follows it unless given (default 3)"},
    {"rate-y", "N", "block height, 3 to 30 (default: the x rate)"},
    {"type", "media|massimo|minimo|massimo-minimo",
     "block value: average, maximum, minimum or maximum minus minimum (default media)"},
    {"threshold", nullptr,
     "threshold markers instead of intensities; of --threshold and --reduction the later one "
     "counts (default off)"},
    {"red", "LO:HI", "red band: a block is marked when LO < value <= HI (default 128:255)"},
    {"green", "LO:HI", "green band (default 128:255)"},
    {"blue", "LO:HI", "blue band (default 128:255)"},
    {"auto", "METHOD",
     "each channel's minimum from METHOD on the picture's own block values, as the histogram "
     "window's Apply sets it; the maximum stays as far as the minimum allows (default none)"},
    {"auto-red", "METHOD", "the red minimum from METHOD, whatever --auto says"},
    {"auto-green", "METHOD", "the green minimum from METHOD, whatever --auto says"},
    {"auto-blue", "METHOD", "the blue minimum from METHOD, whatever --auto says"},
    {"overlap", nullptr,
     "each block also takes the pixels one step into its right and lower neighbours, so that "
     "no edge falls between two blocks; the grid keeps its step (default off)"},
    {"reduction", nullptr, "pixel reduction into the blue plane instead of a scan (default off)"},
    {"zoom", "r|g|b", "also write that plane enlarged as the zoom box shows it (default none)"},
    {"out", "DIR",
     "folder for the outputs, made with its parents when missing (default: beside "
     "each picture)"},
    {"overwrite", nullptr,
     "make every plane again, replacing whatever has its name (default: keep the planes that "
     "are up to date, make the missing and out-of-date ones, refuse a picture whose names "
     "hold another picture's planes)"},
    {"recursive", nullptr,
     "folders with their sub-folders; with --out their tree is mirrored (default off)"},
    {"jobs", "N", "worker processes, 1 to 256 (default: one per core)"},
    {"timeout", "SECONDS", "a picture that takes longer is stopped and refused (default 300)"},
    {"report", "FILE|-",
     "also one JSON object per picture into FILE; - is standard output, "
     "instead of the tab-separated lines (default none)"},
    {"measure", "FILE|-",
     "with --threshold: also one CSV row per picture into FILE; - is standard output, instead "
     "of the tab-separated lines: the file, its status, the settings, the blocks tested and "
     "marked and the marked share per channel, in all three and in any, and the program's "
     "version (default none)"},
    {"files-from", "FILE|-", "also the pictures named in FILE, one a line; - is standard input"},
    {"null", nullptr, "with --files-from: names end with a NUL byte, as find -print0 writes them"},
    {"shard", "K/N",
     "only shard K of N (1 <= K <= N), picked by a stable hash of each path as given; the "
     "planes are named as one run over the whole list names them"},
    {"dry-run", nullptr,
     "print the plan and write nothing: each picture's shard, its outputs, and whether it "
     "would be done, skipped (up to date) or refused"},
    {"help", nullptr, "shows these options and ends"},
};

} // namespace

namespace {

QString methodList()
{
    QStringList names;
    for (const histogram::Method m : histogram::Methods)
        names << QLatin1String(histogram::methodName(m));
    return names.join(QStringLiteral(", "));
}

} // namespace

QString helpText()
{
    QString text = QString::fromLatin1(Usage) +
                   QStringLiteral("\n\nWrites the planes of every picture as PNG files and "
                                  "one report line per picture.\n\nOptions:\n");
    for (const OptionDoc &o : Options) {
        QString left = QStringLiteral("  --") + QLatin1String(o.name);
        if (o.value)
            left += QLatin1Char(' ') + QLatin1String(o.value);
        // Long value lists put the meaning on a line of its own.
        if (left.size() > 22)
            left += QLatin1Char('\n') + QString(24, QLatin1Char(' '));
        else
            left = left.leftJustified(24);
        text += left + QLatin1String(o.help) + QLatin1Char('\n');
    }
    return text + QStringLiteral("\nMethods for --auto: %1.\n").arg(methodList());
}

quint64 stableHash(QByteArrayView bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
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
    const auto option = [&p](const char *name) {
        for (const OptionDoc &o : Options)
            if (!std::strcmp(o.name, name)) {
                const QCommandLineOption made(QString::fromLatin1(name),
                                              QString::fromLatin1(o.help),
                                              o.value ? QStringLiteral("value") : QString());
                p.addOption(made);
                return made;
            }
        const QCommandLineOption made(QString::fromLatin1(name)); // internal
        p.addOption(made);
        return made;
    };
    option("batch");
    option("batch-worker");
    option("recipe"); // read above; only a "--recipe" without its file reaches the parser
    option("help");
    const QCommandLineOption size = option("size"), rate = option("rate"), rateX = option("rate-x"),
                             rateY = option("rate-y"), type = option("type"),
                             threshold = option("threshold"), red = option("red"),
                             green = option("green"), blue = option("blue"),
                             reduction = option("reduction"), zoom = option("zoom"),
                             out = option("out"), overwrite = option("overwrite"),
                             jobs = option("jobs"), filesFrom = option("files-from"),
                             nullOption = option("null"), shardOption = option("shard"),
                             recursive = option("recursive"), timeout = option("timeout"),
                             report = option("report"), dryRun = option("dry-run"),
                             autoAll = option("auto"), measure = option("measure"),
                             overlap = option("overlap");
    const QCommandLineOption autoOf[] = {option("auto-red"), option("auto-green"),
                                         option("auto-blue")};
    if (!p.parse(QStringList{QStringLiteral("tintara")} + args))
        return Failure{p.errorText()};
    const auto bad = [](const QString &why) {
        return Failure{why};
    };
    if (p.isSet(size)) {
        const QString v = p.value(size);
        if (v != QLatin1String("200") && v != QLatin1String("300") && v != QLatin1String("400") &&
            v != QLatin1String("500"))
            return bad(QStringLiteral("--size takes 200, 300, 400 or 500"));
        s.size = v.toInt();
    }
    if (p.isSet(rate) && !number(p.value(rate), 3, 30, s.rx))
        return bad(QStringLiteral("rates lie between 3 and 30"));
    s.ry = s.rx; // as the x rate's bar drags the y rate's
    if (p.isSet(rateX) && !number(p.value(rateX), 3, 30, s.rx))
        return bad(QStringLiteral("rates lie between 3 and 30"));
    if (p.isSet(rateY) && !number(p.value(rateY), 3, 30, s.ry))
        return bad(QStringLiteral("rates lie between 3 and 30"));
    if (p.isSet(rateX) && !p.isSet(rateY) && !p.isSet(rate))
        s.ry = s.rx;
    if (p.isSet(type)) {
        // "nessuno" is a typed type, as a recipe of such planes says.
        const std::optional<int> selection = results::selectionNamed(p.value(type));
        if (!selection)
            return bad(QStringLiteral("--type takes media, massimo, minimo or massimo-minimo"));
        s.selection = *selection;
    }
    s.threshold = p.isSet(threshold);
    s.reduction = p.isSet(reduction);
    // A recipe's mode gives way to one given after it: the later of the two modes counts.
    if (s.threshold && s.reduction)
        (args.lastIndexOf(QStringLiteral("--threshold")) >
                 args.lastIndexOf(QStringLiteral("--reduction"))
             ? s.reduction
             : s.threshold) = false;
    s.overlap = p.isSet(overlap);
    if ((p.isSet(red) && !band(p.value(red), s.bands[Channel::Red])) ||
        (p.isSet(green) && !band(p.value(green), s.bands[Channel::Green])) ||
        (p.isSet(blue) && !band(p.value(blue), s.bands[Channel::Blue])))
        return bad(QStringLiteral("a band is LO:HI, each 0 to 255"));
    for (const Channel c : Channels) {
        const QCommandLineOption &given = p.isSet(autoOf[int(c)]) ? autoOf[int(c)] : autoAll;
        if (!p.isSet(given))
            continue;
        s.automatic[c] = histogram::methodNamed(p.value(given).toStdString());
        if (!s.automatic[c])
            return bad(QStringLiteral("--%1 takes one of %2")
                           .arg(given.names().constFirst(), methodList()));
    }
    if (p.isSet(zoom)) {
        // A channel by its initial: r, g or b.
        for (const Channel c : Channels)
            if (p.value(zoom) == channelName(c).left(1))
                s.zoom = c;
        if (!s.zoom)
            return bad(QStringLiteral("--zoom takes r, g or b"));
    }
    if (p.isSet(out))
        s.outDir = QFileInfo(p.value(out)).absoluteFilePath();
    s.dryRun = p.isSet(dryRun);
    s.overwrite = p.isSet(overwrite);
    if (p.isSet(jobs) && !number(p.value(jobs), 1, 256, s.jobs))
        return bad(QStringLiteral("--jobs takes 1 to 256"));
    if (p.isSet(timeout) && !number(p.value(timeout), 1, 7 * 24 * 3600, s.timeout))
        return bad(QStringLiteral("--timeout takes 1 to 604800 seconds"));
    s.recursive = p.isSet(recursive);
    s.report = p.value(report);
    s.measure = p.value(measure);
    if (p.isSet(measure) && !s.threshold)
        return bad(QStringLiteral("--measure counts what a threshold scan marks: add --threshold"));
    if (s.report == QLatin1String("-") && s.measure == QLatin1String("-"))
        return bad(QStringLiteral("--report and --measure cannot both be standard output"));
    if (p.isSet(shardOption)) {
        const QStringList kn = p.value(shardOption).split(QLatin1Char('/'));
        if (kn.size() != 2 || !number(kn[1], 1, 1 << 20, s.shards) ||
            !number(kn[0], 1, s.shards, s.shard))
            return bad(QStringLiteral("--shard takes K/N with 1 <= K <= N"));
    }
    if (p.isSet(nullOption) && !p.isSet(filesFrom))
        return bad(QStringLiteral("--null goes with --files-from"));
    s.null = p.isSet(nullOption);
    s.filesFrom = p.value(filesFrom);
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
    if (s.given.isEmpty() && s.filesFrom.isEmpty() && !p.isSet(QStringLiteral("batch-worker")))
        return bad(QStringLiteral("no picture to work on"));
    return s;
}

QStringList workerArguments(const Settings &s)
{
    // The settings as a recipe says them, then what only a batch has.
    QStringList a = results::batchArguments(recipeFor(s));
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
