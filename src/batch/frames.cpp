#include "batch/frames.h"

#include <QtEndian>

namespace batch {

namespace {
// Far more than any message holds: a longer one means the stream is not ours.
constexpr quint32 Largest = 64u << 20;
} // namespace

QByteArray frame(const QList<QByteArray> &fields)
{
    QByteArray out(4, '\0');
    for (const QByteArray &f : fields) {
        char length[4];
        qToLittleEndian(static_cast<quint32>(f.size()), length);
        out.append(length, 4).append(f);
    }
    qToLittleEndian(static_cast<quint32>(out.size() - 4), out.data());
    return out;
}

Take takeFrame(QByteArray &buffer, QList<QByteArray> &fields)
{
    if (buffer.size() < 4)
        return Take::NeedMore;
    const quint32 size = qFromLittleEndian<quint32>(buffer.constData());
    if (size > Largest)
        return Take::Broken;
    if (buffer.size() < qsizetype(size) + 4)
        return Take::NeedMore;
    fields.clear();
    qsizetype at = 4;
    const qsizetype end = 4 + qsizetype(size);
    while (at < end) {
        if (end - at < 4)
            return Take::Broken;
        const quint32 length = qFromLittleEndian<quint32>(buffer.constData() + at);
        at += 4;
        if (length > quint32(end - at))
            return Take::Broken;
        fields << buffer.mid(at, length);
        at += length;
    }
    buffer.remove(0, end);
    return Take::Frame;
}

QByteArray automaticField(const std::optional<Outcome::Automatic> &a)
{
    if (!a)
        return {};
    QByteArray field = a->method.toUtf8();
    if (a->threshold)
        field += ':' + QByteArray::number(*a->threshold);
    return field;
}

std::optional<Outcome::Automatic> automaticOf(const QByteArray &field)
{
    if (field.isEmpty())
        return std::nullopt;
    const qsizetype colon = field.indexOf(':');
    if (colon < 0)
        return Outcome::Automatic{QString::fromUtf8(field), std::nullopt};
    Outcome::Automatic a{QString::fromUtf8(field.first(colon)), std::nullopt};
    bool ok = false;
    if (const int t = field.sliced(colon + 1).toInt(&ok); ok)
        a.threshold = t;
    return a;
}

QList<QByteArray> measuredFields(const Outcome &o)
{
    if (!o.measured)
        return {{}, {}};
    QByteArrayList counts, bands;
    for (const scan::Count *c :
         {&o.measured->channels[Channel::Red], &o.measured->channels[Channel::Green],
          &o.measured->channels[Channel::Blue], &o.measured->all, &o.measured->any})
        counts << QByteArray::number(c->tested) << QByteArray::number(c->marked);
    for (const scan::Band &b : o.bands)
        bands << QByteArray::number(b.lo) + ':' + QByteArray::number(b.hi);
    return {counts.join(','), bands.join(',')};
}

void takeMeasured(const QByteArray &counts, const QByteArray &bands, Outcome &o)
{
    const QByteArrayList numbers = counts.split(','), pairs = bands.split(',');
    if (numbers.size() != 10 || pairs.size() != 3)
        return;
    scan::Measurements m;
    scan::Count *into[] = {&m.channels[Channel::Red], &m.channels[Channel::Green],
                           &m.channels[Channel::Blue], &m.all, &m.any};
    for (int i = 0; i < 5; ++i)
        *into[i] = {numbers[2 * i].toULongLong(), numbers[2 * i + 1].toULongLong()};
    for (const Channel c : Channels) {
        const QByteArrayList lh = pairs[static_cast<int>(c)].split(':');
        o.bands[c] = {lh.value(0).toInt(), lh.value(1).toInt()};
    }
    o.measured = m;
}

QByteArray frameRowsField(const Outcome &o)
{
    QByteArrayList rows;
    for (const Outcome::Frame &f : o.frames) {
        Outcome one;
        one.automatic = f.automatic;
        one.measured = f.measured;
        one.bands = f.bands;
        QByteArrayList parts{QByteArray::number(f.number),
                             f.time ? QByteArray::number(*f.time, 'f', 3) : QByteArray()};
        for (const auto &a : f.automatic)
            parts << automaticField(a);
        parts << measuredFields(one);
        rows << parts.join(';');
    }
    return rows.join('\n');
}

void takeFrameRows(const QByteArray &field, Outcome &o)
{
    for (const QByteArray &row : field.split('\n')) {
        const QByteArrayList parts = row.split(';');
        if (parts.size() != 7)
            continue;
        Outcome one;
        Outcome::Frame f;
        f.number = parts[0].toInt();
        bool ok = false;
        if (const double t = parts[1].toDouble(&ok); ok)
            f.time = t;
        for (const Channel c : Channels)
            f.automatic[c] = automaticOf(parts[2 + static_cast<int>(c)]);
        takeMeasured(parts[5], parts[6], one);
        f.measured = one.measured;
        f.bands = one.bands;
        o.frames << f;
    }
}

QByteArray progressFrame(qsizetype index)
{
    return frame({QByteArrayLiteral("frame"), QByteArray::number(index)});
}

bool isProgress(const QList<QByteArray> &fields)
{
    return fields.size() == 2 && fields[0] == "frame";
}

} // namespace batch
