#include "core/recipe.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>

namespace results {

namespace {

// The entries' keys, each said once.
const QString FormatKey = QStringLiteral("Format version");
const QString SoftwareKey = QStringLiteral("Software");
const QString VersionKey = QStringLiteral("Software version");
const QString SourceKey = QStringLiteral("Source");
const QString PathKey = QStringLiteral("Source path");
const QString HashKey = QStringLiteral("Source hash");
const QString PictureKey = QStringLiteral("Picture size");
const QString SizeKey = QStringLiteral("Preview size");
const QString ScaleKey = QStringLiteral("Preview scale");
const QString SelectionKey = QStringLiteral("Selection");
const QString ModeKey = QStringLiteral("Mode");
const QString RatesKey = QStringLiteral("Rates");
const QString OverlapKey = QStringLiteral("Overlap");
const QString FramesKey = QStringLiteral("Frames");
const QString ScopeKey = QStringLiteral("Automatic scope");
const QString FrameKey = QStringLiteral("Frame");
const QString TimeKey = QStringLiteral("Frame time");
const QString OriginKey = QStringLiteral("Grid origin");
const QString StepKey = QStringLiteral("Grid step");
const QString Software = QStringLiteral("Tintara");

constexpr const char *Modes[] = {"RGB", "threshold", "pixel reduction"};

QString modeName(const Recipe &r)
{
    return QLatin1String(Modes[r.reduction ? 2 : r.threshold ? 1 : 0]);
}

QString bandText(const scan::Band &b)
{
    return QStringLiteral("%1:%2").arg(b.lo).arg(b.hi);
}

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

Failure bad(const QString &key, const QString &value, const QString &why)
{
    return Failure{QStringLiteral("Its \"%1\" reads \"%2\": %3.").arg(key, value, why)};
}

bool isSize(const QString &text)
{
    return text == QLatin1String("200") || text == QLatin1String("300") ||
           text == QLatin1String("400") || text == QLatin1String("500");
}

using Why = std::optional<QString>;

// One setting, said once: its entry in a record, the batch options that set it, and what a
// change of it says in the history. Two recipes are equal when every entry reads the same.
struct Field {
    QString key;
    bool required = true; // a record without it holds no recipe
    // The entry's text; none where it is not written (Overlap off, no automatic method).
    std::function<std::optional<QString>(const Recipe &)> text;
    // Reads the entry (none where it is absent) into the recipe; the reason it cannot.
    std::function<Why(Recipe &, const std::optional<QString> &)> read;
    QList<OptionDoc> options;
    // Sets the recipe from the options given; the usage error.
    std::function<Why(Recipe &, const GivenOptions &)> given;
    // The options that say it.
    std::function<QStringList(const Recipe &)> arguments;
    // What changed, for the history: no part, one or two.
    std::function<QStringList(const Recipe &before, const Recipe &after)> change;
    // What a record of a placed picture says after it: the preview's scale, or the grid.
    enum class Then { Nothing, Scale, Grid } then = Then::Nothing;
};

QList<Field> makeFields()
{
    const auto none = [](const Recipe &, const Recipe &) {
        return QStringList{};
    };
    QList<Field> f;
    f.append({SizeKey,
              true,
              [](const Recipe &r) { return QString::number(r.size); },
              [](Recipe &r, const std::optional<QString> &t) -> Why {
                  if (!isSize(*t))
                      return QStringLiteral("the preview is 200, 300, 400 or 500 pixels");
                  r.size = t->toInt();
                  return {};
              },
              {{QStringLiteral("size"),
                QStringLiteral("200|300|400|500"),
                QStringLiteral("side of the preview square, in pixels (default 500)"),
                {}}},
              [](Recipe &r, const GivenOptions &g) -> Why {
                  if (const auto v = g.value(QStringLiteral("size"))) {
                      if (!isSize(*v))
                          return QStringLiteral("--size takes 200, 300, 400 or 500");
                      r.size = v->toInt();
                  }
                  return {};
              },
              [](const Recipe &r) {
                  return QStringList{QStringLiteral("--size"), QString::number(r.size)};
              },
              [](const Recipe &a, const Recipe &b) {
                  return a.size == b.size
                             ? QStringList{}
                             : QStringList{QStringLiteral("preview size %1").arg(b.size)};
              },
              Field::Then::Scale});
    f.append(
        {SelectionKey,
         true,
         [](const Recipe &r) { return selectionName(r.selection); },
         [](Recipe &r, const std::optional<QString> &t) -> Why {
             const std::optional<int> selection = selectionNamed(*t);
             if (!selection)
                 return QStringLiteral("the types are media, massimo, minimo and massimo-minimo");
             r.selection = *selection;
             return {};
         },
         {{QStringLiteral("type"),
           QStringLiteral("media|massimo|minimo|massimo-minimo"),
           QStringLiteral("block value: average, maximum, minimum or maximum minus minimum "
                          "(default media)"),
           {}}},
         [](Recipe &r, const GivenOptions &g) -> Why {
             // "nessuno" is a typed type, as a recipe of such planes says.
             if (const auto v = g.value(QStringLiteral("type"))) {
                 const std::optional<int> selection = selectionNamed(*v);
                 if (!selection)
                     return QStringLiteral("--type takes media, massimo, minimo or massimo-minimo");
                 r.selection = *selection;
             }
             return {};
         },
         [](const Recipe &r) {
             return QStringList{QStringLiteral("--type"), selectionName(r.selection)};
         },
         [](const Recipe &a, const Recipe &b) {
             return a.selection == b.selection
                        ? QStringList{}
                        : QStringList{QStringLiteral("type %1").arg(selectionName(b.selection))};
         }});
    f.append({ModeKey,
              true,
              [](const Recipe &r) { return modeName(r); },
              [](Recipe &r, const std::optional<QString> &t) -> Why {
                  if (*t != QLatin1String(Modes[0]) && *t != QLatin1String(Modes[1]) &&
                      *t != QLatin1String(Modes[2]))
                      return QStringLiteral("the modes are RGB, threshold and pixel reduction");
                  r.threshold = *t == QLatin1String(Modes[1]);
                  r.reduction = *t == QLatin1String(Modes[2]);
                  return {};
              },
              {{QStringLiteral("threshold"),
                {},
                QStringLiteral("threshold markers instead of intensities; of --threshold and "
                               "--reduction the later one counts (default off)"),
                {}},
               {QStringLiteral("reduction"),
                {},
                QStringLiteral("pixel reduction into the blue plane instead of a scan (default "
                               "off)"),
                {}}},
              [](Recipe &r, const GivenOptions &g) -> Why {
                  const QString threshold = QStringLiteral("threshold"),
                                reduction = QStringLiteral("reduction");
                  r.threshold = g.value(threshold).has_value();
                  r.reduction = g.value(reduction).has_value();
                  // A recipe's mode gives way to one given after it: the later of the two counts.
                  if (r.threshold && r.reduction)
                      (g.lastAt(threshold) > g.lastAt(reduction) ? r.reduction : r.threshold) =
                          false;
                  return {};
              },
              [](const Recipe &r) {
                  return r.reduction   ? QStringList{QStringLiteral("--reduction")}
                         : r.threshold ? QStringList{QStringLiteral("--threshold")}
                                       : QStringList{};
              },
              none});
    f.append(
        {RatesKey,
         true,
         [](const Recipe &r) { return pairText(r.rx, r.ry); },
         [](Recipe &r, const std::optional<QString> &t) -> Why {
             const auto rates = pairOf(*t, QLatin1Char('x'), 3, 30);
             if (!rates)
                 return QStringLiteral("rates are XxY, each from 3 to 30");
             std::tie(r.rx, r.ry) = *rates;
             return {};
         },
         {{QStringLiteral("rate"), QStringLiteral("N"),
           QStringLiteral("x and y rate together, 3 to 30 (default 3)"),
           QStringLiteral("[--rate N | --rate-x N --rate-y N]")},
          {QStringLiteral("rate-x"), QStringLiteral("N"),
           QStringLiteral("block width, 3 to 30; the y rate follows it unless given (default "
                          "3)"),
           QStringLiteral("-")},
          {QStringLiteral("rate-y"), QStringLiteral("N"),
           QStringLiteral("block height, 3 to 30 (default: the x rate)"), QStringLiteral("-")}},
         [](Recipe &r, const GivenOptions &g) -> Why {
             const auto rate = g.value(QStringLiteral("rate")),
                        x = g.value(QStringLiteral("rate-x")),
                        y = g.value(QStringLiteral("rate-y"));
             const QString why = QStringLiteral("rates lie between 3 and 30");
             if (rate && !numberIn(*rate, 3, 30, r.rx))
                 return why;
             r.ry = r.rx; // as the x rate's bar drags the y rate's
             if ((x && !numberIn(*x, 3, 30, r.rx)) || (y && !numberIn(*y, 3, 30, r.ry)))
                 return why;
             if (x && !y && !rate)
                 r.ry = r.rx;
             return {};
         },
         [](const Recipe &r) {
             return QStringList{QStringLiteral("--rate-x"), QString::number(r.rx),
                                QStringLiteral("--rate-y"), QString::number(r.ry)};
         },
         [](const Recipe &a, const Recipe &b) {
             QStringList parts;
             if (a.rx != b.rx)
                 parts << QStringLiteral("rate x %1").arg(b.rx);
             if (a.ry != b.ry)
                 parts << QStringLiteral("rate y %1").arg(b.ry);
             return parts;
         }});
    // Written only where it is on: the record of a plain scan stays as it always was.
    f.append({OverlapKey,
              false,
              [](const Recipe &r) {
                  return r.overlap ? std::optional(QStringLiteral("on")) : std::nullopt;
              },
              [](Recipe &r, const std::optional<QString> &t) -> Why {
                  const QString overlap = t.value_or(QStringLiteral("off"));
                  if (overlap != QLatin1String("on") && overlap != QLatin1String("off"))
                      return QStringLiteral("it is on or off");
                  r.overlap = overlap == QLatin1String("on");
                  return {};
              },
              {{QStringLiteral("overlap"),
                {},
                QStringLiteral("each block also takes the pixels one step into its right and "
                               "lower neighbours, so that no edge falls between two blocks; the "
                               "grid keeps its step (default off)"),
                {}}},
              [](Recipe &r, const GivenOptions &g) -> Why {
                  r.overlap = g.value(QStringLiteral("overlap")).has_value();
                  return {};
              },
              [](const Recipe &r) {
                  return r.overlap ? QStringList{QStringLiteral("--overlap")} : QStringList{};
              },
              [](const Recipe &a, const Recipe &b) {
                  return a.overlap == b.overlap
                             ? QStringList{}
                             : QStringList{QStringLiteral("overlap %1")
                                               .arg(b.overlap ? QStringLiteral("on")
                                                              : QStringLiteral("off"))};
              },
              Field::Then::Grid});
    for (const Channel c : Channels) {
        const QString option = channelName(c);
        f.append(
            {thresholdKey(c),
             true,
             [c](const Recipe &r) { return bandText(r.bands[c]); },
             [c](Recipe &r, const std::optional<QString> &t) -> Why {
                 const auto band = pairOf(*t, QLatin1Char(':'), 0, 255);
                 if (!band || band->first > band->second)
                     return QStringLiteral("a band is LO:HI, with 0 <= LO <= HI <= 255");
                 r.bands[c] = {band->first, band->second};
                 return {};
             },
             {{option,
               QStringLiteral("LO:HI"),
               c == Channel::Red ? QStringLiteral("red band: a block is marked when LO < value "
                                                  "<= HI (default 128:255)")
                                 : QStringLiteral("%1 band (default 128:255)").arg(option),
               {}}},
             [c, option](Recipe &r, const GivenOptions &g) -> Why {
                 const auto v = g.value(option);
                 if (!v)
                     return {};
                 const QStringList parts = v->split(QLatin1Char(':'));
                 if (parts.size() != 2 || !numberIn(parts[0], 0, 255, r.bands[c].lo) ||
                     !numberIn(parts[1], 0, 255, r.bands[c].hi))
                     return QStringLiteral("a band is LO:HI, each 0 to 255");
                 return {};
             },
             [c, option](const Recipe &r) {
                 return QStringList{QStringLiteral("--") + option, bandText(r.bands[c])};
             },
             [c, option](const Recipe &a, const Recipe &b) {
                 QStringList parts;
                 const scan::Band &was = a.bands[c], &is = b.bands[c];
                 // The method a minimum came from is told with it.
                 const auto &method = b.automatic[c];
                 if (was.lo != is.lo || method != a.automatic[c])
                     parts << QStringLiteral("%1 minimum %2%3")
                                  .arg(option)
                                  .arg(is.lo)
                                  .arg(method ? QStringLiteral(" (%1)").arg(
                                                    QLatin1String(histogram::methodName(*method)))
                                              : QString());
                 if (was.hi != is.hi)
                     parts << QStringLiteral("%1 maximum %2").arg(option).arg(is.hi);
                 return parts;
             }});
    }
    for (const Channel c : Channels) {
        const QString option = QStringLiteral("auto-") + channelName(c);
        QList<OptionDoc> options;
        if (c == Channel::Red)
            options.append({QStringLiteral("auto"),
                            QStringLiteral("METHOD"),
                            QStringLiteral("each channel's minimum from METHOD on the picture's "
                                           "own block values, as the histogram window's Apply "
                                           "sets it; the maximum stays as far as the minimum "
                                           "allows (default none)"),
                            {}});
        options.append(
            {option,
             QStringLiteral("METHOD"),
             QStringLiteral("the %1 minimum from METHOD, whatever --auto says").arg(channelName(c)),
             {}});
        f.append({automaticKey(c), false,
                  [c](const Recipe &r) -> std::optional<QString> {
                      if (const auto &method = r.automatic[c])
                          return QLatin1String(histogram::methodName(*method));
                      return std::nullopt;
                  },
                  [c](Recipe &r, const std::optional<QString> &t) -> Why {
                      if (!t)
                          return {};
                      r.automatic[c] = histogram::methodNamed(t->toStdString());
                      if (!r.automatic[c])
                          return QStringLiteral("that is no automatic threshold method");
                      return {};
                  },
                  options,
                  [c, option](Recipe &r, const GivenOptions &g) -> Why {
                      const QString used = g.value(option) ? option : QStringLiteral("auto");
                      const auto v = g.value(used);
                      if (!v)
                          return {};
                      r.automatic[c] = histogram::methodNamed(v->toStdString());
                      if (!r.automatic[c])
                          return QStringLiteral("--%1 takes one of %2").arg(used, methodList());
                      return {};
                  },
                  [c, option](const Recipe &r) {
                      if (const auto &m = r.automatic[c])
                          return QStringList{QStringLiteral("--") + option,
                                             QLatin1String(histogram::methodName(*m))};
                      return QStringList{};
                  },
                  // Told with the minimum it gives.
                  none});
    }
    // Written only for a stack or a film whose frames were asked for: every other record stays
    // as it always was.
    f.append({FramesKey,
              false,
              [](const Recipe &r) {
                  return r.frames.isEmpty() ? std::nullopt : std::optional(r.frames);
              },
              [](Recipe &r, const std::optional<QString> &t) -> Why {
                  if (t && !frameRange(*t))
                      return QStringLiteral("frames are all, N or A-B[/STEP]");
                  r.frames = t.value_or(QString());
                  return {};
              },
              {{QStringLiteral("frames"),
                QStringLiteral("all|N|A-B[/STEP]"),
                QStringLiteral("the frames of stacks and films to scan, numbered from 1: every "
                               "one, one, or A to B every STEP; their planes are named "
                               "<stem>-f<NNNNN>-... (default: the first frame, named as a "
                               "still picture's)"),
                {}}},
              [](Recipe &r, const GivenOptions &g) -> Why {
                  if (const auto v = g.value(QStringLiteral("frames"))) {
                      if (!frameRange(*v))
                          return QStringLiteral("--frames takes all, N or A-B[/STEP]");
                      r.frames = *v;
                  }
                  return {};
              },
              [](const Recipe &r) {
                  return r.frames.isEmpty() ? QStringList{}
                                            : QStringList{QStringLiteral("--frames"), r.frames};
              },
              [](const Recipe &a, const Recipe &b) {
                  return a.frames == b.frames
                             ? QStringList{}
                             : QStringList{QStringLiteral("frames %1")
                                               .arg(b.frames.isEmpty() ? QStringLiteral("first")
                                                                       : b.frames)};
              }});
    f.append({ScopeKey,
              false,
              [](const Recipe &r) {
                  return r.stackScope ? std::optional(QStringLiteral("stack")) : std::nullopt;
              },
              [](Recipe &r, const std::optional<QString> &t) -> Why {
                  const QString scope = t.value_or(QStringLiteral("frame"));
                  if (scope != QLatin1String("frame") && scope != QLatin1String("stack"))
                      return QStringLiteral("it is frame or stack");
                  r.stackScope = scope == QLatin1String("stack");
                  return {};
              },
              {{QStringLiteral("auto-scope"),
                QStringLiteral("frame|stack"),
                QStringLiteral("with --auto and --frames: each frame's minimum from its own "
                               "block values, or one minimum for all from the block values of "
                               "every frame scanned (default frame)"),
                {}}},
              [](Recipe &r, const GivenOptions &g) -> Why {
                  if (const auto v = g.value(QStringLiteral("auto-scope"))) {
                      if (*v != QLatin1String("frame") && *v != QLatin1String("stack"))
                          return QStringLiteral("--auto-scope takes frame or stack");
                      r.stackScope = *v == QLatin1String("stack");
                  }
                  return {};
              },
              [](const Recipe &r) {
                  return r.stackScope
                             ? QStringList{QStringLiteral("--auto-scope"), QStringLiteral("stack")}
                             : QStringList{};
              },
              [](const Recipe &a, const Recipe &b) {
                  return a.stackScope == b.stackScope
                             ? QStringList{}
                             : QStringList{QStringLiteral("automatic scope %1")
                                               .arg(b.stackScope ? QStringLiteral("stack")
                                                                 : QStringLiteral("frame"))};
              }});
    return f;
}

// Every setting, in the order records write them.
const QList<Field> &fields()
{
    static const QList<Field> table = makeFields();
    return table;
}

} // namespace

bool operator==(const Recipe &a, const Recipe &b)
{
    return std::all_of(fields().begin(), fields().end(),
                       [&](const Field &f) { return f.text(a) == f.text(b); });
}

QString selectionName(int selection)
{
    // In the order of the selection types; a typed type selects none of them.
    static constexpr const char *names[] = {"media", "massimo", "minimo", "massimo-minimo"};
    if (selection < scan::Average || selection > scan::Spread)
        return QStringLiteral("nessuno");
    return QLatin1String(names[selection - scan::Average]);
}

std::optional<FrameRange> frameRange(const QString &text)
{
    FrameRange range;
    if (text == QLatin1String("all"))
        return range;
    QString span = text;
    if (const qsizetype slash = text.indexOf(QLatin1Char('/')); slash >= 0) {
        if (!numberIn(text.sliced(slash + 1), 1, MaxFrameNumber, range.step))
            return std::nullopt;
        span = text.first(slash);
    }
    const QStringList ends = span.split(QLatin1Char('-'));
    int last = 0;
    if (ends.size() == 1 && text.indexOf(QLatin1Char('/')) < 0 &&
        numberIn(ends[0], 1, MaxFrameNumber, range.first)) {
        range.last = range.first;
        return range;
    }
    if (ends.size() != 2 || !numberIn(ends[0], 1, MaxFrameNumber, range.first) ||
        !numberIn(ends[1], range.first, MaxFrameNumber, last))
        return std::nullopt;
    range.last = last;
    return range;
}

QList<int> FrameRange::of(int count) const
{
    QList<int> frames;
    for (int k = first; k <= std::min(count, last.value_or(count)); k += step)
        frames << k;
    return frames;
}

Entries measuredSettings(const Recipe &r)
{
    Entries out{
        {QStringLiteral("size"), QString::number(r.size)},
        {QStringLiteral("type"), selectionName(r.selection)},
        {QStringLiteral("rate_x"), QString::number(r.rx)},
        {QStringLiteral("rate_y"), QString::number(r.ry)},
        {QStringLiteral("overlap"), r.overlap ? QStringLiteral("on") : QStringLiteral("off")},
    };
    for (const Channel c : Channels)
        out.append({channelName(c) + QStringLiteral("_band"),
                    QStringLiteral("%1:%2").arg(r.bands[c].lo).arg(r.bands[c].hi)});
    for (const Channel c : Channels)
        out.append(
            {channelName(c) + QStringLiteral("_auto"),
             r.automatic[c] ? QLatin1String(histogram::methodName(*r.automatic[c])) : QString()});
    return out;
}

std::optional<int> selectionNamed(const QString &name)
{
    for (int i = scan::None; i <= scan::Spread; ++i)
        if (selectionName(i) == name)
            return i;
    return std::nullopt;
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
        if (const std::optional<QString> text = f.text(r))
            texts.append({f.key, *text});
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
    texts.append({FormatKey, QString::number(RecipeFormat)});
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
        if (f.required && !v.contains(f.key))
            return Failure{QStringLiteral("It has no \"%1\" entry.").arg(f.key)};
    for (const Field &f : fields()) {
        const std::optional<QString> text =
            v.contains(f.key) ? std::optional(v[f.key]) : std::nullopt;
        if (const Why why = f.read(out.recipe, text))
            return bad(f.key, text.value_or(QString()), *why);
    }

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
        const auto step = pairOf(v.value(StepKey, v[RatesKey]), QLatin1Char('x'), 1, 1 << 16);
        if (!step)
            return bad(StepKey, v[StepKey], QStringLiteral("a step is XxY in pixels"));
        p.step = {step->first, step->second};
    }
    return out;
}

