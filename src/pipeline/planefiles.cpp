#include "pipeline/planefiles.h"

#include <algorithm>

namespace pipeline {

namespace {

// The file system's limit on one name, in bytes.
constexpr qsizetype LongestName = 255;

// Cuts a UTF-8 text to at most `bytes`, never inside a character.
QByteArray cutUtf8(QByteArrayView text, qsizetype bytes)
{
    qsizetype n = std::min(bytes, text.size());
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return text.first(n).toByteArray();
}

} // namespace

quint64 stableHash(QByteArrayView bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

QByteArray shortHash(QByteArrayView bytes)
{
    const quint64 h = stableHash(bytes);
    return QByteArray::number(static_cast<quint32>(h ^ (h >> 32)), 16).rightJustified(8, '0');
}

QList<PlaneFile> planeTails(const results::Recipe &recipe, std::optional<Channel> zoom, int frame)
{
    const QByteArray framed =
        frame > 0 ? "-f" + QByteArray::number(frame).rightJustified(5, '0') : QByteArray();
    QList<PlaneFile> tails;
    for (const View view : Views)
        if ((view == View::Zoom && zoom) ||
            (view != View::Zoom && (!recipe.reduction || view == View::Blue)))
            tails.push_back(
                {view, framed + results::suggestedName(QStringLiteral("x"), viewName(view), recipe)
                                    .toUtf8()
                                    .sliced(1)});
    return tails;
}

QList<PlaneFile> planeFiles(const results::Recipe &recipe, std::optional<Channel> zoom,
                            QByteArrayView stem, int frame)
{
    QList<PlaneFile> files = planeTails(recipe, zoom, frame);
    for (PlaneFile &f : files) {
        const QByteArray tail = f.name;
        f.name = (stem.isEmpty() ? QByteArrayView("tintara") : stem).toByteArray() + tail;
        if (f.name.size() > LongestName) {
            const QByteArray mark = '~' + shortHash(stem);
            f.name = cutUtf8(stem, LongestName - tail.size() - mark.size()) + mark + tail;
        }
    }
    return files;
}

} // namespace pipeline
