#include "core/framerange.h"

#include "core/valuekinds.h"

#include <QStringList>
#include <algorithm>

namespace results {

std::optional<FrameRange> frameRange(const QString &text)
{
    FrameRange range;
    if (text == QLatin1String("all"))
        return range;
    QString span = text;
    if (const qsizetype slash = text.indexOf(QLatin1Char('/')); slash >= 0) {
        if (!numberIn(text.sliced(slash + 1), 1, MaxFrameNumber, range.step))
            return std::nullopt;
        span = text.first(slash);
    }
    const QStringList ends = span.split(QLatin1Char('-'));
    int last = 0;
    if (ends.size() == 1 && text.indexOf(QLatin1Char('/')) < 0 &&
        numberIn(ends[0], 1, MaxFrameNumber, range.first)) {
        range.last = range.first;
        return range;
    }
    if (ends.size() != 2 || !numberIn(ends[0], 1, MaxFrameNumber, range.first) ||
        !numberIn(ends[1], range.first, MaxFrameNumber, last))
        return std::nullopt;
    range.last = last;
    return range;
}

QList<int> FrameRange::of(int count) const
{
    QList<int> frames;
    for (int k = first; k <= std::min(count, last.value_or(count)); k += step)
        frames << k;
    return frames;
}

} // namespace results
