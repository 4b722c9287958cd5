#include "python/arguments.h"

#include <pybind11/stl.h>

#include <QStringList>

namespace tintara_python {

namespace {

std::string typeName(const py::handle &value)
{
    return py::str(py::type::handle_of(value).attr("__name__"));
}

int wholeNumber(const py::handle &value, const char *what, int lo, int hi)
{
    if (py::isinstance<py::bool_>(value) ||
        !py::isinstance(value, py::module_::import("numbers").attr("Integral")))
        throw py::type_error(std::string(what) + " must be a whole number, not " + typeName(value));
    const long long v = value.cast<long long>();
    if (v < lo || v > hi)
        throw py::value_error(std::string(what) + " must be " + std::to_string(lo) + " to " +
                              std::to_string(hi) + ", not " + std::to_string(v));
    return int(v);
}

std::optional<Channel> channelNamed(const std::string &name)
{
    for (const Channel c : Channels)
        if (channelName(c).toStdString() == name)
            return c;
    return std::nullopt;
}

// A per-channel argument: one value for all three channels, or a dict of channel names.
template <class Read>
void perChannel(const py::handle &value, const char *what, bool oneForAll, Read &&read)
{
    if (py::isinstance<py::dict>(value)) {
        for (const auto &[key, item] : py::reinterpret_borrow<py::dict>(value)) {
            const std::optional<Channel> c = py::isinstance<py::str>(key)
                                                 ? channelNamed(py::cast<std::string>(key))
                                                 : std::nullopt;
            if (!c)
                throw py::value_error(std::string(what) +
                                      " takes the channels \"red\", \"green\" and \"blue\", not " +
                                      std::string(py::repr(key)));
            read(*c, item);
        }
        return;
    }
    if (!oneForAll)
        throw py::type_error(std::string(what) + " must be a dict of channels, not " +
                             typeName(value));
    for (const Channel c : Channels)
        read(c, value);
}

scan::Band bandOf(const py::handle &value)
{
    if (!py::isinstance<py::sequence>(value) || py::isinstance<py::str>(value) ||
        py::len(value) != 2)
        throw py::type_error("a threshold band must be a pair (lo, hi), not " +
                             std::string(py::repr(value)));
    const auto pair = py::reinterpret_borrow<py::sequence>(value);
    scan::Band b;
    b.lo = wholeNumber(pair[0], "a band's lo", 0, 255);
    b.hi = wholeNumber(pair[1], "a band's hi", 0, 255);
    if (b.hi < b.lo)
        throw py::value_error("a band's hi must not be below its lo: (" + std::to_string(b.lo) +
                              ", " + std::to_string(b.hi) + ")");
    return b;
}

} // namespace

histogram::Method methodOf(const py::handle &name)
{
    if (!py::isinstance<py::str>(name))
        throw py::type_error("a method must be a name, not " + typeName(name));
    if (const auto m = histogram::methodNamed(name.cast<std::string>()))
        return *m;
    throw py::value_error("no method is called " + std::string(py::repr(name)) +
                          "; the methods are " + results::methodList().toStdString());
}

py::tuple methodNames()
{
    const QStringList names = results::methodList().split(QStringLiteral(", "));
    py::tuple out(names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        out[std::size_t(i)] = py::str(names[i].toStdString());
    return out;
}

results::Recipe recipeOf(const Keywords &k)
{
    results::Recipe r;
    r.size = k.size;
    r.reduction = k.reduction;
    if (py::isinstance<py::sequence>(k.rate) && !py::isinstance<py::str>(k.rate)) {
        const auto pair = py::reinterpret_borrow<py::sequence>(k.rate);
        if (k.reduction || py::len(pair) != 2)
            throw py::type_error(k.reduction ? "rate must be one whole number"
                                             : "rate must be a whole number or a pair (x, y)");
        r.rx = wholeNumber(pair[0], "rate", 3, 30);
        r.ry = wholeNumber(pair[1], "rate", 3, 30);
    } else {
        r.rx = r.ry = wholeNumber(k.rate, "rate", 3, 30);
    }
    if (k.type) {
        const std::optional<int> type =
            py::isinstance<py::str>(k.type)
                ? results::selectionNamed(QString::fromStdString(k.type.cast<std::string>()))
                : std::nullopt;
        if (!type)
            throw py::value_error("type must be \"media\", \"massimo\", \"minimo\", "
                                  "\"massimo-minimo\" or \"nessuno\", not " +
                                  std::string(py::repr(k.type)));
        r.selection = *type;
    }
    if (k.threshold && !k.threshold.is_none()) {
        if (py::isinstance<py::bool_>(k.threshold))
            r.threshold = k.threshold.cast<bool>();
        else {
            r.threshold = true;
            perChannel(k.threshold, "threshold", true,
                       [&](Channel c, const py::handle &v) { r.bands[c] = bandOf(v); });
        }
    }
    if (k.automatic && !k.automatic.is_none()) {
        perChannel(k.automatic, "auto", true, [&](Channel c, const py::handle &v) {
            r.automatic[c] = v.is_none() ? std::nullopt : std::optional(methodOf(v));
        });
        // An automatic minimum is a threshold band's, unless the caller said no markers.
        if (!k.threshold || k.threshold.is_none())
            r.threshold = true;
    }
    if (k.overlap)
        r.overlap = k.overlap.cast<bool>();
    if (r.reduction) {
        r.threshold = false;
        r.ry = r.rx;
    }
    return r;
}

py::dict bandsOf(const results::Recipe &r)
{
    py::dict out;
    for (const Channel c : Channels)
        out[py::str(channelName(c).toStdString())] = py::make_tuple(r.bands[c].lo, r.bands[c].hi);
    return out;
}

py::dict entriesOf(const results::Entries &entries)
{
    py::dict out;
    for (const auto &[key, value] : entries)
        out[py::str(key.toStdString())] = py::str(value.toStdString());
    return out;
}

} // namespace tintara_python
