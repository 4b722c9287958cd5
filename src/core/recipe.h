#pragma once

// How planes are made, as a recipe: the settings, the picture they were made from and where
// each block lies in it. One set of text entries says it everywhere: inside every saved PNG, in
// a .tintara.json file, and turned into the batch's options. One parser reads them all back.

#include "core/autothreshold.h"
#include "core/channelscan.h"
#include "core/entriesjson.h"
#include "core/framerange.h"
#include "core/localthreshold.h"
#include "core/result.h"
#include "core/valuekinds.h"

#include <QList>
#include <QPair>
#include <QPoint>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <optional>

namespace results {

// The recipe format this program writes and the newest it reads. 1 is the record of planes
// saved with a frame around their blocks (block (0, 0) at pixel (1, 1)) and no placement;
// 2 saves the blocks alone and says where they lie in the picture; 3 marks a channel's blocks
// by a local method, which a program that reads 2 would pass over. A recipe without a local
// method is still written as 2.
inline constexpr int RecipeFormat = 3;

// Each setting is named in one place, its row in the table of settings (recipe.cpp): its entry
// in a record, its batch options with their help, its words in the history, its column in a
// measurement row, the window's control that holds it, and its part in equality.
struct Recipe {
    int size = 500;                // the side of the preview square: 200, 300, 400 or 500
    int selection = scan::Average; // the selection type's index; -1 when typed
    bool threshold = false;        // threshold markers, not channel intensities
    bool reduction = false;        // the pixel reduction, not a scan
    int rx = 3, ry = 3;
    bool overlap = false; // overlapping blocks
    PerChannel<scan::Band> bands;
    // The automatic method each channel's minimum came from, where one did.
    PerChannel<std::optional<histogram::Method>> automatic;
    // The frames of a stack or a film that are scanned, as "all", "N" or "A-B[/STEP]"
    // (numbered from 1); empty for the first frame alone, named as a still picture's.
    QString frames;
    // Whether an automatic method takes the block values of every frame scanned together, and
    // gives each the same minimum, rather than each frame's own.
    bool stackScope = false;
    // The local method a channel's blocks are marked by, instead of its band, in a threshold
    // scan; and the neighbourhood and parameters every channel's method takes.
    PerChannel<std::optional<local::Method>> local;
    int localRadius = 15; // in blocks
    double localParam1 = 0, localParam2 = 0;
    bool localWhite = true; // objects brighter than their ground
    local::Params localParams() const
    {
        return {localRadius, localParam1, localParam2, localWhite};
    }
    bool anyLocal() const
    {
        return std::any_of(local.begin(), local.end(), [](const auto &m) { return m.has_value(); });
    }

    friend bool operator==(const Recipe &a, const Recipe &b);
};

// The settings as every caller takes them, and as the window's controls hold them: the size one
// of the list's, each rate 3 to 30, each bound 0 to 255 and no maximum below its minimum;
// threshold markers only without the reduction, which steps by the x rate both ways.
Recipe held(Recipe r);

// "media", "massimo", "minimo", "massimo-minimo", or "nessuno" for a typed selection type.
QString selectionName(int selection);
// The selection type's index for its name in any case, -1 for "nessuno"; none for any other
// text.
std::optional<int> selectionNamed(const QString &name);

// The settings a measurement row records, as its columns and their values: size, type, rate_x,
// rate_y, overlap, then each channel's band ("red_band", "lo:hi") and automatic method
// ("red_auto", empty for none).
Entries measuredSettings(const Recipe &r);

// "<picture>-<view>-<type>-<x>x<y>.png"; `view` is red, green, blue or zoom, `picture` the
// picture file's name without its suffix.
QString suggestedName(const QString &picture, const QString &view, const Recipe &r);

// The picture planes were made from, as their record names it: enough for a rerun to tell
// whether a plane is still what this picture and these settings make, and to offer the picture
// again with its recipe.
struct Source {
    QString path;    // the picture file, absolute; empty for a recipe saved without a picture
    QString hash;    // a hash of its bytes
    QSize picture;   // its size in pixels, when known
    QString version; // the program's
    int frame = 0;   // the frame of a stack or film the planes are of, from 1; 0 for a still
    std::optional<double> time = {}; // when that frame is shown, in seconds, where the file says
};

// Where a saved plane's blocks lie in the picture: plane pixel (x, y) is the block whose
// samples start at preview pixel origin + (x * step.width, y * step.height), and a preview
// pixel is 1 / scale picture pixels a side.
struct Placement {
    QPoint origin;
    QSize step;
    double scale = 1; // preview pixels per picture pixel
};

// A recipe as read back from its entries, with what it says besides the settings.
struct Recorded {
    int format = RecipeFormat;
    Recipe recipe;
    Source source;
    std::optional<Placement> placement; // format 2 records of a picture
    Entries unknown; // entries of other programs or later versions, kept as they were
};

// The entries that record how planes were made, in the order written. The placement is
// written when the source knows the picture's size.
Entries describe(const Source &source, const Recipe &r);
// The entry holding a channel's band ("Red threshold", "lo:hi").
QString thresholdKey(Channel channel);
// The entry naming the automatic method of a channel's minimum ("Red automatic threshold").
QString automaticKey(Channel channel);

// Whether the entries claim to be a recipe of this program, good or bad: "Software" says so.
bool claimsRecipe(const Entries &entries);
// Reads a recipe from its entries; fails, saying why, on one of another program, of a newer
// format, with an entry missing, unreadable or out of range.
Result<Recorded> readEntries(const Entries &entries);

// A batch option: its name without "--", its value as the help writes it (empty for a flag),
// what it does, and how the usage line shows it: empty for "[--name VALUE]", "-" for an option
// another one's usage shows.
struct OptionDoc {
    QString name, value, help, usage;
};
// The options given to a batch: an option's last value (empty for a flag), none where it was
// not given; and the place among the arguments where it came last, -1 where it did not.
struct GivenOptions {
    std::function<std::optional<QString>(const QString &name)> value;
    std::function<qsizetype(const QString &name)> lastAt;
};
// The automatic methods' names, as options take them: "Default, Huang, ...".
QString methodList();
// The options that set a recipe, in the order the help lists them.
QList<OptionDoc> recipeOptions();
// Sets the recipe from the options given: of the options that set one value, the later one
// counts, and an option that stands in for others ("--auto" for "--auto-red") only where none
// of them is given. Fails with the usage error, which names the option and what it takes.
Result<void> readOptions(const GivenOptions &given, Recipe &r);
// The batch options that make these planes, without the program's name and "--batch".
QStringList batchArguments(const Recipe &r);

// The settings that one control of the window holds whole, by the control's name, in the order
// they are set (the x rate before the y rate, which it drags along): the control's value as the
// setting's text, and whether a change of it takes effect at once rather than at the next load.
struct ControlSetting {
    QString control;
    bool atOnce = true;
};
QList<ControlSetting> controlSettings();
// The text of the setting the control holds.
QString controlText(const Recipe &r, const QString &control);
// Sets the setting the control holds from its text; false where the text is none of its values.
bool takeControlText(Recipe &r, const QString &control, const QString &text);

// What changed from `before` to `after`, for a history list: "Red minimum 84 (Otsu)",
// "Rate x 7, rate y 7"; empty when nothing did.
QString describeChange(const Recipe &before, const Recipe &after);

// The picture pixels whose preview pixels plane pixel `pixel` was made of; none for a record
// without a placement.
std::optional<QRectF> pictureRect(const Recorded &recorded, QPoint pixel);

} // namespace results
