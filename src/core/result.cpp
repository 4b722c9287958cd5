#include "core/result.h"

#include <QDir>
#include <cstdio>

QString failureText(const QString &what, const QString &subject, const QString &why,
                    Wording wording)
{
    const QString target = QDir::toNativeSeparators(subject);
    if (wording == Wording::Box)
        return target.isEmpty() ? QStringLiteral("%1\n\n%2").arg(what, why)
                                : QStringLiteral("%1\n%2\n\n%3").arg(what, target, why);
    QString line = what.isEmpty() ? what : what.first(1).toLower() + what.sliced(1);
    if (!target.isEmpty())
        line += QLatin1Char(' ') + target;
    return why.isEmpty() ? line : line + QStringLiteral(": ") + why;
}

void complain(const QString &line)
{
    std::fprintf(stderr, "tintara: %s\n", qPrintable(line));
}
