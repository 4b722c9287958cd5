#include "platform/fonts.h"

#include <QStringList>

namespace platform {

namespace {
QFont make(const QString &family, FontSize size, bool bold)
{
    // Where the classic faces are missing, narrow sans-serif faces keep the captions within
    // their labels' design widths.
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   QStringList{QStringLiteral("Liberation Sans"),
                                               QStringLiteral("Arial"),
                                               QStringLiteral("DejaVu Sans")});
        QFont::insertSubstitutions(
            QStringLiteral("Verdana"),
            QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont f(family);
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(static_cast<int>(size));
    f.setBold(bold);
    return f;
}
} // namespace

QFont msSansSerif(FontSize size, bool bold)
{
    return make(QStringLiteral("MS Sans Serif"), size, bold);
}

QFont verdana(FontSize size, bool bold)
{
    return make(QStringLiteral("Verdana"), size, bold);
}

} // namespace platform
