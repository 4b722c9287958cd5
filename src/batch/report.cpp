#include "batch/report.h"

#include "core/channel.h"
#include "core/quoting.h"
#include "core/recipe.h"
#include "tintara/appinfo.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace batch {

namespace {

QByteArray escaped(QByteArrayView field)
{
    QByteArray out;
    out.reserve(field.size());
    for (const char c : field) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

QString statusName(Outcome::Status status)
{
    static constexpr const char *names[] = {"ok", "skipped", "refused"};
    return QLatin1String(names[status]);
}

QByteArray tsvLine(QByteArrayView file, const Outcome &o)
{
    const QString detail = o.status == Outcome::Refused || o.outputs.isEmpty()
                               ? o.reason
                               : o.outputs.join(QStringLiteral(", "));
    return escaped(file) + '\t' + statusName(o.status).toLatin1() + '\t' +
           escaped(QFile::encodeName(detail)) + '\n';
}

QByteArray planLine(QByteArrayView file, int shard, int shards, const Outcome &o)
{
    const char *what = o.status == Outcome::Ok        ? "do"
                       : o.status == Outcome::Skipped ? "skip"
                                                      : "refuse";
    const QString detail =
        o.status == Outcome::Ok ? o.outputs.join(QStringLiteral(", ")) : o.reason;
    return escaped(file) + '\t' + QByteArray::number(shard) + '/' + QByteArray::number(shards) +
           '\t' + what + '\t' + escaped(QFile::encodeName(detail)) + '\n';
}

namespace {

// The settings a row records, as column names and values.
results::Entries settingsOf(const Settings &s, const Outcome &o)
{
    results::Recipe r = s;
    for (const Channel c : Channels) {
        if (o.measured)
            r.bands[c] = o.bands[c];
        r.automatic[c] = o.automatic[c]
                             ? histogram::methodNamed(o.automatic[c]->method.toStdString())
                             : std::nullopt;
    }
    return results::measuredSettings(r);
}

} // namespace

QByteArray csvHeader()
{
    QStringList columns{QStringLiteral("file"), QStringLiteral("status")};
    for (const auto &[name, value] : settingsOf({}, {}))
        columns << name;
    columns << scan::measurementHeader() << QStringLiteral("frame") << QStringLiteral("time")
            << QStringLiteral("version");
    return columns.join(QLatin1Char(',')).toUtf8() + '\n';
}

QByteArray csvLine(QByteArrayView file, const Settings &s, const Outcome &o, int frame,
                   std::optional<double> time)
{
    QStringList values{QFile::decodeName(file.toByteArray()), statusName(o.status)};
    for (const auto &[name, value] : settingsOf(s, o))
        values << value;
    values << (o.measured ? scan::measurementRow(*o.measured)
                          : QStringList(scan::measurementHeader().size(), QString()))
           << (frame > 0 ? QString::number(frame) : QString())
           << (time ? QString::number(*time, 'f', 3) : QString())
           << QLatin1String(appinfo::Version);
    QByteArrayList fields;
    for (const QString &v : values)
        fields << results::csvQuoted(v).toUtf8();
    return fields.join(',') + '\n';
}

QByteArray jsonLine(QByteArrayView file, const Settings &s, const Outcome &o)
{
    QJsonObject line{
        {QStringLiteral("file"), QFile::decodeName(file.toByteArray())},
        {QStringLiteral("status"), statusName(o.status)},
        {QStringLiteral("outputs"), QJsonArray::fromStringList(o.outputs)},
        {QStringLiteral("reason"), o.reason},
        {QStringLiteral("ms"), o.ms},
    };
    QJsonObject automatic;
    for (const Channel c : Channels)
        if (const auto &a = o.automatic[c])
            automatic.insert(channelName(c), QJsonObject{{QStringLiteral("method"), a->method},
                                                         {QStringLiteral("threshold"),
                                                          a->threshold ? QJsonValue(*a->threshold)
                                                                       : QJsonValue()}});
    if (!automatic.isEmpty())
        line.insert(QStringLiteral("automatic"), automatic);
    if (o.measured) {
        QJsonObject settings, bands, measurements;
        for (const auto &[name, value] : settingsOf(s, o))
            (name.endsWith(QLatin1String("_band")) ? bands : settings)
                .insert(name.endsWith(QLatin1String("_band")) ? name.chopped(5) : name, value);
        const QStringList names = scan::measurementHeader(),
                          numbers = scan::measurementRow(*o.measured);
        for (qsizetype i = 0; i < names.size(); i += 3) {
            const QString group = names[i].section(QLatin1Char('_'), 0, 0);
            measurements.insert(
                group, QJsonObject{{QStringLiteral("tested"), numbers[i].toLongLong()},
                                   {QStringLiteral("marked"), numbers[i + 1].toLongLong()},
                                   {QStringLiteral("percent"), numbers[i + 2].toDouble()}});
        }
        line.insert(QStringLiteral("settings"), settings);
        line.insert(QStringLiteral("bands"), bands);
        line.insert(QStringLiteral("measurements"), measurements);
        line.insert(QStringLiteral("version"), QLatin1String(appinfo::Version));
    }
    return QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace batch
