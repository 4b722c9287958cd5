// Frames of stacks and films, made at test time by ffmpeg and ImageMagick: frame k shows a white
// square at a place that says k, so every frame read checks itself.
#include "picture/filmreader.h"
#include "picture/formats.h"
#include "picture/frames.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <iostream>
#include <numeric>
#include <random>

namespace {

constexpr int Frames = 60, Side = 200;

bool run(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Frame k's square: 16 pixels a side in a 320 x 240 frame, 20 to a row, stretched with the frame.
QPoint squareCentre(int k, double sx, double sy)
{
    return QPoint(int(((k % 20) * 16 + 8) * sx), int(((k / 20) * 16 + 8) * sy));
}

// Which frame a preview shows: the one whose square is white, or -1.
int shownFrame(const QImage &preview, int count)
{
    const double sx = preview.width() / 320.0, sy = preview.height() / 240.0;
    int found = -1;
    for (int k = 0; k < count; ++k)
        if (qGray(preview.pixel(squareCentre(k, sx, sy))) > 128) {
            if (found >= 0)
                return -1;
            found = k;
        }
    return found;
}

class FramesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir;
        const QString d = dir_->path();
        const QString squares =
            "color=black:s=320x240:r=25,format=gray,geq=lum='255*between(X\\,mod(N\\,20)*16\\,"
            "mod(N\\,20)*16+15)*between(Y\\,floor(N/20)*16\\,floor(N/20)*16+15)'";
        const QStringList from{"-v", "error", "-f",        "lavfi",
                               "-i", squares, "-frames:v", QString::number(Frames)};
        made_ = run("ffmpeg", from + QStringList{"-c:v", "libx264", "-bf", "3", "-g", "10",
                                                 "-pix_fmt", "yuv420p", d + "/film.mp4"}) &&
                run("ffmpeg", from + QStringList{"-c:v", "libvpx-vp9", "-g", "15", "-b:v", "1M",
                                                 d + "/film.webm"}) &&
                run("ffmpeg", from + QStringList{"-c:v", "mjpeg", "-q:v", "3", d + "/film.avi"}) &&
                run("ffmpeg",
                    {"-v", "error", "-i", d + "/film.mp4", "-frames:v", "24", d + "/f%03d.png"});
        // Sizes and containers as phones, camcorders and other programs make them: none of
        // them a multiple of FFmpeg's alignment, B-frames in an AVI, a transport stream, Ogg.
        const auto film = [&](const QString &size, const QStringList &codec, const QString &name) {
            return run("ffmpeg", from + QStringList{"-vf", "scale=" + size + ":flags=neighbor"} +
                                     codec + QStringList{d + "/" + name});
        };
        made_ = made_ &&
                film("1080:1920", {"-c:v", "libx264", "-g", "10", "-pix_fmt", "yuv420p"},
                     "portrait.mp4") &&
                film("720:480", {"-c:v", "libx264", "-bf", "3", "-g", "12", "-pix_fmt", "yuv420p"},
                     "sd.mkv") &&
                film("320:240", {"-c:v", "mpeg4", "-bf", "2", "-g", "12"}, "bframes.avi") &&
                film("192:144", {"-c:v", "mpeg2video", "-bf", "2", "-g", "12", "-f", "mpegts"},
                     "camcorder.mts") &&
                film("160:120", {"-c:v", "libtheora", "-g", "12"}, "film.ogv") &&
                film("176:144", {"-c:v", "libvpx-vp9", "-g", "15", "-b:v", "500k"}, "small.webm");
        QStringList stills;
        for (int i = 1; i <= 24; ++i)
            stills << d + QStringLiteral("/f%1.png").arg(i, 3, 10, QLatin1Char('0'));
        made_ = made_ && run("/usr/bin/convert", stills + QStringList{d + "/stack.tif"}) &&
                run("/usr/bin/convert",
                    QStringList{"-delay", "4"} + stills + QStringList{d + "/anim.gif"}) &&
                run("/usr/bin/convert",
                    QStringList{"-delay", "4"} + stills + QStringList{d + "/anim.webp"});
    }
    static void TearDownTestSuite() { delete dir_; }
    static QString path(const char *name) { return dir_->filePath(QLatin1String(name)); }

    static inline QTemporaryDir *dir_ = nullptr;
    static inline bool made_ = false, heif_ = false;
};

