#pragma once

#include "core/channelscan.h"

#include <QString>
#include <QStringList>

namespace batch {

// What `tintara --batch` was asked to do.
struct Settings {
    int size = 500;
    int rx = 3, ry = 3;
    int selection = scan::Average;
    bool threshold = false;
    bool reduction = false;
    scan::Band red{128, 255}, green{128, 255}, blue{128, 255};
    QString zoom; // "r", "g", "b" or empty
    QString outDir;
    bool overwrite = false;
    int jobs = 0; // 0: one per core
    QStringList files;
    QStringList inputs; // every picture of the batch, so that no output replaces one
};

inline constexpr const char *Usage =
    "Usage: tintara --batch [--size 200|300|400|500] [--rate N | --rate-x N --rate-y N]\n"
    "       [--type media|massimo|minimo|massimo-minimo] [--threshold] [--red LO:HI]\n"
    "       [--green LO:HI] [--blue LO:HI] [--reduction] [--zoom r|g|b] [--out DIR]\n"
    "       [--overwrite] [--jobs N] [--files-from FILE [--null]] [--shard K/N]\n"
    "       FILE|FOLDER...\n"
    "       tintara --batch --help";

// What `tintara --batch --help` prints: every option with its meaning and default.
QString helpText();

// Reads the batch options (the program's arguments, without the program's name). Folders are
// replaced by their picture files in name order. False with `error` for a usage error. A
// worker is given its pictures one by one later, so it needs none here.
bool parse(const QStringList &args, Settings &s, QString &error, bool worker = false);

// The options that make a worker process do the same to each picture it is given.
QStringList workerArguments(const Settings &s);

} // namespace batch
