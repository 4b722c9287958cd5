#include "core/recipe.h"

namespace results {

QString selectionName(int selection)
{
    switch (selection) {
    case scan::Average:
        return QStringLiteral("media");
    case scan::Maximum:
        return QStringLiteral("massimo");
    case scan::Minimum:
        return QStringLiteral("minimo");
    case scan::Spread:
        return QStringLiteral("massimo-minimo");
    default:
        return QStringLiteral("nessuno");
    }
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
    return {
        {QStringLiteral("Source"), source.path.mid(slash + 1)},
        {QStringLiteral("Source path"), source.path},
        {QStringLiteral("Source hash"), source.hash},
        {QStringLiteral("Preview size"), QString::number(source.size)},
        {QStringLiteral("Selection"), selectionName(r.selection)},
        {QStringLiteral("Mode"), mode},
        {QStringLiteral("Rates"), QStringLiteral("%1x%2").arg(r.rx).arg(r.ry)},
        {QStringLiteral("Red threshold"), band(r.red)},
        {QStringLiteral("Green threshold"), band(r.green)},
        {QStringLiteral("Blue threshold"), band(r.blue)},
        {QStringLiteral("Software"), QStringLiteral("Tintara")},
        {QStringLiteral("Software version"), source.version},
    };
}

} // namespace results