// Every kind, its frames read in a random order, backwards and forwards, each the one asked.
TEST_F(FramesTest, EveryFrameIsTheOneAskedFor)
{
    ASSERT_TRUE(made_) << "ffmpeg or ImageMagick is missing";
    const struct {
        const char *name;
        int count;
        std::optional<double> twelfth; // frame 12's time
        QSize size = {320, 240};
    } cases[] = {{"film.mp4", Frames, 0.48},
                 {"film.webm", Frames, 0.48},
                 {"film.avi", Frames, 0.48},
                 {"stack.tif", 24, std::nullopt},
                 {"anim.gif", 24, 0.48},
                 {"anim.webp", 24, 0.48},
                 {"portrait.mp4", Frames, 0.48, {1080, 1920}},
                 {"sd.mkv", Frames, 0.48, {720, 480}},
                 {"bframes.avi", Frames, 0.48},
                 {"camcorder.mts", Frames, 0.48, {192, 144}},
                 {"film.ogv", Frames, 0.48, {160, 120}},
                 {"small.webm", Frames, 0.48, {176, 144}}};
    std::mt19937 rng(12);
    std::vector<std::decay_t<decltype(cases[0])>> all(std::begin(cases), std::end(cases));
    if (heif_)
        all.push_back({"multi.heic", 3, std::nullopt});
    for (const auto &c : all) {
        auto opened = picture::openFrames(path(c.name));
        ASSERT_TRUE(opened) << c.name << ": " << qPrintable(opened.error());
        picture::Frames &frames = **opened;
        ASSERT_EQ(frames.count(), c.count) << c.name;
        std::vector<int> order(std::size_t(c.count));
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), rng);
        // Then straight on from the start, as a batch reads them.
        for (int k = 0; k < c.count; ++k)
            order.push_back(k);
        for (const int k : order) {
            const picture::LoadResult frame = frames.read(k, Side);
            ASSERT_TRUE(frame) << c.name << " frame " << k << ": " << qPrintable(frame.error());
            EXPECT_EQ(frame->size, c.size) << c.name;
            const double fit = double(Side) / std::max(c.size.width(), c.size.height());
            const QSize off = frame->image.size() - c.size * fit;
            EXPECT_LE(std::abs(off.width()) + std::abs(off.height()), 1) << c.name;
            EXPECT_EQ(shownFrame(frame->image, c.count), k) << c.name;
        }
        const std::optional<double> t = frames.time(12);
        EXPECT_EQ(t.has_value(), c.twelfth.has_value()) << c.name;
        if (t && c.twelfth)
            EXPECT_NEAR(*t, *c.twelfth, 0.005) << c.name;
        EXPECT_FALSE(frames.read(c.count, Side)) << c.name;
    }
    // A still picture is one frame, as the loader reads it.
    auto still = picture::openFrames(path("f001.png"));
    ASSERT_TRUE(still);
    EXPECT_EQ((*still)->count(), 1);
    EXPECT_TRUE((*still)->read(0, Side));
}

