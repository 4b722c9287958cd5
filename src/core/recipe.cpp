#include "core/recipe.h"

#include <QHash>
#include <algorithm>
#include <cmath>

namespace results {

namespace {

// The entries of a record besides its settings, each said once: the program's,
const QString Software = QStringLiteral("Tintara"), SoftwareKey = QStringLiteral("Software"),
              VersionKey = QStringLiteral("Software version"),
              FormatKey = QStringLiteral("Format version");
// the picture's,
const QString SourceKey = QStringLiteral("Source"), PathKey = QStringLiteral("Source path"),
              HashKey = QStringLiteral("Source hash"), PictureKey = QStringLiteral("Picture size"),
              FrameKey = QStringLiteral("Frame"), TimeKey = QStringLiteral("Frame time");
// and where its blocks lie in the picture.
const QString ScaleKey = QStringLiteral("Preview scale"), OriginKey = QStringLiteral("Grid origin"),
              StepKey = QStringLiteral("Grid step");

QString pairText(int a, int b, QChar between = QLatin1Char('x'))
{
    return QStringLiteral("%1%2%3").arg(a).arg(between).arg(b);
}

// "AxB" (or "A,B") with both numbers within [lo, hi].
std::optional<std::pair<int, int>> pairOf(const QString &text, QChar between, int lo, int hi)
{
    const QStringList parts = text.split(between);
    if (parts.size() != 2)
        return std::nullopt;
    bool okA = false, okB = false;
    const int a = parts[0].trimmed().toInt(&okA), b = parts[1].trimmed().toInt(&okB);
    if (!okA || !okB || a < lo || a > hi || b < lo || b > hi)
        return std::nullopt;
    return std::pair{a, b};
}

// A channel's blocks are marked by its band, which an automatic method may set, or by a local
// method; never both.
std::optional<Channel> bandAndLocal(const Recipe &r)
{
    for (const Channel c : Channels)
        if (r.automatic[c] && r.local[c])
            return c;
    return std::nullopt;
}

Failure bad(const QString &key, const QString &value, const QString &why)
{
    return Failure{QStringLiteral("Its \"%1\" reads \"%2\": %3.").arg(key, value, why)};
}

// One value of a recipe as the text of its kind.
struct Value {
    std::function<QString(const Recipe &)> text = {};
    // Reads the text into the recipe; false, leaving it as it was, where the text breaks the
    // kind's rule.
    std::function<bool(Recipe &, const QString &)> read = {};
    const char *rule = "";
};

template <class T> Value of(T Recipe::*member, const Kind<T> &kind)
{
    return {[member, &kind](const Recipe &r) { return kind.write(r.*member); },
            [member, &kind](Recipe &r, const QString &text) {
                const std::optional<T> v = kind.read(text);
                if (v)
                    r.*member = *v;
                return v.has_value();
            },
            kind.rule};
}

// A channel's value; an optional one reads "" for none.
template <class T, class M> Value of(PerChannel<M> Recipe::*member, Channel c, const Kind<T> &kind)
{
    constexpr bool optional = !std::is_same_v<T, M>;
    return {[member, c, &kind](const Recipe &r) {
                if constexpr (optional)
                    return (r.*member)[c] ? kind.write(*(r.*member)[c]) : QString();
                else
                    return kind.write((r.*member)[c]);
            },
            [member, c, &kind](Recipe &r, const QString &text) {
                const std::optional<T> v = kind.read(text);
                if (v)
                    (r.*member)[c] = *v;
                return v.has_value();
            },
            kind.rule};
}

// The mode, held as two flags.
Value mode()
{
    return {[](const Recipe &r) {
                return kinds::Modes.write(r.reduction   ? Mode::Reduction
                                          : r.threshold ? Mode::Threshold
                                                        : Mode::Rgb);
            },
            [](Recipe &r, const QString &text) {
                const std::optional<Mode> m = kinds::Modes.read(text);
                if (m) {
                    r.threshold = *m == Mode::Threshold;
                    r.reduction = *m == Mode::Reduction;
                }
                return m.has_value();
            },
            kinds::Modes.rule};
}

// A part of a setting's entry: one value, how the options given set it, its words in the
// history, its column in a measurement row and the window's control that holds it.
struct Part {
    Value value = {};
    // Options whose value is read as the part's kind: the later one given counts. `standIns`
    // count only where none of them is given ("--auto" for "--auto-red").
    QStringList options = {}, standIns = {};
    // Options without a value, each standing for one text of the part's kind; the later one
    // given counts.
    QList<QPair<QString, QString>> flags = {};
    // The history's words for a new value, %1 its text; empty where a change is not told.
    QString change = {};
    // Words of its own for the change, where a value needs more than its text.
    std::function<QStringList(const Recipe &before, const Recipe &after)> changes = {};
    QString column = {};
    QString control = {};
    bool atOnce = true; // a change takes effect at once, not at the next load
};

// One setting, said once: its entry in a record, made of its parts' texts, and the batch
// options that say it, with their help.
struct Field {
    QString key = {};
    // Written in every record, or only where it is not the default: records of settings that
    // are off stay as they always were.
    enum class Written { Always, UnlessDefault } written = Written::Always;
    QList<Part> parts = {};
    QChar joint = QLatin1Char('x'); // between the parts' texts
    QList<OptionDoc> options = {};
    // What a record of a placed picture says after it: the preview's scale, or the grid.
    enum class Then { Nothing, Scale, Grid } then = Then::Nothing;

