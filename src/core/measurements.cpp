#include "core/measurements.h"

#include <QLocale>

namespace scan {

core::Colour markerColour(Channel channel)
{
    static constexpr PerChannel<int> palette{{4, 10, 1}};
    return core::QBColor(palette[channel]);
}

core::Colour unmarkedColour()
{
    return core::QBColor(7);
}

Measurements measure(const ScanPlanes &planes)
{
    Measurements m;
    const std::size_t blocks = std::size_t(planes.nx) * std::size_t(planes.ny);
    PerChannel<core::Colour> inside;
    for (const Channel c : Channels)
        inside[c] = markerColour(c);
    for (std::size_t i = 0; i < blocks; ++i) {
        int marked = 0;
        for (const Channel c : Channels) {
            const auto &plane = planes.planes[c];
            const bool in = i < plane.size() && plane[i] == inside[c];
            m.channels[c].marked += in;
            marked += in;
        }
        m.all.marked += marked == 3;
        m.any.marked += marked > 0;
    }
    for (Count &c : m.channels)
        c.tested = blocks;
    m.all.tested = m.any.tested = blocks;
    return m;
}

namespace {

const char *const Groups[] = {"red", "green", "blue", "all", "any"};

const Count &group(const Measurements &m, int i)
{
    return i < 3 ? m.channels[Channels[i]] : i == 3 ? m.all : m.any;
}

} // namespace

QStringList measurementHeader()
{
    QStringList columns;
    for (const char *g : Groups)
        for (const char *what : {"tested", "marked", "percent"})
            columns << QStringLiteral("%1_%2").arg(QLatin1String(g), QLatin1String(what));
    return columns;
}

QStringList measurementRow(const Measurements &m)
{
    QStringList values;
    for (int i = 0; i < int(std::size(Groups)); ++i) {
        const Count &c = group(m, i);
        values << QString::number(c.tested) << QString::number(c.marked)
               << QString::number(c.percent(), 'f', 2);
    }
    return values;
}

QString describeCount(const Count &count)
{
    const QLocale locale;
    return QStringLiteral("%1 of %2 blocks (%3 %)")
        .arg(locale.toString(qulonglong(count.marked)), locale.toString(qulonglong(count.tested)),
             locale.toString(count.percent(), 'f', 2));
}

} // namespace scan
