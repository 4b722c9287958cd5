#include "batch/messages.h"

#include <QtEndian>
#include <algorithm>

namespace batch {

namespace {

// Far more than any message holds: a longer one means the stream is not ours.
constexpr quint32 Largest = 64u << 20;

QByteArray fieldsBytes(const QList<QByteArray> &fields)
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

Take takeFields(QByteArray &buffer, QList<QByteArray> &fields)
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
    return Take::Message;
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

} // namespace

QByteArray bytesOf(const Message &message)
{
    if (const auto *job = std::get_if<Job>(&message))
        return fieldsBytes(
            {"job", QByteArray::number(job->index), job->path, job->folder, job->stem});
    if (const auto *progress = std::get_if<Progress>(&message))
        return fieldsBytes({"frame", QByteArray::number(progress->index)});
    const Answer &a = std::get<Answer>(message);
    const Outcome &o = a.outcome;
    QList<QByteArray> fields{"answer", QByteArray::number(a.index),
                             QByteArray::number(int(o.status)), o.reason.toUtf8(),
                             QByteArray::number(o.ms)};
    for (const auto &automatic : o.automatic)
        fields << automaticField(automatic);
    fields << measuredFields(o) << frameRowsField(o);
    for (const QString &name : o.outputs)
        fields << name.toUtf8();
    return fieldsBytes(fields);
}

Take takeMessage(QByteArray &buffer, Message &out)
{
    QList<QByteArray> fields;
    const Take took = takeFields(buffer, fields);
    if (took != Take::Message)
        return took;
    bool ok = false;
    const qsizetype index = fields.value(1).toLongLong(&ok);
    if (!ok)
        return Take::Broken;
    const QByteArray &kind = fields[0];
    if (kind == "job" && fields.size() == 5) {
        out = Job{index, fields[2], fields[3], fields[4]};
    } else if (kind == "frame" && fields.size() == 2) {
        out = Progress{index};
    } else if (kind == "answer" && fields.size() >= 11) {
        Answer a{index, {}};
        Outcome &o = a.outcome;
        o.status = static_cast<Outcome::Status>(std::clamp(fields[2].toInt(), 0, 2));
        o.reason = QString::fromUtf8(fields[3]);
        o.ms = fields[4].toLongLong();
        for (const Channel c : Channels)
            o.automatic[c] = automaticOf(fields[5 + static_cast<int>(c)]);
        takeMeasured(fields[8], fields[9], o);
        takeFrameRows(fields[10], o);
        for (qsizetype f = 11; f < fields.size(); ++f)
            o.outputs << QString::fromUtf8(fields[f]);
        out = std::move(a);
    } else {
        return Take::Broken;
    }
    return Take::Message;
}

} // namespace batch