QByteArray toJson(const Entries &entries)
{
    // Written in the entries' order, which an object of Qt's would sort; Qt quotes each string.
    const auto quoted = [](const QString &s) {
        return QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact).sliced(1).chopped(1);
    };
    QByteArray json = "{\n";
    for (qsizetype i = 0; i < entries.size(); ++i)
        json += "    " + quoted(entries[i].first) + ": " + quoted(entries[i].second) +
                (i + 1 < entries.size() ? ",\n" : "\n");
    return json + "}\n";
}

Result<Entries> entriesOfJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return Failure{QStringLiteral("It is damaged: %1 at byte %2.")
                           .arg(error.errorString())
                           .arg(error.offset)};
    if (!doc.isObject())
        return Failure{QStringLiteral("It has no recipe: it is no JSON object.")};
    Entries entries;
    const QJsonObject object = doc.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QJsonValue value = it.value();
        QString text;
        if (value.isString())
            text = value.toString();
        else if (value.isDouble())
            text = value.toDouble() == std::floor(value.toDouble()) &&
                           std::abs(value.toDouble()) < 1e15
                       ? QString::number(qint64(value.toDouble()))
                       : QString::number(value.toDouble(), 'g', 17);
        else
            text = QString::fromUtf8(QJsonDocument(QJsonArray{value})
                                         .toJson(QJsonDocument::Compact)
                                         .sliced(1)
                                         .chopped(1));
        entries.append({it.key(), text});
    }
    return entries;
}

bool numberIn(const QString &text, int lo, int hi, int &out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

QString methodList()
{
    QStringList names;
    for (const histogram::Method m : histogram::Methods)
        names << QLatin1String(histogram::methodName(m));
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
    for (const Field &f : fields())
        if (const Why why = f.given(r, given))
            return Failure{*why};
    return {};
}

QStringList batchArguments(const Recipe &r)
{
    QStringList a;
    for (const Field &f : fields())
        a += f.arguments(r);
    return a;
}

QString csvQuoted(QString text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QString shellQuoted(const QStringList &words)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    QStringList out;
    for (const QString &w : words)
        out << (plain.match(w).hasMatch()
                    ? w
                    : QLatin1Char('\'') +
                          QString(w).replace(QLatin1Char('\''), QStringLiteral("'\\''")) +
                          QLatin1Char('\''));
    return out.join(QLatin1Char(' '));
}

QString describeChange(const Recipe &before, const Recipe &after)
{
    QStringList parts;
    for (const Field &f : fields())
        parts += f.change(before, after);
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
