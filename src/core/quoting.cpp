#include "core/quoting.h"

#include <QRegularExpression>

namespace results {

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

} // namespace results
