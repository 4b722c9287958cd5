// Recipes: written as entries and JSON, read back by the one parser, refused when they cannot be
// used; what a history step says; where a plane pixel lies in the picture.
#include "core/quoting.h"
#include "core/recipe.h"

#include <gtest/gtest.h>

#include <functional>

using namespace results;

namespace {

struct Case {
    const char *name;
    Recipe recipe;
    Source source;
};

std::vector<Case> cases()
{
    std::vector<Case> out;
    out.push_back({"defaults, no picture", Recipe{}, Source{{}, {}, {}, QStringLiteral("3.0.0")}});
    Recipe edges;
    edges.size = 300, edges.selection = scan::Spread, edges.threshold = true, edges.rx = 7;
    edges.ry = 4, edges.overlap = true, edges.bands[Channel::Red] = {0, 0},
    edges.bands[Channel::Green] = {40, 200};
    edges.bands[Channel::Blue] = {255, 255};
    out.push_back({"edges with overlap", edges,
                   Source{QStringLiteral("/photos/a b's \"c\".jpg"), QStringLiteral("ab12"),
                          QSize(4000, 3000), QStringLiteral("3.0.0")}});
    Recipe automatic;
    automatic.size = 200, automatic.selection = scan::Maximum, automatic.threshold = true;
    automatic.bands[Channel::Red] = {84, 200},
    automatic.automatic[Channel::Red] = histogram::Method::Otsu;
    automatic.automatic[Channel::Blue] = histogram::Method::RenyiEntropy;
    out.push_back({"automatic methods", automatic,
                   Source{QStringLiteral("/p/é.png"), QStringLiteral("ff"), QSize(333, 211),
                          QStringLiteral("3.0.0")}});
    Recipe local = automatic;
    local.automatic[Channel::Red].reset();
    local.local[Channel::Red] = local::Method::Sauvola;
    local.localRadius = 7, local.localParam1 = -0.25, local.localWhite = false;
    out.push_back({"a local method", local,
                   Source{QStringLiteral("/p/page.png"), QStringLiteral("0c"), QSize(640, 480),
                          QStringLiteral("3.0.0")}});
    Recipe reduction;
    reduction.reduction = true, reduction.rx = reduction.ry = 30, reduction.size = 400;
    out.push_back({"reduction", reduction,
                   Source{QStringLiteral("/p/tall.png"), QStringLiteral("01"), QSize(1, 5000),
                          QStringLiteral("3.0.0")}});
    Recipe typed;
    typed.selection = scan::None;
    out.push_back({"typed type", typed, Source{}});
    return out;
}

Entries edited(Entries entries, const QString &key, const QString &value)
{
    for (auto &e : entries)
        if (e.first == key)
            e.second = value;
    return entries;
}

Entries without(Entries entries, const QString &key)
{
    entries.removeIf([&](const auto &e) { return e.first == key; });
    return entries;
}

} // namespace

TEST(Recipes, RoundTripThroughEntriesAndJson)
{
    for (const Case &c : cases()) {
        SCOPED_TRACE(c.name);
        const Entries entries = describe(c.source, c.recipe);
        const Result<Entries> fromJson = entriesOfJson(toJson(entries));
        ASSERT_TRUE(fromJson) << fromJson.error().toStdString();
        for (const Entries &e : {entries, *fromJson}) {
            const Result<Recorded> read = readEntries(e);
            ASSERT_TRUE(read) << read.error().toStdString();
            EXPECT_TRUE(read->recipe == c.recipe);
            // Written as a reader of format 2 reads it unless a local method would be lost.
            EXPECT_EQ(read->format, c.recipe.anyLocal() ? RecipeFormat : 2);
            EXPECT_EQ(read->source.path, c.source.path);
            EXPECT_EQ(read->source.hash, c.source.hash);
            EXPECT_EQ(read->source.picture, c.source.picture);
            EXPECT_EQ(read->source.version, c.source.version);
            EXPECT_EQ(read->placement.has_value(), !c.source.picture.isEmpty());
            EXPECT_TRUE(read->unknown.isEmpty());
        }
    }
}

