#include "core/entriesjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace results {

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

} // namespace results
