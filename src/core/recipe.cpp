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

} // namespace

bool operator==(const Recipe &a, const Recipe &b)
{
    const auto same = [](const scan::Band &x, const scan::Band &y) {
        return x.lo == y.lo && x.hi == y.hi;
    };
    return a.size == b.size && a.selection == b.selection && a.threshold == b.threshold &&
           a.reduction == b.reduction && a.rx == b.rx && a.ry == b.ry && a.overlap == b.overlap &&
           std::equal(a.bands.begin(), a.bands.end(), b.bands.begin(), same) &&
           a.automatic == b.automatic;
}

QString selectionName(int selection)
{
    // In the order of the selection types; a typed type selects none of them.
    static constexpr const char *names[] = {"media", "massimo", "minimo", "massimo-minimo"};
    if (selection < scan::Average || selection > scan::Spread)
        return QStringLiteral("nessuno");
    return QLatin1String(names[selection - scan::Average]);
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
    texts.append({SizeKey, QString::number(r.size)});
    if (placed) {
        // The preview's longer side is the square's side.
        const int longer = std::max(source.picture.width(), source.picture.height());
        texts.append({ScaleKey, QString::number(double(r.size) / longer, 'g', 12)});
    }
    texts.append({SelectionKey, selectionName(r.selection)});
    texts.append({ModeKey, modeName(r)});
    texts.append({RatesKey, pairText(r.rx, r.ry)});
    // Only where it is on: the record of a plain scan stays as it always was.
    if (r.overlap)
        texts.append({OverlapKey, QStringLiteral("on")});
    if (placed) {
        // The grid starts at the preview's top-left pixel.
        texts.append({OriginKey, pairText(0, 0, QLatin1Char(','))});
        texts.append({StepKey, pairText(r.rx, r.ry)});
    }
    for (const Channel c : Channels)
        texts.append({thresholdKey(c), bandText(r.bands[c])});
    for (const Channel c : Channels)
        if (const auto &method = r.automatic[c])
            texts.append({automaticKey(c), QLatin1String(histogram::methodName(*method))});
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
    QStringList known = {FormatKey, SoftwareKey, VersionKey, SourceKey, PathKey,
                         HashKey,   PictureKey,  SizeKey,    ScaleKey,  SelectionKey,
                         ModeKey,   RatesKey,    OverlapKey, OriginKey, StepKey};
    for (const Channel c : Channels)
        known << thresholdKey(c) << automaticKey(c);
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
    for (const QString &key : {SizeKey, SelectionKey, ModeKey, RatesKey})
        if (!v.contains(key))
            return Failure{QStringLiteral("It has no \"%1\" entry.").arg(key)};
    for (const Channel c : Channels)
        if (!v.contains(thresholdKey(c)))
            return Failure{QStringLiteral("It has no \"%1\" entry.").arg(thresholdKey(c))};

    Recipe &r = out.recipe;
    const QString size = v[SizeKey];
    if (size != QLatin1String("200") && size != QLatin1String("300") &&
        size != QLatin1String("400") && size != QLatin1String("500"))
        return bad(SizeKey, size, QStringLiteral("the preview is 200, 300, 400 or 500 pixels"));
    r.size = size.toInt();
    const std::optional<int> selection = selectionNamed(v[SelectionKey]);
    if (!selection)
        return bad(SelectionKey, v[SelectionKey],
                   QStringLiteral("the types are media, massimo, minimo and massimo-minimo"));
    r.selection = *selection;
    const QString mode = v[ModeKey];
    if (mode != QLatin1String(Modes[0]) && mode != QLatin1String(Modes[1]) &&
        mode != QLatin1String(Modes[2]))
        return bad(ModeKey, mode,
                   QStringLiteral("the modes are RGB, threshold and pixel reduction"));
    r.threshold = mode == QLatin1String(Modes[1]);
    r.reduction = mode == QLatin1String(Modes[2]);
    const auto rates = pairOf(v[RatesKey], QLatin1Char('x'), 3, 30);
    if (!rates)
        return bad(RatesKey, v[RatesKey], QStringLiteral("rates are XxY, each from 3 to 30"));
    std::tie(r.rx, r.ry) = *rates;
    const QString overlap = v.value(OverlapKey, QStringLiteral("off"));
    if (overlap != QLatin1String("on") && overlap != QLatin1String("off"))
        return bad(OverlapKey, overlap, QStringLiteral("it is on or off"));
    r.overlap = overlap == QLatin1String("on");
    for (const Channel c : Channels) {
        const QString text = v[thresholdKey(c)];
        const auto band = pairOf(text, QLatin1Char(':'), 0, 255);
        if (!band || band->first > band->second)
            return bad(thresholdKey(c), text,
                       QStringLiteral("a band is LO:HI, with 0 <= LO <= HI <= 255"));
        r.bands[c] = {band->first, band->second};
        if (v.contains(automaticKey(c))) {
            r.automatic[c] = histogram::methodNamed(v[automaticKey(c)].toStdString());
            if (!r.automatic[c])
                return bad(automaticKey(c), v[automaticKey(c)],
                           QStringLiteral("that is no automatic threshold method"));
        }
    }

    // Records of earlier versions name their picture by its file name alone.
    out.source.path = v.value(PathKey, v.value(SourceKey));
    out.source.hash = v.value(HashKey);
    out.source.version = v.value(VersionKey);
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

QStringList batchArguments(const Recipe &r)
{
    QStringList a{QStringLiteral("--size"), QString::number(r.size),    QStringLiteral("--rate-x"),
                  QString::number(r.rx),    QStringLiteral("--rate-y"), QString::number(r.ry),
                  QStringLiteral("--type"), selectionName(r.selection)};
    if (r.reduction)
        a << QStringLiteral("--reduction");
    else if (r.threshold)
        a << QStringLiteral("--threshold");
    for (const Channel c : Channels)
        a << QStringLiteral("--") + channelName(c) << bandText(r.bands[c]);
    if (r.overlap)
        a << QStringLiteral("--overlap");
    for (const Channel c : Channels)
        if (const auto &m = r.automatic[c])
            a << QStringLiteral("--auto-") + channelName(c)
              << QLatin1String(histogram::methodName(*m));
    return a;
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
    if (before.size != after.size)
        parts << QStringLiteral("preview size %1").arg(after.size);
    if (before.selection != after.selection)
        parts << QStringLiteral("type %1").arg(selectionName(after.selection));
    if (before.rx != after.rx)
        parts << QStringLiteral("rate x %1").arg(after.rx);
    if (before.ry != after.ry)
        parts << QStringLiteral("rate y %1").arg(after.ry);
    if (before.overlap != after.overlap)
        parts << QStringLiteral("overlap %1")
                     .arg(after.overlap ? QStringLiteral("on") : QStringLiteral("off"));
    for (const Channel c : Channels) {
        const scan::Band &was = before.bands[c], &is = after.bands[c];
        const auto &method = after.automatic[c];
        if (was.lo != is.lo || method != before.automatic[c])
            parts << QStringLiteral("%1 minimum %2%3")
                         .arg(channelName(c))
                         .arg(is.lo)
                         .arg(method ? QStringLiteral(" (%1)").arg(
                                           QLatin1String(histogram::methodName(*method)))
                                     : QString());
        if (was.hi != is.hi)
            parts << QStringLiteral("%1 maximum %2").arg(channelName(c)).arg(is.hi);
    }
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