// Each setting, changed alone, is seen by equality, written in the record and read back, said by
// the batch's options, and told in the history (all but the mode, which is no setting of a
// control).
TEST(Recipes, EverySettingIsNamedEverywhere)
{
    std::vector<std::pair<const char *, std::function<void(Recipe &)>>> changes = {
        {"size",
         [](Recipe &r) {
             r.size = 300;
         }},
        {"type",
         [](Recipe &r) {
             r.selection = scan::Minimum;
         }},
        {"threshold",
         [](Recipe &r) {
             r.threshold = true;
         }},
        {"reduction",
         [](Recipe &r) {
             r.reduction = true;
         }},
        {"rate x",
         [](Recipe &r) {
             r.rx = 7;
         }},
        {"rate y",
         [](Recipe &r) {
             r.ry = 9;
         }},
        {"overlap",
         [](Recipe &r) {
             r.overlap = true;
         }},
        {"frames",
         [](Recipe &r) {
             r.frames = QStringLiteral("3-40/5");
         }},
        {"scope",
         [](Recipe &r) {
             r.stackScope = true;
         }},
    };
    for (const Channel c : Channels) {
        changes.push_back({"minimum", [c](Recipe &r) {
                               r.bands[c].lo = 20;
                           }});
        changes.push_back({"maximum", [c](Recipe &r) {
                               r.bands[c].hi = 200;
                           }});
        changes.push_back({"automatic", [c](Recipe &r) {
                               r.automatic[c] = histogram::Method::Triangle;
                           }});
        changes.push_back({"local", [c](Recipe &r) {
                               r.local[c] = local::Method::Phansalkar;
                           }});
    }
    changes.push_back({"local radius", [](Recipe &r) {
                           r.localRadius = 4;
                       }});
    changes.push_back({"local parameter", [](Recipe &r) {
                           r.localParam2 = 0.75;
                       }});
    changes.push_back({"dark objects", [](Recipe &r) {
                           r.localWhite = false;
                       }});
    const Recipe plain;
    for (const auto &[name, change] : changes) {
        SCOPED_TRACE(name);
        Recipe r;
        change(r);
        EXPECT_FALSE(r == plain);
        const Result<Recorded> read = readEntries(describe({}, r));
        ASSERT_TRUE(read) << read.error().toStdString();
        EXPECT_TRUE(read->recipe == r);
        EXPECT_NE(batchArguments(r), batchArguments(plain));
        if (!r.threshold && !r.reduction)
            EXPECT_FALSE(describeChange(plain, r).isEmpty());
    }
}

TEST(Recipes, FrameRangesNameTheFramesOfAStack)
{
    const std::pair<const char *, QList<int>> good[] = {{"all", {1, 2, 3, 4, 5, 6, 7, 8}},
                                                        {"7", {7}},
                                                        {"9", {}},
                                                        {"3-9/2", {3, 5, 7}},
                                                        {"2-4", {2, 3, 4}},
                                                        {"6-99/4", {6}}};
    for (const auto &[text, frames] : good) {
        const std::optional<FrameRange> range = frameRange(QLatin1String(text));
        ASSERT_TRUE(range) << text;
        EXPECT_EQ(range->of(8), frames) << text;
    }
    for (const char *bad : {"", "0", "5-3", "3-", "-3", "3/2", "1-4/0", "x", "all/2", "1--4"})
        EXPECT_FALSE(frameRange(QLatin1String(bad))) << bad;
}

