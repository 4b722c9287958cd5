#include "app/batchoptions.h"

#include "core/recipe.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace batch {

namespace {

bool number(const QString &text, int lo, int hi, int &out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool band(const QString &text, scan::Band &out)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    return parts.size() == 2 && number(parts[0], 0, 255, out.lo) &&
           number(parts[1], 0, 255, out.hi);
}

// The picture files of a folder, in name order.
QStringList picturesIn(const QString &folder)
{
    QStringList patterns;
    for (const QByteArray &suffix : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(suffix);
    const QDir dir(folder);
    QStringList files;
    for (const QString &name : dir.entryList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase))
        files << dir.filePath(name);
    return files;
}

} // namespace

bool parse(const QStringList &args, Settings &s, QString &error, bool worker)
{
    QCommandLineParser p;
    const auto value = [&p](const char *name) {
        const QCommandLineOption o(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        p.addOption(o);
        return o;
    };
    const auto flag = [&p](const char *name) {
        const QCommandLineOption o(QString::fromLatin1(name));
        p.addOption(o);
        return o;
    };
    flag("batch");
    flag("batch-worker");
    const QCommandLineOption size = value("size"), rate = value("rate"), rateX = value("rate-x"),
                             rateY = value("rate-y"), type = value("type"),
                             threshold = flag("threshold"), red = value("red"),
                             green = value("green"), blue = value("blue"),
                             reduction = flag("reduction"), zoom = value("zoom"),
                             out = value("out"), overwrite = flag("overwrite"),
                             jobs = value("jobs");
    if (!p.parse(QStringList{QStringLiteral("tintara")} + args)) {
        error = p.errorText();
        return false;
    }
    const auto bad = [&](const QString &why) {
        error = why;
        return false;
    };
    if (p.isSet(size)) {
        const QString v = p.value(size);
        if (v != QLatin1String("200") && v != QLatin1String("300") && v != QLatin1String("400") &&
            v != QLatin1String("500"))
            return bad(QStringLiteral("--size takes 200, 300, 400 or 500"));
        s.size = v.toInt();
    }
    if (p.isSet(rate) && !number(p.value(rate), 3, 30, s.rx))
        return bad(QStringLiteral("rates lie between 3 and 30"));
    s.ry = s.rx; // as the x rate's bar drags the y rate's
    if (p.isSet(rateX) && !number(p.value(rateX), 3, 30, s.rx))
        return bad(QStringLiteral("rates lie between 3 and 30"));
    if (p.isSet(rateY) && !number(p.value(rateY), 3, 30, s.ry))
        return bad(QStringLiteral("rates lie between 3 and 30"));
    if (p.isSet(rateX) && !p.isSet(rateY) && !p.isSet(rate))
        s.ry = s.rx;
    if (p.isSet(type)) {
        s.selection = -1;
        for (int i = scan::Average; i <= scan::Spread; ++i)
            if (results::selectionName(i) == p.value(type))
                s.selection = i;
        if (s.selection < 0)
            return bad(QStringLiteral("--type takes media, massimo, minimo or massimo-minimo"));
    }
    s.threshold = p.isSet(threshold);
    s.reduction = p.isSet(reduction);
    if ((p.isSet(red) && !band(p.value(red), s.red)) ||
        (p.isSet(green) && !band(p.value(green), s.green)) ||
        (p.isSet(blue) && !band(p.value(blue), s.blue)))
        return bad(QStringLiteral("a band is LO:HI, each 0 to 255"));
    if (p.isSet(zoom)) {
        s.zoom = p.value(zoom);
        if (s.zoom != QLatin1String("r") && s.zoom != QLatin1String("g") &&
            s.zoom != QLatin1String("b"))
            return bad(QStringLiteral("--zoom takes r, g or b"));
    }
    if (p.isSet(out)) {
        s.outDir = QFileInfo(p.value(out)).absoluteFilePath();
        if (!QFileInfo(s.outDir).isDir())
            return bad(QStringLiteral("the --out folder does not exist: %1").arg(p.value(out)));
    }
    s.overwrite = p.isSet(overwrite);
    if (p.isSet(jobs) && !number(p.value(jobs), 1, 256, s.jobs))
        return bad(QStringLiteral("--jobs takes 1 to 256"));
    for (const QString &arg : p.positionalArguments()) {
        const QFileInfo info(arg);
        if (info.isDir())
            s.files << picturesIn(info.absoluteFilePath());
        else
            s.files << info.absoluteFilePath();
    }
    if (s.files.isEmpty() && !worker)
        return bad(QStringLiteral("no picture to work on"));
    return true;
}

QStringList workerArguments(const Settings &s)
{
    const auto b = [](const scan::Band &band) {
        return QStringLiteral("%1:%2").arg(band.lo).arg(band.hi);
    };
    QStringList a{QStringLiteral("--size"),   QString::number(s.size),
                  QStringLiteral("--rate-x"), QString::number(s.rx),
                  QStringLiteral("--rate-y"), QString::number(s.ry),
                  QStringLiteral("--type"),   results::selectionName(s.selection),
                  QStringLiteral("--red"),    b(s.red),
                  QStringLiteral("--green"),  b(s.green),
                  QStringLiteral("--blue"),   b(s.blue)};
    if (s.threshold)
        a << QStringLiteral("--threshold");
    if (s.reduction)
        a << QStringLiteral("--reduction");
    if (!s.zoom.isEmpty())
        a << QStringLiteral("--zoom") << s.zoom;
    if (!s.outDir.isEmpty())
        a << QStringLiteral("--out") << s.outDir;
    if (s.overwrite)
        a << QStringLiteral("--overwrite");
    return a;
}

} // namespace batch
