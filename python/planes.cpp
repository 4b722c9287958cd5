#include "python/planes.h"

#include "core/measurements.h"
#include "pipeline/planefiles.h"
#include "python/logging.h"
#include "tintara/appinfo.h"

#include <pybind11/numpy.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tintara_python {

namespace {

[[noreturn]] void osError(const QString &why)
{
    PyErr_SetString(PyExc_OSError, why.toUtf8().constData());
    throw py::error_already_set();
}

} // namespace

ScanResult run(const Pixels &pixels, const results::Recipe &recipe)
{
    const pipeline::Scene scene = sceneOf(pixels);
    ScanResult out;
    {
        py::gil_scoped_release unlocked;
        // The scan's storage stays with its thread, as the pipeline asks, from one call to the
        // next.
        thread_local pipeline::Runner runner;
        out.planes = runner.run(scene, recipe);
    }
    if (pixels.loaded) {
        out.source = pixels.loaded->source;
        out.stem = QFileInfo(out.source.path).completeBaseName();
    } else {
        out.source.version = QLatin1String(appinfo::Version);
    }
    return out;
}

py::object channelArray(const ScanResult &r, Channel c)
{
    if (r.planes.recipe.reduction)
        return py::none();
    const QImage &blocks = r.planes.blocks[c];
    py::array_t<std::uint8_t> out({blocks.height(), blocks.width()});
    auto to = out.mutable_unchecked<2>();
    const bool marks = r.planes.recipe.threshold;
    const QRgb unmarked = core::toArgb(scan::unmarkedColour());
    const int shift = 16 - 8 * int(c);
    for (int y = 0; y < blocks.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(blocks.constScanLine(y));
        for (int x = 0; x < blocks.width(); ++x)
            to(y, x) = marks ? (line[x] == unmarked ? 0 : 255)
                             : static_cast<std::uint8_t>(line[x] >> shift);
    }
    return out;
}

py::object reducedArray(const ScanResult &r)
{
    if (!r.planes.recipe.reduction)
        return py::none();
    const QImage &blocks = r.planes.blocks[Channel::Blue];
    py::array_t<std::uint8_t> out({blocks.height(), blocks.width(), 3});
    auto to = out.mutable_unchecked<3>();
    for (int y = 0; y < blocks.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(blocks.constScanLine(y));
        for (int x = 0; x < blocks.width(); ++x) {
            to(y, x, 0) = std::uint8_t(qRed(line[x]));
            to(y, x, 1) = std::uint8_t(qGreen(line[x]));
            to(y, x, 2) = std::uint8_t(qBlue(line[x]));
        }
    }
    return out;
}

py::dict automaticOf(const ScanResult &r)
{
    py::dict out;
    for (const Channel c : Channels)
        if (const auto &a = r.planes.automatic[c])
            out[py::str(channelName(c).toStdString())] =
                py::dict(py::arg("method") = histogram::methodName(a->method),
                         py::arg("threshold") = a->threshold ? py::object(py::int_(*a->threshold))
                                                             : py::object(py::none()));
    return out;
}

py::dict measurementsOf(const ScanResult &r)
{
    py::dict out;
    for (const auto &[name, value] : results::measuredSettings(r.planes.asked())) {
        const bool number = name == QLatin1String("size") ||
                            name.startsWith(QLatin1String("rate")) ||
                            name == QLatin1String("local_radius");
        const bool real = name.startsWith(QLatin1String("local_param"));
        out[py::str(name.toStdString())] = number ? py::object(py::int_(value.toInt()))
                                           : real ? py::object(py::float_(value.toDouble()))
                                                  : py::object(py::str(value.toStdString()));
    }
    const QStringList names = scan::measurementHeader();
    const QStringList values = r.planes.recipe.threshold ? scan::measurementRow(r.planes.measured)
                                                         : QStringList(names.size(), QString());
    for (qsizetype i = 0; i < names.size(); ++i) {
        py::object v = py::none();
        if (!values[i].isEmpty())
            v = names[i].endsWith(QLatin1String("_percent"))
                    ? py::object(py::float_(values[i].toDouble()))
                    : py::object(py::int_(values[i].toLongLong()));
        out[py::str(names[i].toStdString())] = v;
    }
    out["version"] = py::str(appinfo::Version);
    return out;
}

py::list save(const ScanResult &r, const QString &folder, std::optional<Channel> zoom,
              const QString &stem)
{
    QStringList written;
    QString failure;
    {
        py::gil_scoped_release unlocked;
        const QDir dir(folder);
        if (!QDir().mkpath(folder))
            failure =
                failureText(QStringLiteral("Cannot make the folder"), folder, {}, Wording::Line);
        const QString picture = QFileInfo(r.source.path).canonicalFilePath();
        const QList<pipeline::PlaneFile> files =
            pipeline::planeFiles(r.planes.recipe, zoom, QFile::encodeName(stem));
        std::vector<pipeline::Target> targets;
        for (const pipeline::PlaneFile &f : files) {
            const QString path = dir.filePath(QFile::decodeName(f.name));
            if (failure.isEmpty() && !picture.isEmpty() &&
                QFileInfo(path).canonicalFilePath() == picture)
                failure = QStringLiteral("%1 would replace the picture itself").arg(path);
            targets.push_back({f.view, path, path});
        }
        if (failure.isEmpty()) {
            const Result<void> saved = pipeline::writePlanes(
                r.planes, r.source, targets, zoom.value_or(Channel::Red), pipeline::Sync::Later);
            if (!saved)
                failure = saved.error();
            else
                for (const pipeline::Target &t : targets)
                    written << t.path;
        }
        if (failure.isEmpty()) {
            if (const Result<void> synced = pipeline::syncAll(folder); !synced)
                failure = synced.error();
        }
        // Whole or nothing.
        if (!failure.isEmpty())
            for (const QString &done : written)
                QFile::remove(done);
    }
    if (!failure.isEmpty()) {
        qCInfo(lcPython) << "not saved:" << failure;
        osError(failure);
    }
    py::list out;
    for (const QString &path : written)
        out.append(py::str(path.toStdString()));
    return out;
}

} // namespace tintara_python
