#include "platform/fonts.h"

namespace platform {

namespace {
QFont make(const QString &family, FontSize size, bool bold)
{
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
