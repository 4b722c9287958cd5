#include "core/recipe.h"

namespace results {

QString selectionName(int selection)
{
    // In the order of the selection types; a typed type selects none of them.
    static constexpr const char *names[] = {"media", "massimo", "minimo", "massimo-minimo"};
    if (selection < scan::Average || selection > scan::Spread)
        return QStringLiteral("nessuno");
    return QLatin1String(names[selection - scan::Average]);
}

QString suggestedName(const QString &picture, const QString &view, const Recipe &r)
{
    return QStringLiteral("%1-%2-%3-%4x%5.png")
        .arg(picture.isEmpty() ? QStringLiteral("tintara") : picture, view,
             selectionName(r.selection))
        .arg(r.rx)
        .arg(r.ry);
}

QList<QPair<QString, QString>> describe(const Source &source, const Recipe &r)
{
    const auto band = [](const scan::Band &b) {
        return QStringLiteral("%1:%2").arg(b.lo).arg(b.hi);
    };
    const QString mode = r.reduction   ? QStringLiteral("pixel reduction")
                         : r.threshold ? QStringLiteral("threshold")
                                       : QStringLiteral("RGB");
    // "Source" keeps the file's name alone, as planes have always said.
    const qsizetype slash = source.path.lastIndexOf(QLatin1Char('/'));
    QList<QPair<QString, QString>> texts{
        {QStringLiteral("Source"), source.path.mid(slash + 1)},
        {QStringLiteral("Source path"), source.path},
        {QStringLiteral("Source hash"), source.hash},
        {QStringLiteral("Preview size"), QString::number(source.size)},
        {QStringLiteral("Selection"), selectionName(r.selection)},
        {QStringLiteral("Mode"), mode},
        {QStringLiteral("Rates"), QStringLiteral("%1x%2").arg(r.rx).arg(r.ry)},
    };
    // Only where it is on: the record of a plain scan stays as it always was.
    if (r.overlap)
        texts.append({QStringLiteral("Overlap"), QStringLiteral("on")});
    for (const Channel c : Channels)
        texts.append({thresholdKey(c), band(r.band(c))});
    for (const Channel c : Channels)
        if (const auto &method = r.automatic[int(c)])
            texts.append({automaticKey(c), QLatin1String(histogram::methodName(*method))});
    texts.append({QStringLiteral("Software"), QStringLiteral("Tintara")});
    texts.append({QStringLiteral("Software version"), source.version});
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

} // namespace results
