#include "core/valuekinds.h"

#include "core/framerange.h"

#include <QStringList>
#include <cmath>

namespace results {

namespace {

constexpr const char *SelectionNames[] = {"media", "massimo", "minimo", "massimo-minimo"};
constexpr const char *ModeNames[] = {"RGB", "threshold", "pixel reduction"};

std::optional<int> readSide(const QString &text)
{
    for (const int side : {200, 300, 400, 500})
        if (text == QString::number(side))
            return side;
    return std::nullopt;
}

std::optional<int> readSelection(const QString &text)
{
    if (text.compare(QLatin1String("nessuno"), Qt::CaseInsensitive) == 0)
        return scan::None;
    for (int i = 0; i < int(std::size(SelectionNames)); ++i)
        if (text.compare(QLatin1String(SelectionNames[i]), Qt::CaseInsensitive) == 0)
            return scan::Average + i;
    return std::nullopt;
}

QString writeSelection(const int &selection)
{
    // A typed type selects none of them.
    if (selection < scan::Average || selection > scan::Spread)
        return QStringLiteral("nessuno");
    return QLatin1String(SelectionNames[selection - scan::Average]);
}

std::optional<Mode> readMode(const QString &text)
{
    for (int i = 0; i < int(std::size(ModeNames)); ++i)
        if (text == QLatin1String(ModeNames[i]))
            return Mode(i);
    return std::nullopt;
}

std::optional<int> readRate(const QString &text)
{
    int rate = 0;
    return numberIn(text, 3, 30, rate) ? std::optional(rate) : std::nullopt;
}

QString writeNumber(const int &n)
{
    return QString::number(n);
}

// One of two words: false for the first, true for the second.
std::optional<bool> eitherOf(const QString &text, const char *no, const char *yes)
{
    if (text != QLatin1String(no) && text != QLatin1String(yes))
        return std::nullopt;
    return text == QLatin1String(yes);
}

std::optional<bool> readOnOff(const QString &text)
{
    return eitherOf(text, "off", "on");
}

std::optional<scan::Band> readBand(const QString &text)
{
    const QStringList ends = text.split(QLatin1Char(':'));
    scan::Band b;
    if (ends.size() != 2 || !numberIn(ends[0].trimmed(), 0, 255, b.lo) ||
        !numberIn(ends[1].trimmed(), 0, 255, b.hi) || b.hi < b.lo)
        return std::nullopt;
    return b;
}

std::optional<histogram::Method> readMethod(const QString &text)
{
    return histogram::methodNamed(text.toStdString());
}

QString writeMethod(const histogram::Method &m)
{
    return QLatin1String(histogram::methodName(m));
}

std::optional<QString> readFrames(const QString &text)
{
    return frameRange(text) ? std::optional(text) : std::nullopt;
}

std::optional<bool> readScope(const QString &text)
{
    return eitherOf(text, "frame", "stack");
}

std::optional<double> readParameter(const QString &text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional(v) : std::nullopt;
}

// The names of a list as a rule lists them: "one of A, B, ...".
template <class List, class Name> QByteArray oneOf(const List &list, Name name)
{
    QStringList names;
    for (const auto &item : list)
        names << QLatin1String(name(item));
    return (QStringLiteral("one of ") + names.join(QStringLiteral(", "))).toLatin1();
}

// The automatic methods' names as the rule lists them: "one of Default, Huang, ...".
const char *methodRule()
{
    static const QByteArray rule = oneOf(histogram::Methods, histogram::methodName);
    return rule.constData();
}

const char *localRule()
{
    static const QByteArray rule = oneOf(local::Methods, local::methodName);
    return rule.constData();
}

} // namespace

bool numberIn(const QString &text, int lo, int hi, int &out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

namespace kinds {

const Kind<int> Side{readSide, writeNumber, "200, 300, 400 or 500"};
const Kind<int> Selection{readSelection, writeSelection,
                          "media, massimo, minimo or massimo-minimo"};
const Kind<Mode> Modes{readMode,
                       [](const Mode &m) { return QString::fromLatin1(ModeNames[int(m)]); },
                       "RGB, threshold or pixel reduction"};
const Kind<int> Rate{readRate, writeNumber, "3 to 30"};
const Kind<bool> OnOff{
    readOnOff, [](const bool &on) { return on ? QStringLiteral("on") : QStringLiteral("off"); },
    "on or off"};
const Kind<scan::Band> Band{
    readBand, [](const scan::Band &b) { return QStringLiteral("%1:%2").arg(b.lo).arg(b.hi); },
    "LO:HI, with 0 <= LO <= HI <= 255"};
const Kind<histogram::Method> Method{readMethod, writeMethod, methodRule()};
const Kind<QString> Frames{readFrames, [](const QString &t) { return t; },
                           "all, N or A-B[/STEP], numbered from 1"};
const Kind<bool> StackScope{
    readScope,
    [](const bool &stack) { return stack ? QStringLiteral("stack") : QStringLiteral("frame"); },
    "frame or stack"};
const Kind<local::Method> LocalMethod{
    [](const QString &t) { return local::methodNamed(t.toStdString()); },
    [](const local::Method &m) { return QString::fromLatin1(local::methodName(m)); }, localRule()};
const Kind<int> LocalRadius{[](const QString &t) {
                                int r = 0;
                                return numberIn(t, 1, local::MaxRadius, r) ? std::optional(r)
                                                                           : std::nullopt;
                            },
                            writeNumber, "1 to 100 blocks"};
const Kind<double> LocalParameter{readParameter,
                                  [](const double &v) { return QString::number(v, 'g', 15); },
                                  "a number, 0 for the method's default"};
const Kind<bool> LocalObjects{
    [](const QString &t) { return eitherOf(t, "dark", "white"); },
    [](const bool &white) { return white ? QStringLiteral("white") : QStringLiteral("dark"); },
    "white or dark"};

} // namespace kinds

} // namespace results