TEST(Recipes, EarlierRecordsAndUnknownEntries)
{
    // A plane saved before recipes had a version: no format, no placement, its picture named by
    // its file name alone.
    const Entries earlier{{"Source", "p.png"},
                          {"Preview size", "500"},
                          {"Selection", "massimo-minimo"},
                          {"Mode", "threshold"},
                          {"Rates", "3x3"},
                          {"Red threshold", "128:255"},
                          {"Green threshold", "10:20"},
                          {"Blue threshold", "128:255"},
                          {"Software", "Tintara"}};
    const Result<Recorded> read = readEntries(earlier);
    ASSERT_TRUE(read) << read.error().toStdString();
    EXPECT_EQ(read->format, 1);
    EXPECT_FALSE(read->placement);
    EXPECT_EQ(read->source.path, QStringLiteral("p.png"));
    EXPECT_EQ(read->recipe.bands[Channel::Green].lo, 10);
    EXPECT_TRUE(read->recipe.threshold);
    // Other programs' entries and later ones are kept, in their order, and change nothing.
    Entries more = earlier;
    more.insert(2, {"Comment", "taken at noon"});
    more.append(QPair<QString, QString>("Colour space", "{\"later\": true}"));
    const Result<Recorded> kept = readEntries(more);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->recipe == read->recipe);
    EXPECT_EQ(kept->unknown,
              (Entries{{"Comment", "taken at noon"}, {"Colour space", "{\"later\": true}"}}));
    // JSON numbers and values of other kinds are read as text.
    const Result<Entries> json = entriesOfJson(
        R"({"Software": "Tintara", "Format version": 2, "Preview size": 300, "Rates": "5x5",
            "Selection": "minimo", "Mode": "RGB", "Red threshold": "1:2",
            "Green threshold": "3:4", "Blue threshold": "5:6", "Layers": [1, {"a": null}]})");
    ASSERT_TRUE(json);
    const Result<Recorded> fromJson = readEntries(*json);
    ASSERT_TRUE(fromJson) << fromJson.error().toStdString();
    EXPECT_EQ(fromJson->recipe.size, 300);
    EXPECT_EQ(fromJson->unknown, (Entries{{"Layers", "[1,{\"a\":null}]"}}));
}

TEST(Recipes, RefusalsSayWhy)
{
    const Entries good =
        describe(Source{QStringLiteral("/p.png"), QStringLiteral("1"), QSize(10, 10), {}}, {});
    struct Refusal {
        const char *name;
        Entries entries;
        const char *says;
    };
    const Refusal refusals[] = {
        {"another program's", edited(good, "Software", "GIMP"), "no recipe of Tintara"},
        {"a newer format", edited(good, "Format version", "4"), "format version 4"},
        {"band and local",
         good + Entries{{"Red automatic threshold", "Otsu"}, {"Red local threshold", "Mean"}},
         "one of them"},
        {"no format number", edited(good, "Format version", "two"), "no format version"},
        {"rate 2", edited(good, "Rates", "2x2"), "\"Rates\" reads \"2x2\""},
        {"rate 31", edited(good, "Rates", "3x31"), "each 3 to 30"},
        {"rates mangled", edited(good, "Rates", "3x3x3"), "\"3x3x3\""},
        {"band 300:10", edited(good, "Red threshold", "300:10"), "0 <= LO <= HI <= 255"},
        {"band upside down", edited(good, "Green threshold", "200:100"), "\"200:100\""},
        {"band of one number", edited(good, "Blue threshold", "12"), "\"12\""},
        {"size 250", edited(good, "Preview size", "250"), "200, 300, 400 or 500"},
        {"unknown type", edited(good, "Selection", "mediana"),
         "media, massimo, minimo or massimo-minimo"},
        {"unknown mode", edited(good, "Mode", "edges"), "RGB, threshold or pixel reduction"},
        {"overlap maybe", edited(good, "Overlap", "maybe") + Entries{{"Overlap", "maybe"}},
         "on or off"},
        {"unknown method", good + Entries{{"Red automatic threshold", "Magic"}}, "one of Default"},
        {"no rates", without(good, "Rates"), "no \"Rates\" entry"},
        {"no band", without(good, "Green threshold"), "no \"Green threshold\" entry"},
        {"scale 0", edited(good, "Preview scale", "0"), "above 0"},
    };
    for (const Refusal &r : refusals) {
        const Result<Recorded> read = readEntries(r.entries);
        ASSERT_FALSE(read) << r.name;
        EXPECT_TRUE(read.error().contains(QLatin1String(r.says)))
            << r.name << ": " << read.error().toStdString();
    }
    const QByteArray json = toJson(good);
    struct Damaged {
        const char *name;
        QByteArray json;
        const char *says;
    };
    const Damaged damaged[] = {
        {"truncated", json.left(json.size() / 2), "damaged"},
        {"empty", "", "damaged"},
        {"an array", "[1, 2]", "no JSON object"},
        {"another object", "{\"name\": \"x\"}", ""}, // read, then refused by readEntries
    };
    for (const Damaged &d : damaged) {
        const Result<Entries> entries = entriesOfJson(d.json);
        if (!*d.says) {
            ASSERT_TRUE(entries) << d.name;
            EXPECT_FALSE(readEntries(*entries)) << d.name;
            continue;
        }
        ASSERT_FALSE(entries) << d.name;
        EXPECT_TRUE(entries.error().contains(QLatin1String(d.says))) << d.name;
    }
}