    QString text(const Recipe &r) const
    {
        QStringList texts;
        for (const Part &p : parts)
            texts << p.value.text(r);
        return texts.join(joint);
    }
    bool isDefault(const Recipe &r) const { return text(r) == text(Recipe{}); }
    QString rule() const
    {
        if (parts.size() == 1)
            return QLatin1String(parts[0].value.rule);
        QStringList names;
        for (qsizetype i = 0; i < parts.size(); ++i)
            names << QString(QLatin1Char('A' + char(i)));
        return QStringLiteral("%1, each %2").arg(names.join(joint), parts[0].value.rule);
    }
};

OptionDoc option(const char *name, const char *value, const QString &help, const char *usage = "")
{
    return {QLatin1String(name), QLatin1String(value), help, QLatin1String(usage)};
}

// "Red minimum 84 (Otsu)", "red maximum 200": the method a minimum came from is told with it.
QStringList bandChanges(Channel c, const Recipe &a, const Recipe &b)
{
    QStringList parts;
    const scan::Band &was = a.bands[c], &is = b.bands[c];
    const auto &method = b.automatic[c];
    if (was.lo != is.lo || method != a.automatic[c])
        parts << QStringLiteral("%1 minimum %2%3")
                     .arg(channelName(c))
                     .arg(is.lo)
                     .arg(method ? QStringLiteral(" (%1)").arg(kinds::Method.write(*method))
                                 : QString());
    if (was.hi != is.hi)
        parts << QStringLiteral("%1 maximum %2").arg(channelName(c)).arg(is.hi);
    return parts;
}

// Every setting, in the order records write them and the help lists them.
QList<Field> makeFields()
{
    using W = Field::Written;
    QList<Field> f{
        {.key = QStringLiteral("Preview size"),
         .parts = {{.value = of(&Recipe::size, kinds::Side),
                    .options = {QStringLiteral("size")},
                    .change = QStringLiteral("preview size %1"),
                    .column = QStringLiteral("size"),
                    .control = QStringLiteral("Combo1"),
                    .atOnce = false}},
         .options = {option("size", "200|300|400|500",
                            QStringLiteral("side of the preview square, in pixels (default 500)"))},
         .then = Field::Then::Scale},
        {.key = QStringLiteral("Selection"),
         .parts = {{.value = of(&Recipe::selection, kinds::Selection),
                    .options = {QStringLiteral("type")},
                    .change = QStringLiteral("type %1"),
                    .column = QStringLiteral("type")}},
         .options = {option("type", "media|massimo|minimo|massimo-minimo",
                            QStringLiteral("block value: average, maximum, minimum or maximum "
                                           "minus minimum (default media)"))}},
        {.key = QStringLiteral("Mode"),
         .parts = {{.value = mode(),
                    .flags = {{QStringLiteral("threshold"), QStringLiteral("threshold")},
                              {QStringLiteral("reduction"), QStringLiteral("pixel reduction")}}}},
         .options = {option("threshold", "",
                            QStringLiteral("threshold markers instead of intensities; of "
                                           "--threshold and --reduction the later one counts "
                                           "(default off)")),
                     option("reduction", "",
                            QStringLiteral("pixel reduction into the blue plane instead of a "
                                           "scan (default off)"))}},
        {.key = QStringLiteral("Rates"),
         .parts = {{.value = of(&Recipe::rx, kinds::Rate),
                    .options = {QStringLiteral("rate-x"), QStringLiteral("rate")},
                    .change = QStringLiteral("rate x %1"),
                    .column = QStringLiteral("rate_x"),
                    .control = QStringLiteral("HScroll4")},
                   // As the x rate's bar drags the y rate's.
                   {.value = of(&Recipe::ry, kinds::Rate),
                    .options = {QStringLiteral("rate-y"), QStringLiteral("rate")},
                    .standIns = {QStringLiteral("rate-x")},
                    .change = QStringLiteral("rate y %1"),
                    .column = QStringLiteral("rate_y"),
                    .control = QStringLiteral("HScroll8")}},
         .options = {option("rate", "N",
                            QStringLiteral("x and y rate together, 3 to 30 (default 3)"),
                            "[--rate N | --rate-x N --rate-y N]"),
                     option("rate-x", "N",
                            QStringLiteral("block width, 3 to 30; the y rate follows it unless "
                                           "given (default 3)"),
                            "-"),
                     option("rate-y", "N",
                            QStringLiteral("block height, 3 to 30 (default: the x rate)"), "-")}},
        {.key = QStringLiteral("Overlap"),
         .written = W::UnlessDefault,
         .parts = {{.value = of(&Recipe::overlap, kinds::OnOff),
                    .flags = {{QStringLiteral("overlap"), QStringLiteral("on")}},
                    .change = QStringLiteral("overlap %1"),
                    .column = QStringLiteral("overlap"),
                    .control = QStringLiteral("CheckOverlap")}},
         .options = {option("overlap", "",
                            QStringLiteral("each block also takes the pixels one step into its "
                                           "right and lower neighbours, so that no edge falls "
                                           "between two blocks; the grid keeps its step "
                                           "(default off)"))},
         .then = Field::Then::Grid},
    };
    for (const Channel c : Channels) {
        const QString name = channelName(c);
        f.append({.key = thresholdKey(c),
                  .parts = {{.value = of(&Recipe::bands, c, kinds::Band),
                             .options = {name},
                             .changes = [c](const Recipe &a,
                                            const Recipe &b) { return bandChanges(c, a, b); },
                             .column = name + QStringLiteral("_band")}},
                  .options = {{name,
                               QStringLiteral("LO:HI"),
                               c == Channel::Red
                                   ? QStringLiteral("red band: a block is marked when LO < value "
                                                    "<= HI (default 128:255)")
                                   : QStringLiteral("%1 band (default 128:255)").arg(name),
                               {}}}});
    }
    for (const Channel c : Channels) {
        const QString name = QStringLiteral("auto-") + channelName(c);
        QList<OptionDoc> options;
        if (c == Channel::Red)
            options << option("auto", "METHOD",
                              QStringLiteral("each channel's minimum from METHOD on the "
                                             "picture's own block values, as the histogram "
                                             "window's Apply sets it; the maximum stays as far as "
                                             "the minimum allows (default none)"));
        options << OptionDoc{
            name,
            QStringLiteral("METHOD"),
            QStringLiteral("the %1 minimum from METHOD, whatever --auto says").arg(channelName(c)),
            {}};
        // Told with the minimum it gives.
        f.append({.key = automaticKey(c),
                  .written = W::UnlessDefault,
                  .parts = {{.value = of(&Recipe::automatic, c, kinds::Method),
                             .options = {name},
                             .standIns = {QStringLiteral("auto")},
                             .column = channelName(c) + QStringLiteral("_auto")}},
                  .options = options});
    }
    // Local methods, written only where a channel has one: every other record stays as it
    // always was.
    for (const Channel c : Channels) {
        const QString name = QStringLiteral("local-") + channelName(c);
        QList<OptionDoc> options;
        if (c == Channel::Red)
            options << option("local", "METHOD",
                              QStringLiteral("each channel's blocks marked by a local method on "
                                             "its plane of block values, as Fiji's Auto Local "
                                             "Threshold marks pixels, instead of by its band; "
                                             "implies --threshold (default none)"));
        options << OptionDoc{
            name,
            QStringLiteral("METHOD"),
            QStringLiteral("the %1 blocks by METHOD, whatever --local says").arg(channelName(c)),
            {}};
        f.append({.key = QStringLiteral("%1 local threshold").arg(channelTitle(c)),
                  .written = W::UnlessDefault,
                  .parts = {{.value = of(&Recipe::local, c, kinds::LocalMethod),
                             .options = {name},
                             .standIns = {QStringLiteral("local")},
                             .changes =
                                 [c](const Recipe &a, const Recipe &b) {
                                     if (a.local[c] == b.local[c])
                                         return QStringList{};
                                     if (!b.local[c])
                                         return QStringList{
                                             QStringLiteral("%1 band again").arg(channelName(c))};
                                     return QStringList{
                                         QStringLiteral("%1 local %2")
                                             .arg(channelName(c),
                                                  kinds::LocalMethod.write(*b.local[c]))};
                                 },
                             .column = channelName(c) + QStringLiteral("_local")}},
                  .options = options});
    }
    f.append({.key = QStringLiteral("Local radius"),
              .written = W::UnlessDefault,
              .parts = {{.value = of(&Recipe::localRadius, kinds::LocalRadius),
                         .options = {QStringLiteral("local-radius")},
                         .change = QStringLiteral("local radius %1"),
                         .column = QStringLiteral("local_radius")}},
              .options = {option("local-radius", "R",
                                 QStringLiteral("a local method's neighbourhood: the blocks within "
                                                "R of each, 1 to 100 (default 15)"))}});
    for (const int n : {1, 2})
        f.append({.key = QStringLiteral("Local parameter %1").arg(n),
                  .written = W::UnlessDefault,
                  .parts = {{.value = of(n == 1 ? &Recipe::localParam1 : &Recipe::localParam2,
                                         kinds::LocalParameter),
                             .options = {QStringLiteral("local-param%1").arg(n)},
                             .change = QStringLiteral("local parameter %1 %2")
                                           .arg(n)
                                           .arg(QStringLiteral("%1")),
                             .column = QStringLiteral("local_param%1").arg(n)}},
                  .options = {{QStringLiteral("local-param%1").arg(n),
                               QStringLiteral("X"),
                               n == 1 ? QStringLiteral("a local method's first parameter: "
                                                       "Bernsen's contrast, the offset of Mean, "
                                                       "Median and MidGrey, k of Niblack, "
                                                       "Phansalkar and Sauvola; 0 for the "
                                                       "method's default (default 0)")
                                      : QStringLiteral("its second: the offset of Niblack, r of "
                                                       "Phansalkar and Sauvola (default 0)"),
                               {}}}});
    f.append({.key = QStringLiteral("Local objects"),
              .written = W::UnlessDefault,
              .parts = {{.value = of(&Recipe::localWhite, kinds::LocalObjects),
                         .flags = {{QStringLiteral("local-dark"), QStringLiteral("dark")}},
                         .change = QStringLiteral("local objects %1"),
                         .column = QStringLiteral("local_objects")}},
              .options = {option("local-dark", "",
                                 QStringLiteral("a local method finds objects darker than their "
                                                "ground (default: brighter, as edges are)"))}});
    // Written only for a stack or a film whose frames were asked for: every other record stays
    // as it always was.
    f.append({.key = QStringLiteral("Frames"),
              .written = W::UnlessDefault,
              .parts = {{.value = of(&Recipe::frames, kinds::Frames),
                         .options = {QStringLiteral("frames")},
                         .changes =
                             [](const Recipe &a, const Recipe &b) {
                                 return a.frames == b.frames
                                            ? QStringList{}
                                            : QStringList{QStringLiteral("frames %1")
                                                              .arg(b.frames.isEmpty()
                                                                       ? QStringLiteral("first")
                                                                       : b.frames)};
                             }}},
              .options = {option("frames", "all|N|A-B[/STEP]",
                                 QStringLiteral("the frames of stacks and films to scan, numbered "
                                                "from 1: every one, one, or A to B every STEP; "
                                                "their planes are named <stem>-f<NNNNN>-... "
                                                "(default: the first frame, named as a still "
                                                "picture's)"))}});
    f.append({.key = QStringLiteral("Automatic scope"),
              .written = W::UnlessDefault,
              .parts = {{.value = of(&Recipe::stackScope, kinds::StackScope),
                         .options = {QStringLiteral("auto-scope")},
                         .change = QStringLiteral("automatic scope %1")}},
              .options = {option("auto-scope", "frame|stack",
                                 QStringLiteral("with --auto and --frames: each frame's minimum "
                                                "from its own block values, or one minimum for "
                                                "all from the block values of every frame "
                                                "scanned (default frame)"))}});
    // A change told in the part's own words, with the new value's text.
    for (Field &field : f)
        for (Part &p : field.parts)
            if (!p.changes && !p.change.isEmpty())
                p.changes = [text = p.value.text, change = p.change](const Recipe &a,
                                                                     const Recipe &b) {
                    const QString is = text(b);
                    return text(a) == is ? QStringList{} : QStringList{change.arg(is)};
                };
    return f;
}

const QList<Field> &fields()
{
    static const QList<Field> table = makeFields();
    return table;
}

const Part *partHeldBy(const QString &control)
{
    for (const Field &f : fields())
        for (const Part &p : f.parts)
            if (p.control == control)
                return &p;
    return nullptr;
}

} // namespace

bool operator==(const Recipe &a, const Recipe &b)
{
    return std::all_of(fields().begin(), fields().end(),
                       [&](const Field &f) { return f.text(a) == f.text(b); });
}

Recipe held(Recipe r)
{
    r.size = std::clamp((r.size - 200) / 100, 0, 3) * 100 + 200;
    r.rx = std::clamp(r.rx, 3, 30);
    r.ry = std::clamp(r.ry, 3, 30);
    for (scan::Band &b : r.bands) {
        b.lo = std::clamp(b.lo, 0, 255);
        b.hi = std::clamp(b.hi, b.lo, 255);
    }
    if (r.reduction) {
        r.threshold = false;
        r.ry = r.rx;
    }
    return r;
}

QString selectionName(int selection)
{
    return kinds::Selection.write(selection);
}

std::optional<int> selectionNamed(const QString &name)
{
    return kinds::Selection.read(name);
}

Entries measuredSettings(const Recipe &r)
{
    Entries out;
    for (const Field &f : fields())
        for (const Part &p : f.parts)
            if (!p.column.isEmpty())
                out.append({p.column, p.value.text(r)});
    return out;
}

QString suggestedName(const QString &picture, const QString &view, const Recipe &r)
{
    return QStringLiteral("%1-%2-%3-%4x%5.png")
        .arg(picture.isEmpty() ? QStringLiteral("tintara") : picture, view,
             selectionName(r.selection))
        .arg(r.rx)
        .arg(r.ry);
}

Entries describe(const Source &source, const Recipe &r)
{
    // "Source" keeps the file's name alone, as planes have always said.
    const qsizetype slash = source.path.lastIndexOf(QLatin1Char('/'));
    Entries texts{
        {SourceKey, source.path.mid(slash + 1)},
        {PathKey, source.path},
        {HashKey, source.hash},
    };
    const bool placed = !source.picture.isEmpty();
    if (placed)
        texts.append({PictureKey, pairText(source.picture.width(), source.picture.height())});
    if (source.frame > 0) {
        texts.append({FrameKey, QString::number(source.frame)});
        if (source.time)
            texts.append({TimeKey, QString::number(*source.time, 'f', 3)});
    }
    for (const Field &f : fields()) {
        if (f.written == Field::Written::Always || !f.isDefault(r))
            texts.append({f.key, f.text(r)});
        if (!placed)
            continue;
        if (f.then == Field::Then::Scale) {
            // The preview's longer side is the square's side.
            const int longer = std::max(source.picture.width(), source.picture.height());
            texts.append({ScaleKey, QString::number(double(r.size) / longer, 'g', 12)});
        } else if (f.then == Field::Then::Grid) {
            // The grid starts at the preview's top-left pixel.
            texts.append({OriginKey, pairText(0, 0, QLatin1Char(','))});
            texts.append({StepKey, pairText(r.rx, r.ry)});
        }
    }
    texts.append({SoftwareKey, Software});
    texts.append({VersionKey, source.version});
    // A local method is what a reader of format 2 would pass over without a word.
    texts.append({FormatKey, QString::number(r.anyLocal() ? RecipeFormat : 2)});
    return texts;
}

QString thresholdKey(Channel channel)
{
    return QStringLiteral("%1 threshold").arg(channelTitle(channel));
}

QString automaticKey(Channel channel)
{
    return QStringLiteral("%1 automatic threshold").arg(channelTitle(channel));
}

bool claimsRecipe(const Entries &entries)
{
    return std::any_of(entries.begin(), entries.end(), [](const auto &e) {
        return e.first == SoftwareKey && e.second == Software;
    });
}

Result<Recorded> readEntries(const Entries &entries)
{
    QStringList known = {FormatKey,  SoftwareKey, VersionKey, SourceKey, PathKey,  HashKey,
                         PictureKey, ScaleKey,    OriginKey,  StepKey,   FrameKey, TimeKey};
    for (const Field &f : fields())
        known << f.key;
    Recorded out;
    QHash<QString, QString> v;
    for (const auto &entry : entries)
        if (known.contains(entry.first) && !v.contains(entry.first))
            v.insert(entry.first, entry.second);
        else
            out.unknown.append(entry);

    if (v.value(SoftwareKey) != Software)
        return Failure{QStringLiteral("It has no recipe of Tintara.")};
    if (v.contains(FormatKey)) {
        bool ok = false;
        out.format = v[FormatKey].toInt(&ok);
        if (!ok || out.format < 1)
            return bad(FormatKey, v[FormatKey], QStringLiteral("that is no format version"));
        if (out.format > RecipeFormat)
            return Failure{QStringLiteral("It is a recipe of format version %1, made by a later "
                                          "Tintara; this one reads format versions up to %2.")
                               .arg(out.format)
                               .arg(RecipeFormat)};
    } else {
        out.format = 1; // written before recipes had a version
    }
    for (const Field &f : fields())
        if (f.written == Field::Written::Always && !v.contains(f.key))
            return Failure{QStringLiteral("It has no \"%1\" entry.").arg(f.key)};
    for (const Field &f : fields()) {
        if (!v.contains(f.key))
            continue;
        const QString &text = v[f.key];
        const QStringList texts = f.parts.size() == 1 ? QStringList{text} : text.split(f.joint);
        bool read = texts.size() == f.parts.size();
        for (qsizetype i = 0; read && i < texts.size(); ++i)
            read = f.parts[i].value.read(out.recipe, texts[i]);
        if (!read)
            return bad(f.key, text, QStringLiteral("it takes ") + f.rule());
    }

    if (const std::optional<Channel> c = bandAndLocal(out.recipe))
        return Failure{QStringLiteral("Its %1 channel has both an automatic and a local method; "
                                      "a channel takes one of them.")
                           .arg(channelName(*c))};
    // Records of earlier versions name their picture by its file name alone.
    out.source.path = v.value(PathKey, v.value(SourceKey));
    out.source.hash = v.value(HashKey);
    out.source.version = v.value(VersionKey);
    if (v.contains(FrameKey) && !numberIn(v[FrameKey], 1, MaxFrameNumber, out.source.frame))
        return bad(FrameKey, v[FrameKey], QStringLiteral("frames are numbered from 1"));
    if (v.contains(TimeKey)) {
        bool ok = false;
        out.source.time = v[TimeKey].toDouble(&ok);
        if (!ok || !std::isfinite(*out.source.time))
            return bad(TimeKey, v[TimeKey], QStringLiteral("a time is in seconds"));
    }
    if (v.contains(PictureKey)) {
        const auto picture = pairOf(v[PictureKey], QLatin1Char('x'), 1, 1 << 30);
        if (!picture)
            return bad(PictureKey, v[PictureKey], QStringLiteral("a size is WxH in pixels"));
        out.source.picture = {picture->first, picture->second};
    }
    if (out.format >= 2 && v.contains(ScaleKey)) {
        Placement &p = out.placement.emplace();
        bool ok = false;
        p.scale = v[ScaleKey].toDouble(&ok);
        if (!ok || !std::isfinite(p.scale) || p.scale <= 0)
            return bad(ScaleKey, v[ScaleKey], QStringLiteral("a scale is a number above 0"));
        const auto origin =
            pairOf(v.value(OriginKey, QStringLiteral("0,0")), QLatin1Char(','), 0, 1 << 16);
        if (!origin)
            return bad(OriginKey, v[OriginKey], QStringLiteral("an origin is X,Y in pixels"));
        p.origin = {origin->first, origin->second};
        const auto step =
            pairOf(v.value(StepKey, v[QStringLiteral("Rates")]), QLatin1Char('x'), 1, 1 << 16);
        if (!step)
            return bad(StepKey, v[StepKey], QStringLiteral("a step is XxY in pixels"));
        p.step = {step->first, step->second};
    }
    return out;
}

QString methodList()
{
    QStringList names;
    for (const histogram::Method m : histogram::Methods)
        names << kinds::Method.write(m);
    return names.join(QStringLiteral(", "));
}

QList<OptionDoc> recipeOptions()
{
    QList<OptionDoc> options;
    for (const Field &f : fields())
        options += f.options;
    return options;
}

Result<void> readOptions(const GivenOptions &given, Recipe &r)
{
    // The one given last of these options, if any.
    const auto latest = [&given](const QStringList &names) -> std::optional<QString> {
        std::optional<QString> last;
        qsizetype at = -1;
        for (const QString &name : names)
            if (given.value(name) && given.lastAt(name) >= at)
                last = name, at = given.lastAt(name);
        return last;
    };
    for (const Field &f : fields())
        for (const Part &p : f.parts) {
            QStringList flags;
            for (const auto &[flag, text] : p.flags)
                flags << flag;
            if (const std::optional<QString> flag = latest(flags))
                for (const auto &[name, text] : p.flags)
                    if (name == *flag)
                        p.value.read(r, text);
            std::optional<QString> name = latest(p.options);
            if (!name)
                name = latest(p.standIns);
            if (name && !p.value.read(r, *given.value(*name)))
                return Failure{QStringLiteral("--%1 takes %2").arg(*name, p.value.rule)};
        }
    if (const std::optional<Channel> c = bandAndLocal(r))
        return Failure{QStringLiteral("the %1 channel has both an automatic method (--auto) and a "
                                      "local one (--local): its blocks are marked by a band or by "
                                      "a local method, not both")
                           .arg(channelName(*c))};
    // A local method marks the blocks of a threshold scan.
    if (r.anyLocal() && !r.reduction)
        r.threshold = true;
    return {};
}

QStringList batchArguments(const Recipe &r)
{
    QStringList a;
    for (const Field &f : fields()) {
        if (f.written == Field::Written::UnlessDefault && f.isDefault(r))
            continue;
        for (const Part &p : f.parts) {
            const QString text = p.value.text(r);
            if (!p.options.isEmpty())
                a << QStringLiteral("--") + p.options[0] << text;
            for (const auto &[flag, stands] : p.flags)
                if (stands == text)
                    a << QStringLiteral("--") + flag;
        }
    }
    return a;
}

QList<ControlSetting> controlSettings()
{
    QList<ControlSetting> held;
    for (const Field &f : fields())
        for (const Part &p : f.parts)
            if (!p.control.isEmpty())
                held.append({p.control, p.atOnce});
    return held;
}

QString controlText(const Recipe &r, const QString &control)
{
    const Part *p = partHeldBy(control);
    return p ? p->value.text(r) : QString();
}

bool takeControlText(Recipe &r, const QString &control, const QString &text)
{
    const Part *p = partHeldBy(control);
    return p && p->value.read(r, text);
}

QString describeChange(const Recipe &before, const Recipe &after)
{
    QStringList parts;
    for (const Field &f : fields())
        for (const Part &p : f.parts)
            if (p.changes)
                parts += p.changes(before, after);
    QString text = parts.join(QStringLiteral(", "));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

std::optional<QRectF> pictureRect(const Recorded &recorded, QPoint pixel)
{
    if (!recorded.placement)
        return std::nullopt;
    const Placement &p = *recorded.placement;
    // A reduction's pixel is one sample; a block spans its step, and one more with overlap.
    const int grow = recorded.recipe.overlap ? 1 : 0;
    const QSizeF span = recorded.recipe.reduction
                            ? QSizeF(1, 1)
                            : QSizeF(p.step.width() + grow, p.step.height() + grow);
    const QRectF preview(QPointF(p.origin.x() + double(pixel.x()) * p.step.width(),
                                 p.origin.y() + double(pixel.y()) * p.step.height()),
                         span);
    return QRectF(preview.topLeft() / p.scale, preview.size() / p.scale);
}

} // namespace results
