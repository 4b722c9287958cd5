#include "python/arguments.h"

#include <pybind11/stl.h>

#include <QStringList>

namespace tintara_python {

using namespace pybind11::literals;

namespace {

std::string typeName(const py::handle &value)
{
    return py::str(py::type::handle_of(value).attr("__name__"));
}

// A whole number read as the kind reads its text, so that a keyword takes what the option and
// the record of the same setting take.
template <class T>
T wholeNumber(const py::handle &value, const char *what, const results::Kind<T> &kind)
{
    if (py::isinstance<py::bool_>(value) ||
        !py::isinstance(value, py::module_::import("numbers").attr("Integral")))
        throw py::type_error(std::string(what) + " must be a whole number, not " + typeName(value));
    const std::string text = py::str(value);
    if (const std::optional<T> v = kind.read(QString::fromStdString(text)))
        return *v;
    throw py::value_error(std::string(what) + " takes " + kind.rule + ", not " + text);
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
    for (const py::handle end : pair)
        if (py::isinstance<py::bool_>(end) ||
            !py::isinstance(end, py::module_::import("numbers").attr("Integral")))
            throw py::type_error("a band's ends must be whole numbers, not " + typeName(end));
    const std::string text = std::string(py::str(pair[0])) + ":" + std::string(py::str(pair[1]));
    if (const std::optional<scan::Band> b = results::kinds::Band.read(QString::fromStdString(text)))
        return *b;
    throw py::value_error(std::string("a threshold band takes ") + results::kinds::Band.rule +
                          ", not " + std::string(py::repr(value)));
}

} // namespace

histogram::Method methodOf(const py::handle &name)
{
    if (!py::isinstance<py::str>(name))
        throw py::type_error("a method must be a name, not " + typeName(name));
    if (const auto m =
            results::kinds::Method.read(QString::fromStdString(name.cast<std::string>())))
        return *m;
    throw py::value_error("no method is called " + std::string(py::repr(name)) +
                          "; the methods are " + results::methodList().toStdString());
}

void checkSide(int size)
{
    if (!results::kinds::Side.read(QString::number(size)))
        throw py::value_error(std::string("size takes ") + results::kinds::Side.rule + ", not " +
                              std::to_string(size));
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
        r.rx = wholeNumber(pair[0], "rate", results::kinds::Rate);
        r.ry = wholeNumber(pair[1], "rate", results::kinds::Rate);
    } else {
        r.rx = r.ry = wholeNumber(k.rate, "rate", results::kinds::Rate);
    }
    if (k.type) {
        const std::optional<int> type =
            py::isinstance<py::str>(k.type)
                ? results::kinds::Selection.read(QString::fromStdString(k.type.cast<std::string>()))
                : std::nullopt;
        if (!type)
            throw py::value_error(std::string("type takes ") + results::kinds::Selection.rule +
                                  " (or nessuno), not " + std::string(py::repr(k.type)));
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
    if (k.local && !k.local.is_none()) {
        perChannel(k.local, "local", true, [&](Channel c, const py::handle &v) {
            if (v.is_none()) {
                r.local[c].reset();
                return;
            }
            if (!py::isinstance<py::str>(v))
                throw py::type_error("a local method must be a name, not " + typeName(v));
            r.local[c] =
                results::kinds::LocalMethod.read(QString::fromStdString(v.cast<std::string>()));
            if (!r.local[c])
                throw py::value_error("no local method is called " + std::string(py::repr(v)) +
                                      "; it takes " + results::kinds::LocalMethod.rule);
        });
        // A local method marks a threshold scan's blocks, unless the caller said no markers.
        if (!k.threshold || k.threshold.is_none())
            r.threshold = true;
    }
    if (k.radius && !k.radius.is_none())
        r.localRadius = wholeNumber(k.radius, "radius", results::kinds::LocalRadius);
    if (k.params && !k.params.is_none()) {
        if (!py::isinstance<py::sequence>(k.params) || py::isinstance<py::str>(k.params) ||
            py::len(k.params) != 2)
            throw py::type_error("params must be a pair (param1, param2), not " +
                                 std::string(py::repr(k.params)));
        const auto pair = py::reinterpret_borrow<py::sequence>(k.params);
        double *into[] = {&r.localParam1, &r.localParam2};
        for (std::size_t i = 0; i < 2; ++i) {
            if (py::isinstance<py::bool_>(pair[i]) ||
                !py::isinstance(pair[i], py::module_::import("numbers").attr("Real")))
                throw py::type_error("params must be numbers, not " + typeName(pair[i]));
            const std::optional<double> v = results::kinds::LocalParameter.read(
                QString::number(pair[i].cast<double>(), 'g', 17));
            if (!v)
                throw py::value_error(std::string("params take ") +
                                      results::kinds::LocalParameter.rule);
            *into[i] = *v;
        }
    }
    if (k.white && !k.white.is_none())
        r.localWhite = k.white.cast<bool>();
    for (const Channel c : Channels)
        if (r.local[c] && r.automatic[c])
            throw py::value_error("the " + channelName(c).toStdString() +
                                  " channel has both an automatic method (auto) and a local one "
                                  "(local): its blocks are marked by a band or by a local "
                                  "method, not both");
    return results::held(r);
}

py::dict bandsOf(const results::Recipe &r)
{
    py::dict out;
    for (const Channel c : Channels)
        out[py::str(channelName(c).toStdString())] = py::make_tuple(r.bands[c].lo, r.bands[c].hi);
    return out;
}

py::dict localsOf(const results::Recipe &r)
{
    py::dict out;
    for (const Channel c : Channels)
        if (const auto &m = r.local[c])
            out[py::str(channelName(c).toStdString())] =
                py::dict("method"_a = local::methodName(*m), "radius"_a = r.localRadius,
                         "params"_a = py::make_tuple(r.localParam1, r.localParam2),
                         "white"_a = r.localWhite);
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