TEST(Recipes, HistoryStepsSayWhatChanged)
{
    Recipe before;
    Recipe after = before;
    EXPECT_EQ(describeChange(before, after), QString());
    after.bands[Channel::Red].lo = 84, after.automatic[Channel::Red] = histogram::Method::Otsu;
    EXPECT_EQ(describeChange(before, after), QStringLiteral("Red minimum 84 (Otsu)"));
    after = before;
    after.rx = after.ry = 7, after.bands[Channel::Green].hi = 200, after.overlap = true;
    EXPECT_EQ(describeChange(before, after),
              QStringLiteral("Rate x 7, rate y 7, overlap on, green maximum 200"));
    after = before;
    after.size = 300, after.selection = scan::Spread, after.bands[Channel::Blue] = {10, 255};
    EXPECT_EQ(describeChange(before, after),
              QStringLiteral("Preview size 300, type massimo-minimo, blue minimum 10"));
}

TEST(Recipes, PlanePixelsMapToThePicture)
{
    // A 1000 x 800 picture in a 500-pixel preview: a preview pixel is 2 picture pixels a side.
    Recorded r;
    r.placement = Placement{{0, 0}, {5, 5}, 0.5};
    r.recipe.rx = r.recipe.ry = 5;
    EXPECT_EQ(pictureRect(r, {60, 30}), QRectF(600, 300, 10, 10));
    EXPECT_EQ(pictureRect(r, {0, 0}), QRectF(0, 0, 10, 10));
    r.recipe.overlap = true; // a block also takes its neighbours' first column and row
    EXPECT_EQ(pictureRect(r, {60, 30}), QRectF(600, 300, 12, 12));
    r.recipe.reduction = true; // one sample
    EXPECT_EQ(pictureRect(r, {60, 30}), QRectF(600, 300, 2, 2));
    r.placement = Placement{{3, 1}, {4, 7}, 1.25};
    r.recipe = {};
    EXPECT_EQ(pictureRect(r, {2, 1}), QRectF(8.8, 6.4, 3.2, 5.6));
    r.placement.reset();
    EXPECT_FALSE(pictureRect(r, {0, 0}));
}

TEST(Recipes, ShellWordsAreQuotedOnlyWhereNeeded)
{
    EXPECT_EQ(shellQuoted({QStringLiteral("tintara"), QStringLiteral("--red"),
                           QStringLiteral("84:255"), QStringLiteral("/a/b-c_d.png")}),
              QStringLiteral("tintara --red 84:255 /a/b-c_d.png"));
    EXPECT_EQ(shellQuoted({QStringLiteral("a b"), QStringLiteral("it's"), QString(),
                           QStringLiteral("$HOME"), QStringLiteral("*.png")}),
              QStringLiteral("'a b' 'it'\\''s' '' '$HOME' '*.png'"));
}
