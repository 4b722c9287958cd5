#include "batch/provenance.h"

#include "picture/pngtexts.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace batch {

namespace {

QString valueOf(const QList<QPair<QString, QString>> &texts, const QString &key)
{
    for (const auto &[k, v] : texts)
        if (k == key)
            return v;
    return {};
}

} // namespace

bool isTintaraResult(const QByteArray &path)
{
    const auto texts = picture::pngTexts(path);
    return texts && valueOf(*texts, QStringLiteral("Software")) == QLatin1String("Tintara") &&
           std::any_of(texts->begin(), texts->end(),
                       [](const auto &t) { return t.first == QLatin1String("Source"); });
}

bool looksLikeResultName(QByteArrayView name)
{
    static const QRegularExpression shape(QStringLiteral(
        "-(red|green|blue|zoom)-(media|massimo|minimo|massimo-minimo|nessuno)-\\d+x\\d+\\.png$"));
    return name.endsWith(".png") && shape.match(QString::fromUtf8(name)).hasMatch();
}

Existing existingPlane(const QString &path, const QList<QPair<QString, QString>> &wanted)
{
    if (!QFileInfo::exists(path))
        return {};
    const auto texts = picture::pngTexts(QFile::encodeName(path));
    if (!texts || valueOf(*texts, QStringLiteral("Software")) != QLatin1String("Tintara"))
        return {Existing::Foreign, {}};
    // Planes of earlier versions name their picture by its file name alone.
    const QString recorded = valueOf(*texts, QStringLiteral("Source path"));
    const QString owner = recorded.isEmpty() ? valueOf(*texts, QStringLiteral("Source")) : recorded;
    if (owner != valueOf(wanted, recorded.isEmpty() ? QStringLiteral("Source")
                                                    : QStringLiteral("Source path")))
        return {Existing::Foreign, owner};
    for (const auto &[key, value] : wanted)
        if (valueOf(*texts, key) != value)
            return {Existing::OutOfDate, {}};
    // Its record comes before its pixels: a plane cut short after it (a copy broken off) is
    // still this picture's, but not whole, and is made again.
    QFile file(path);
    static const QByteArray End("\0\0\0\0IEND\xae\x42\x60\x82", 12);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(file.size() - End.size()) ||
        file.read(End.size()) != End)
        return {Existing::OutOfDate, {}};
    return {Existing::UpToDate, {}};
}

} // namespace batch