// Films and stacks that lie, or end early: refused or read as far as they go, never a crash.
TEST_F(FramesTest, HostileFilmsAndStacksAreRefusedOrBounded)
{
    ASSERT_TRUE(made_);
    QFile avi(path("film.avi"));
    ASSERT_TRUE(avi.open(QIODevice::ReadOnly));
    const QByteArray film = avi.readAll();
    const auto patched = [&](const char *name, auto &&change) {
        QByteArray bytes = film;
        change(bytes);
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path(name);
    };
    const auto put32 = [](QByteArray &b, qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = char((v >> (8 * i)) & 0xff);
    };
    const qsizetype strh = film.indexOf("strh"), strf = film.indexOf("strf");
    ASSERT_GT(strh, 0);
    ASSERT_GT(strf, 0);
    QFile mp4(path("film.mp4"));
    ASSERT_TRUE(mp4.open(QIODevice::ReadOnly));
    const QByteArray cut = mp4.readAll().first(2000);
    QFile cutFile(path("cut.mp4"));
    ASSERT_TRUE(cutFile.open(QIODevice::WriteOnly));
    cutFile.write(cut);
    cutFile.close();
    // A GIF of 100,000 frames of one pixel each.
    QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13);
    gif += QByteArray("\x00\x00\x00\xff\xff\xff", 6);
    for (int i = 0; i < 100000; ++i)
        gif += QByteArray("\x21\xf9\x04\x00\x01\x00\x00\x00" // a delay of 10 ms
                          "\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00"
                          "\x02\x02\x44\x01\x00",
                          23);
    gif += ';';
    QFile gifFile(path("many.gif"));
    ASSERT_TRUE(gifFile.open(QIODevice::WriteOnly));
    gifFile.write(gif);
    gifFile.close();

    const QString hostile[] = {
        path("cut.mp4"),
        patched("claims.avi", [&](QByteArray &b) { put32(b, 48, 0x80000000u); }),
        patched("huge.avi",
                [&](QByteArray &b) {
                    put32(b, 64, 65535), put32(b, 68, 65535);
                    put32(b, strf + 12, 65535), put32(b, strf + 16, 65535);
                }),
        patched("timeless.avi", [&](QByteArray &b) { put32(b, strh + 28, 0); }),
        path("many.gif"),
    };
    for (const QString &file : hostile) {
        auto opened = picture::openFrames(file);
        if (!opened) {
            EXPECT_FALSE(opened.error().isEmpty()) << qPrintable(file);
            continue;
        }
        picture::Frames &frames = **opened;
        EXPECT_GE(frames.count(), 1);
        EXPECT_LE(frames.count(), 100000) << qPrintable(file);
        for (const int k : {0, frames.count() - 1, frames.count() / 2}) {
            const picture::LoadResult frame = frames.read(k, Side);
            if (frame)
                EXPECT_FALSE(frame->image.isNull()) << qPrintable(file);
        }
        (void)frames.time(frames.count() - 1);
    }
    // Damaged films and films whose index lies: each frame read, in any order, is refused or
    // is the intact film's own frame of that number, never another.
    const QString mkv = path("film.mkv");
    ASSERT_TRUE(run("ffmpeg", {"-v", "error", "-i", path("film.mp4"), "-c", "copy", mkv}));
    const auto edited = [&](const QString &from, const char *name, auto &&change) {
        QFile in(from);
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        QByteArray bytes = in.readAll();
        change(bytes);
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path(name);
    };
    const auto halved = [](QByteArray &b) {
        b.truncate(b.size() / 2);
    };
    const QString repeats = path("repeats.mkv");
    ASSERT_TRUE(run("ffmpeg", {"-v", "error", "-i", path("film.avi"), "-c", "copy", "-bsf:v",
                               "setts=ts='floor(N/2)*2'", repeats}));
    // Three frames lost from a steady film: the later ones keep their numbers.
    const QString gap = path("gap.mkv");
    ASSERT_TRUE(run("ffmpeg", {"-v", "error", "-i", path("film.avi"), "-vf",
                               "select='not(between(n\\,33\\,35))'", "-fps_mode", "passthrough",
                               "-c:v", "mjpeg", "-q:v", "3", gap}));
    // An edit list of 5,000 entries, each showing one of the film's frames: not followed.
    const auto editList = [&](QByteArray &b) {
        const auto get32 = [&](qsizetype at) {
            return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16 |
                   quint32(quint8(b[at + 2])) << 8 | quint32(quint8(b[at + 3]));
        };
        const auto set32 = [](QByteArray &to, qsizetype at, quint32 v) {
            for (int i = 0; i < 4; ++i)
                to[at + i] = char(v >> (24 - 8 * i));
        };
        const qsizetype elst = b.indexOf("elst") - 4;
        ASSERT_EQ(b[elst + 8], '\0'); // 32-bit entries
        QByteArray list(16 + 5000 * 12, '\0');
        set32(list, 0, quint32(list.size())), list.replace(4, 4, "elst");
        set32(list, 12, 5000);
        for (int i = 0; i < 5000; ++i)
            set32(list, 16 + i * 12, 1), set32(list, 20 + i * 12, quint32(i % Frames * 512)),
                set32(list, 24 + i * 12, 0x10000);
        const qsizetype grows = list.size() - get32(elst);
        for (const char *parent : {"edts", "trak", "moov"}) {
            const qsizetype at = b.lastIndexOf(parent, elst) - 4;
            set32(b, at, get32(at) + quint32(grows));
        }
        b.replace(elst, get32(elst), list);
    };
    const struct {
        QString film, intact;
        bool opens; // the damage leaves the film's start readable
        int count = 0;
    } lying[] = {
        {gap, path("film.avi"), true, Frames},
        {edited(path("film.mp4"), "edits.mp4", editList), path("film.mp4"), true, Frames},
        {edited(mkv, "torn.mkv", halved), mkv, true},
        {edited(path("film.avi"), "torn.avi", halved), path("film.avi"), true},
        {edited(path("bframes.avi"), "torn-bframes.avi", halved), path("bframes.avi"), true},
        {edited(path("film.webm"), "holed.webm",
                [](QByteArray &b) { b.remove(b.size() * 45 / 100, b.size() / 20); }),
         path("film.webm"), true},
        {edited(path("film.webm"), "pierced.webm",
                [](QByteArray &b) { b.remove(b.size() * 45 / 100, 300); }),
         path("film.webm"), true},
        {edited(mkv, "pierced.mkv", [](QByteArray &b) { b.remove(b.size() * 6 / 10, 300); }), mkv,
         true},
        {edited(path("film.mp4"), "torn.mp4", [](QByteArray &b) { b.truncate(b.size() * 7 / 10); }),
         path("film.mp4"), false},
        // Every frame a key frame, as a table that lists none says.
        {edited(path("film.mp4"), "allkeys.mp4",
                [](QByteArray &b) { b.replace(b.indexOf("stss"), 4, "free"); }),
         path("film.mp4"), true},
        // A QuickTime film whose first box is not its type.
        {edited(path("film.mp4"), "noftyp.mov", [](QByteArray &b) { b.replace(4, 4, "free"); }),
         path("film.mp4"), true},
        {repeats, path("film.avi"), true},
    };
    std::mt19937 rng(47);
    for (const auto &l : lying) {
        auto opened = picture::openFrames(l.film), intact = picture::openFrames(l.intact);
        ASSERT_TRUE(intact) << qPrintable(l.intact) << ": " << qPrintable(intact.error());
        ASSERT_EQ(bool(opened), l.opens) << qPrintable(l.film);
        if (!opened)
            continue;
        picture::Frames &frames = **opened;
        EXPECT_LE(frames.count(), (*intact)->count()) << qPrintable(l.film);
        if (l.count)
            EXPECT_EQ(frames.count(), l.count) << qPrintable(l.film);
        std::vector<int> order(std::size_t(frames.count()));
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), rng);
        for (int k = 0; k < frames.count(); ++k)
            order.push_back(k);
        int refused = 0;
        for (const int k : order) {
            const picture::LoadResult frame = frames.read(k, Side);
            if (!frame) {
                ++refused;
                EXPECT_TRUE(frame.error().contains(QString::number(k + 1))) << qPrintable(l.film);
                continue;
            }
            const picture::LoadResult truth = (*intact)->read(k, Side);
            ASSERT_TRUE(truth);
            EXPECT_EQ(frame->image, truth->image) << qPrintable(l.film) << " frame " << k + 1;
        }
        std::cerr << qPrintable(l.film) << ": " << frames.count() << " frames, " << refused
                  << " reads refused\n";
    }
    // A TIFF whose second page claims 30000 x 30000: refused before any page is decoded.
    const QString tall = edited(path("stack.tif"), "tall.tif", [](QByteArray &b) {
        ASSERT_TRUE(b.startsWith("II"));
        const auto get = [&](qsizetype at, int n) {
            quint32 v = 0;
            for (int i = n - 1; i >= 0; --i)
                v = v << 8 | quint8(b[at + i]);
            return v;
        };
        const quint32 first = get(4, 4), second = get(first + 2 + 12 * get(first, 2), 4);
        for (quint32 e = second + 2; e < second + 2 + 12 * get(second, 2); e += 12)
            if (const quint32 tag = get(e, 2); tag == 256 || tag == 257)
                b[e + 8] = char(30000 & 0xff), b[e + 9] = char(30000 >> 8), b[e + 10] = 0,
                      b[e + 11] = 0;
    });
    const auto refused = picture::openFrames(tall);
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().startsWith(QLatin1String("Page 2:")))
        << qPrintable(refused.error());
    // A GIF without its trailer, or cut inside a picture: the frames refuse it as the loader
    // does.
    for (const int cut : {1, 3000}) {
        const QString gif =
            edited(path("anim.gif"), "cut.gif", [&](QByteArray &b) { b.chop(cut); });
        EXPECT_FALSE(picture::LoadPicture(gif, Side)) << cut;
        EXPECT_FALSE(picture::openFrames(gif)) << cut;
    }
    // A film whose frames change size on the way: each frame is its own size.
    const QString a = path("a.mp4"), b = path("b.mp4"), list = path("list.txt");
    ASSERT_TRUE(run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=s=320x240:r=25",
                               "-frames:v", "10", "-c:v", "libx264", "-pix_fmt", "yuv420p", a}) &&
                run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=s=640x120:r=25",
                               "-frames:v", "10", "-c:v", "libx264", "-pix_fmt", "yuv420p", b}));
    QFile listFile(list);
    ASSERT_TRUE(listFile.open(QIODevice::WriteOnly));
    listFile.write(QStringLiteral("file '%1'\nfile '%2'\n").arg(a, b).toUtf8());
    listFile.close();
    ASSERT_TRUE(run("ffmpeg", {"-v", "error", "-f", "concat", "-safe", "0", "-i", list, "-c",
                               "copy", path("mixed.mkv")}));
    auto mixed = picture::openFrames(path("mixed.mkv"));
    ASSERT_TRUE(mixed);
    const picture::LoadResult wide = (*mixed)->read(12, Side);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->size, QSize(640, 120));
    EXPECT_EQ(wide->image.size(), QSize(200, 38));
    // A cancel reaches the film's reads.
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(picture::openFrames(path("film.mp4"), &stop));
#ifdef TINTARA_OTHER_READER
    // A reader left by another build passes types of that build: it is refused, saying so.
    const Result<picture::FilmReader *> other =
        picture::filmReaderAt(QStringLiteral(TINTARA_OTHER_READER));
    ASSERT_FALSE(other);
    EXPECT_TRUE(other.error().contains(QLatin1String("another build of Tintara (3.0.0, build "
                                                     "0ther0build0000)")))
        << qPrintable(other.error());
#endif
}

} // namespace
