#pragma once

#include "core/recipe.h"
#include "core/result.h"
#include "pipeline/planefiles.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace batch {

// What `tintara --batch` was asked to do: how the planes are made (each automatic method finds
// its channel's minimum picture by picture), and what only a batch has.
struct Settings : results::Recipe {
    std::optional<Channel> zoom; // the plane also written enlarged, as the zoom box shows it
    QString outDir;
    bool overwrite = false;
    bool recursive = false;
    int jobs = 0;      // 0: one per core
    int timeout = 300; // seconds a picture may take
    QString report;    // JSON Lines report: a file, "-" for standard output, empty for none
    QString measure;   // CSV of what each threshold scan marked: a file, "-", empty for none
    // The pictures and folders named, as the file system spells them, and where a list of
    // more comes from.
    QList<QByteArray> given;
    QString filesFrom;
    bool null = false;
    int shard = 1, shards = 1;
    bool dryRun = false;
};

// The usage lines, every option from the one list the help prints.
QString usageText();

// What `tintara --batch --help` prints: every option with its meaning and default.
QString helpText();

// The arguments with each "--recipe FILE" replaced by the options the recipe stands for; fails
// naming the file where one cannot be used, which is no usage error.
Result<QList<QByteArray>> withRecipes(const QList<QByteArray> &args);

// Reads the batch options (the program's arguments, without the program's name, as bytes).
// Fails, saying why, on a usage error or a recipe that cannot be used.
Result<Settings> parse(const QList<QByteArray> &args);
Result<Settings> parse(const QStringList &args);

// The options that make a worker process do the same to each picture it is given.
QStringList workerArguments(const Settings &s);

using pipeline::stableHash;

} // namespace batch
