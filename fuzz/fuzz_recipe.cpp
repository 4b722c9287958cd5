// A recipe from untrusted bytes, as a dropped file, a PNG's texts or --recipe give it: the JSON's
// entries, read back, turned into the batch's words and parsed by the batch, quoted for the
// shell, told as a history step, and mapped from plane to picture.
#include "batch/batchoptions.h"
#include "core/quoting.h"
#include "core/recipe.h"
#include "fuzzinput.h"

#include <QByteArray>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const Result<results::Entries> entries = results::entriesOfJson(json);
    if (!entries)
        return 0;
    const Result<results::Recorded> read = results::readEntries(*entries);
    if (!read) {
        FUZZ_CHECK(!read.error().isEmpty());
        return 0;
    }
    const results::Recipe &r = read->recipe;
    // What the batch is told makes the same recipe again.
    QStringList words = results::batchArguments(r);
    static_cast<void>(results::shellQuoted(words));
    const Result<batch::Settings> s = batch::parse(words << QStringLiteral("/a.png"));
    FUZZ_CHECK(s.has_value());
    // The batch holds the recipe as the record does: a reduction steps by its x rate both ways,
    // whatever y rate a recipe names.
    FUZZ_CHECK(static_cast<const results::Recipe &>(*s) == results::held(r));
    // A history step says what changed, and nothing where nothing did.
    const results::Recipe start;
    FUZZ_CHECK(results::describeChange(start, r).isEmpty() == (start == r));
    FUZZ_CHECK(results::describeChange(r, r).isEmpty());
    // Written again, the entries read back as the same recipe.
    const Result<results::Recorded> again =
        results::readEntries(results::describe(read->source, r) + read->unknown);
    FUZZ_CHECK(again.has_value() && again->recipe == r);
    // Every plane pixel maps to a finite rectangle of the picture, or to none.
    for (const QPoint pixel : {QPoint(0, 0), QPoint(7, 3), QPoint(200, 200)})
        if (const std::optional<QRectF> rect = results::pictureRect(*read, pixel))
            FUZZ_CHECK(std::isfinite(rect->x()) && std::isfinite(rect->y()) &&
                       std::isfinite(rect->width()) && std::isfinite(rect->height()));
    return 0;
}
