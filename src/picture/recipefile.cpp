#include "picture/recipefile.h"

#include "picture/pngtexts.h"
#include "picture/pngwriter.h"

#include <QFile>

namespace picture {

namespace {
// Far more than any recipe; a larger file is no recipe and is not read whole.
constexpr qint64 LargestRecipe = 1 << 20;
} // namespace

bool isRecipeName(const QString &path)
{
    return path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
}

Result<std::optional<results::Recorded>> readRecipe(const QString &path)
{
    const auto read =
        [](const results::Entries &entries) -> Result<std::optional<results::Recorded>> {
        Result<results::Recorded> recorded = results::readEntries(entries);
        if (!recorded)
            return recorded.failure();
        return std::optional(*std::move(recorded));
    };
    if (!isRecipeName(path)) {
        // Only a PNG carries a record; what its texts cannot tell, the loader words.
        const auto texts = pngTexts(QFile::encodeName(path));
        if (!texts || !results::claimsRecipe(*texts))
            return std::optional<results::Recorded>();
        return read(*texts);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{file.errorString()};
    if (file.size() > LargestRecipe)
        return Failure{QStringLiteral("It is too large for a recipe.")};
    const QByteArray json = file.read(LargestRecipe + 1);
    if (file.error() != QFileDevice::NoError)
        return Failure{file.errorString()};
    const Result<results::Entries> entries = results::entriesOfJson(json);
    if (!entries)
        return entries.failure();
    return read(*entries);
}

Result<void> saveRecipe(const QString &path, const results::Entries &entries)
{
    return saveBytes(results::toJson(entries), path);
}

} // namespace picture
