#include "picture/heifplan.h"

#include "picture/allocationguard.h"

#include <QSize>
#include <map>
#include <optional>
#include <vector>

namespace picture {

namespace {

// Big-endian fields, bounds-checked: a read past the end gives 0 and clears ok.
class Bytes {
public:
    explicit Bytes(QByteArrayView b)
        : b_(b)
    {}
    quint64 take(int bytes)
    {
        if (bytes < 0 || at_ + bytes > b_.size()) {
            ok_ = false;
            at_ = b_.size();
            return 0;
        }
        quint64 v = 0;
        for (int i = 0; i < bytes; ++i)
            v = v << 8 | uchar(b_[at_++]);
        return v;
    }
    QByteArrayView view(qsizetype n)
    {
        if (n < 0 || at_ + n > b_.size()) {
            ok_ = false;
            at_ = b_.size();
            return {};
        }
        const QByteArrayView v = b_.sliced(at_, n);
        at_ += n;
        return v;
    }
    QByteArrayView rest() const { return b_.sliced(at_); }
    bool ok() const { return ok_; }
    bool atEnd() const { return at_ >= b_.size(); }

private:
    QByteArrayView b_;
    qsizetype at_ = 0;
    bool ok_ = true;
};

struct Box {
    QByteArrayView type, body;
};

// The boxes one after another in `b`; stops at the first that does not fit.
std::vector<Box> boxes(QByteArrayView b)
{
    std::vector<Box> out;
    Bytes r(b);
    while (!r.atEnd()) {
        const QByteArrayView whole = r.rest();
        quint64 size = r.take(4);
        const QByteArrayView type = r.view(4);
        qsizetype header = 8;
        if (size == 1) {
            size = r.take(8);
            header = 16;
        } else if (size == 0) {
            size = quint64(whole.size());
        }
        if (!r.ok() || size < quint64(header) || size > quint64(whole.size()))
            break;
        out.push_back({type, whole.sliced(header, qsizetype(size) - header)});
        r = Bytes(whole.sliced(qsizetype(size)));
    }
    return out;
}

std::optional<QByteArrayView> child(const std::vector<Box> &list, const char *type)
{
    for (const Box &b : list)
        if (b.type == QByteArrayView(type))
            return b.body;
    return std::nullopt;
}

// Exp-Golomb and plain bits, most significant first, as H.265 and AV1 write them.
class Bits {
public:
    explicit Bits(QByteArray b)
        : b_(std::move(b))
    {}
    quint32 take(int n)
    {
        quint32 v = 0;
        for (int i = 0; i < n; ++i) {
            if (at_ >= b_.size() * 8) {
                ok_ = false;
                return 0;
            }
            v = v << 1 | ((uchar(b_[at_ / 8]) >> (7 - at_ % 8)) & 1);
            ++at_;
        }
        return v;
    }
    quint32 golomb()
    {
        int zeros = 0;
        while (take(1) == 0 && ok_)
            if (++zeros > 31) {
                ok_ = false;
                return 0;
            }
        return zeros == 0 ? 0 : (1u << zeros) - 1 + take(zeros);
    }
    bool ok() const { return ok_; }

private:
    QByteArray b_;
    qint64 at_ = 0;
    bool ok_ = true;
};

// The size an H.265 sequence parameter set decodes to, after its conformance window.
std::optional<QSize> hevcSize(QByteArrayView nal)
{
    // Without the two-byte header and the emulation-prevention bytes.
    QByteArray rbsp;
    int zeros = 0;
    for (qsizetype i = 2; i < nal.size() && rbsp.size() < 512; ++i) {
        const char c = nal[i];
        if (zeros >= 2 && c == 3) {
            zeros = 0;
            continue;
        }
        zeros = c == 0 ? zeros + 1 : 0;
        rbsp += c;
    }
    Bits r(rbsp);
    r.take(4); // video parameter set
    const int subLayers = int(r.take(3));
    r.take(1);
    r.take(88 + 8); // the general profile, tier and level
    bool profile[8] = {}, level[8] = {};
    for (int i = 0; i < subLayers; ++i) {
        profile[i] = r.take(1);
        level[i] = r.take(1);
    }
    if (subLayers > 0)
        r.take(2 * (8 - subLayers));
    for (int i = 0; i < subLayers; ++i)
        r.take((profile[i] ? 88 : 0) + (level[i] ? 8 : 0));
    r.golomb(); // sequence parameter set
    const quint32 chroma = r.golomb();
    const bool separate = chroma == 3 && r.take(1);
    quint32 width = r.golomb(), height = r.golomb();
    if (r.take(1)) {
        const bool half = !separate && (chroma == 1 || chroma == 2);
        const quint32 sx = half ? 2 : 1, sy = !separate && chroma == 1 ? 2 : 1;
        const quint64 left = r.golomb(), right = r.golomb(), top = r.golomb(), bottom = r.golomb();
        if ((left + right) * sx >= width || (top + bottom) * sy >= height)
            return QSize(0, 0);
        width -= quint32((left + right) * sx);
        height -= quint32((top + bottom) * sy);
    }
    if (!r.ok() || width > INT_MAX || height > INT_MAX)
        return std::nullopt;
    return QSize(int(width), int(height));
}

std::optional<QSize> hevcConfigSize(QByteArrayView hvcC)
{
    Bytes r(hvcC);
    r.view(22);
    const int arrays = int(r.take(1));
    for (int a = 0; a < arrays && r.ok(); ++a) {
        const int type = int(r.take(1) & 63);
        const int count = int(r.take(2));
        for (int n = 0; n < count && r.ok(); ++n) {
            const QByteArrayView nal = r.view(qsizetype(r.take(2)));
            if (r.ok() && type == 33)
                return hevcSize(nal);
        }
    }
    return std::nullopt;
}

// The largest frame an AV1 sequence header allows; the sequence header is the first OBU it
// finds in `obus`.
std::optional<QSize> av1Size(QByteArrayView obus)
{
    Bytes r(obus);
    while (!r.atEnd() && r.ok()) {
        const quint64 header = r.take(1);
        const int type = int(header >> 3 & 15);
        if (header & 4)
            r.take(1); // the extension
        if (!(header & 2))
            return std::nullopt; // no size field: cannot be walked
        quint64 length = 0;
        for (int i = 0; i < 8; ++i) {
            const quint64 b = r.take(1);
            length |= (b & 127) << (7 * i);
            if (!(b & 128))
                break;
        }
        if (length > quint64(r.rest().size()))
            return std::nullopt;
        const QByteArrayView payload = r.view(qsizetype(length));
        if (type != 1)
            continue;
        Bits b(payload.toByteArray());
        b.take(3); // profile
        b.take(1); // still picture
        if (b.take(1)) {
            b.take(5); // the reduced still-picture header's level
        } else {
            bool decoderModel = false;
            int delayLength = 0;
            if (b.take(1)) { // timing info
                b.take(64);
                if (b.take(1)) { // an equal picture interval, uvlc
                    int zeros = 0;
                    while (b.ok() && b.take(1) == 0 && zeros < 32)
                        ++zeros;
                    b.take(zeros);
                }
                decoderModel = b.take(1);
                if (decoderModel) {
                    delayLength = int(b.take(5)) + 1;
                    b.take(32 + 5 + 5);
                }
            }
            const bool displayDelay = b.take(1);
            const int points = int(b.take(5)) + 1;
            for (int i = 0; i < points && b.ok(); ++i) {
                b.take(12);
                if (b.take(5) > 7)
                    b.take(1);
                if (decoderModel && b.take(1))
                    b.take(2 * delayLength + 1);
                if (displayDelay && b.take(1))
                    b.take(4);
            }
        }
        const int wbits = int(b.take(4)) + 1, hbits = int(b.take(4)) + 1;
        const quint64 w = quint64(b.take(wbits)) + 1, h = quint64(b.take(hbits)) + 1;
        if (!b.ok() || w > INT_MAX || h > INT_MAX)
            return std::nullopt;
        return QSize(int(w), int(h));
    }
    return std::nullopt;
}

struct Item {
    QByteArrayView type;
    std::vector<int> properties; // indices into the property container, from 1
    QByteArrayView data;         // its first extent, as far as the file holds it
};

struct Meta {
    quint32 primary = 0;
    std::map<quint32, Item> items;
    std::vector<Box> properties;
    std::multimap<quint32, quint32> tiles; // grid or overlay -> its pictures, as often as used
    std::multimap<quint32, quint32> auxiliaries; // picture -> its alpha (or depth)
    quint64 listed = 0;
};

void readItemInfo(QByteArrayView iinf, Meta &m)
{
    Bytes r(iinf);
    const int version = int(r.take(1));
    r.take(3);
    m.listed = std::max(m.listed, r.take(version == 0 ? 2 : 4));
    if (m.listed > HeifMaxItems)
        return;
    const std::vector<Box> entries = boxes(r.rest());
    m.listed = std::max<quint64>(m.listed, entries.size());
    for (const Box &b : entries) {
        if (b.type != "infe")
            continue;
        Bytes e(b.body);
        const int v = int(e.take(1));
        e.take(3);
        if (v < 2)
            continue;
        const quint32 id = quint32(e.take(v == 2 ? 2 : 4));
        e.take(2);
        if (e.ok())
            m.items[id].type = e.view(4);
    }
}

void readLocations(QByteArrayView file, QByteArrayView iloc, QByteArrayView idat, Meta &m)
{
    Bytes r(iloc);
    const int version = int(r.take(1));
    r.take(3);
    const int sizes = int(r.take(1)), more = int(r.take(1));
    const int offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = more >> 4;
    const int indexSize = version >= 1 ? more & 15 : 0;
    const quint64 count = r.take(version < 2 ? 2 : 4);
    m.listed = std::max(m.listed, count);
    if (count > HeifMaxItems)
        return;
    for (quint64 i = 0; i < count && r.ok(); ++i) {
        const quint32 id = quint32(r.take(version < 2 ? 2 : 4));
        const int method = version >= 1 ? int(r.take(2) & 15) : 0;
        r.take(2);
        const quint64 base = r.take(baseSize);
        const int extents = int(r.take(2));
        for (int e = 0; e < extents && r.ok(); ++e) {
            r.take(indexSize);
            const quint64 offset = base + r.take(offsetSize), length = r.take(lengthSize);
            if (e > 0 || !m.items.count(id))
                continue;
            const QByteArrayView from = method == 0 ? file : method == 1 ? idat : QByteArrayView();
            if (offset < quint64(from.size()))
                m.items[id].data =
                    from.sliced(qsizetype(offset))
                        .first(qsizetype(length == 0
                                             ? quint64(from.size()) - offset
                                             : std::min(length, quint64(from.size()) - offset)));
        }
    }
}

void readReferences(QByteArrayView iref, Meta &m)
{
    Bytes r(iref);
    const int version = int(r.take(1));
    r.take(3);
    for (const Box &b : boxes(r.rest())) {
        Bytes e(b.body);
        const quint32 from = quint32(e.take(version == 0 ? 2 : 4));
        const int count = int(e.take(2));
        for (int i = 0; i < count && e.ok(); ++i) {
            const quint32 to = quint32(e.take(version == 0 ? 2 : 4));
            if (!e.ok())
                break;
            if (b.type == "dimg")
                m.tiles.emplace(from, to);
            else if (b.type == "auxl")
                m.auxiliaries.emplace(to, from);
        }
    }
}

void readProperties(QByteArrayView iprp, Meta &m)
{
    const std::vector<Box> inside = boxes(iprp);
    if (const auto ipco = child(inside, "ipco"))
        m.properties = boxes(*ipco);
    for (const Box &b : inside) {
        if (b.type != "ipma")
            continue;
        Bytes r(b.body);
        const int version = int(r.take(1));
        const bool wide = r.take(3) & 1;
        const quint64 count = r.take(4);
        m.listed = std::max(m.listed, count);
        if (count > HeifMaxItems)
            return;
        for (quint64 i = 0; i < count && r.ok(); ++i) {
            const quint32 id = quint32(r.take(version < 1 ? 2 : 4));
            const int associations = int(r.take(1));
            for (int a = 0; a < associations && r.ok(); ++a) {
                const int index = int(r.take(wide ? 2 : 1)) & (wide ? 0x7fff : 0x7f);
                if (m.items.count(id))
                    m.items[id].properties.push_back(index);
            }
        }
    }
}

std::optional<QByteArrayView> property(const Meta &m, const Item &item, const char *type)
{
    for (const int index : item.properties)
        if (index >= 1 && std::size_t(index) <= m.properties.size() &&
            m.properties[std::size_t(index) - 1].type == QByteArrayView(type))
            return m.properties[std::size_t(index) - 1].body;
    return std::nullopt;
}

QString sizeText(QSize s)
{
    return QStringLiteral("%1 x %2").arg(s.width()).arg(s.height());
}

// The size box's width and height: what the item decodes to before any crop or turn.
std::optional<QSize> stored(const Meta &m, const Item &item)
{
    const auto ispe = property(m, item, "ispe");
    if (!ispe)
        return std::nullopt;
    Bytes r(*ispe);
    r.take(4);
    const quint64 w = r.take(4), h = r.take(4);
    if (!r.ok())
        return std::nullopt;
    return QSize(int(std::min<quint64>(w, INT_MAX)), int(std::min<quint64>(h, INT_MAX)));
}

// Whether one coded picture may be decoded, and why not.
Result<void> checkCoded(const Meta &m, const Item &item)
{
    const std::optional<QSize> size = stored(m, item);
    if (size && !allocation::allows(*size))
        return Failure{allocation::tooLarge(*size)};
    std::optional<QSize> coded;
    if (const auto hvcC = property(m, item, "hvcC"))
        coded = hevcConfigSize(*hvcC);
    else if (const auto av1C = property(m, item, "av1C"))
        coded = av1C->size() > 4 ? av1Size(av1C->sliced(4)) : av1Size(item.data);
    if (size && coded && *coded != *size)
        return Failure{
            QStringLiteral("The HEIF file is damaged: its picture is coded at %1 pixels, but "
                           "its header says %2.")
                .arg(sizeText(*coded), sizeText(*size))};
    if (coded && !allocation::allows(*coded))
        return Failure{allocation::tooLarge(*coded)};
    return {};
}

// A grid's or an overlay's own output size, from its data.
std::optional<QSize> canvas(const Item &item)
{
    Bytes r(item.data);
    r.take(1);
    const bool wide = r.take(1) & 1;
    if (item.type == "grid")
        r.take(2); // rows and columns, less one each
    else
        r.take(8); // the fill colour
    const quint64 w = r.take(wide ? 4 : 2), h = r.take(wide ? 4 : 2);
    if (!r.ok())
        return std::nullopt;
    return QSize(int(std::min<quint64>(w, INT_MAX)), int(std::min<quint64>(h, INT_MAX)));
}

} // namespace

Result<void> checkHeif(QByteArrayView file)
{
    const std::optional<QByteArrayView> metaBox = child(boxes(file), "meta");
    if (!metaBox || metaBox->size() < 4)
        return {}; // libheif says what is wrong
    const std::vector<Box> meta = boxes(metaBox->sliced(4));
    Meta m;
    if (const auto pitm = child(meta, "pitm"); pitm && pitm->size() >= 6) {
        Bytes r(*pitm);
        const int version = int(r.take(1));
        r.take(3);
        m.primary = quint32(r.take(version == 0 ? 2 : 4));
    }
    if (const auto iinf = child(meta, "iinf"))
        readItemInfo(*iinf, m);
    if (m.listed <= HeifMaxItems)
        if (const auto iloc = child(meta, "iloc"))
            readLocations(file, *iloc, child(meta, "idat").value_or(QByteArrayView()), m);
    if (m.listed <= HeifMaxItems)
        if (const auto iprp = child(meta, "iprp"))
            readProperties(*iprp, m);
    if (m.listed > HeifMaxItems)
        return Failure{
            QStringLiteral("The HEIF file lists %1 items, more than the %2 that a picture "
                           "file may hold.")
                .arg(m.listed)
                .arg(HeifMaxItems)};
    if (const auto iref = child(meta, "iref"))
        readReferences(*iref, m);
    const auto primary = m.items.find(m.primary);
    if (primary == m.items.end())
        return {};
    // What libheif decodes for the primary picture: itself or its tiles, and its alpha.
    std::vector<quint32> decoded;
    const Item &picture = primary->second;
    if (picture.type == "grid" || picture.type == "iovl") {
        qint64 pixels = 0;
        const auto [from, to] = m.tiles.equal_range(m.primary);
        for (auto t = from; t != to; ++t) {
            decoded.push_back(t->second);
            const auto tile = m.items.find(t->second);
            const std::optional<QSize> size =
                tile == m.items.end() ? std::nullopt : stored(m, tile->second);
            if (size)
                pixels += qint64(size->width()) * size->height();
            if (pixels > allocation::limitBytes() / 4)
                return Failure{
                    QStringLiteral("The picture is too large: its %1 tiles hold more than "
                                   "the %2 MiB that one picture may take.")
                        .arg(std::distance(from, to))
                        .arg(allocation::limitBytes() >> 20)};
        }
        for (const std::optional<QSize> size : {canvas(picture), stored(m, picture)})
            if (size && !allocation::allows(*size))
                return Failure{allocation::tooLarge(*size)};
    } else {
        decoded.push_back(m.primary);
    }
    const auto [from, to] = m.auxiliaries.equal_range(m.primary);
    for (auto a = from; a != to; ++a)
        decoded.push_back(a->second);
    for (const quint32 id : decoded) {
        const auto item = m.items.find(id);
        if (item == m.items.end())
            continue;
        if (Result<void> coded = checkCoded(m, item->second); !coded)
            return coded;
    }
    return {};
}

} // namespace picture
