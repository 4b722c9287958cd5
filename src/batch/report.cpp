#include "batch/report.h"

#include "core/channel.h"

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

QByteArray jsonLine(QByteArrayView file, const Outcome &o)
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
        if (const auto &a = o.automatic[int(c)])
            automatic.insert(channelName(c), QJsonObject{{QStringLiteral("method"), a->method},
                                                         {QStringLiteral("threshold"),
                                                          a->threshold ? QJsonValue(*a->threshold)
                                                                       : QJsonValue()}});
    if (!automatic.isEmpty())
        line.insert(QStringLiteral("automatic"), automatic);
    return QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace batch
