#pragma once

// The core room (tintara_core): plain data and pure functions over it (colours, surfaces, the
// block scan and its kernels, the reduction, histograms and thresholds, geometry, the probe, the
// hexadecimal codec, how a plane was made). QtCore and QtGui value types only: no widgets, no
// files, nothing above it. An operation that input can make fail returns a Result; a promise
// the callers keep is a TINTARA_EXPECTS. Logging: tintara.core.

// The three colour channels and the four views of the window, each spelled out once here: the
// window, its saved planes and the batch loop over these instead of naming red, green and blue
// each time.

#include <QString>
#include <array>
#include <cstddef>

enum class Channel { Red, Green, Blue };
inline constexpr Channel Channels[] = {Channel::Red, Channel::Green, Channel::Blue};

// One value a key, reached by the key itself, so that no count or cast can quietly name one
// more: a channel's bands, planes, histograms, counts and controls; each view's recipe.
template <class Key, class T, std::size_t N> struct PerKey {
    std::array<T, N> values{};

    T &operator[](Key k) { return values[at(k)]; }
    const T &operator[](Key k) const { return values[at(k)]; }
    auto begin() { return values.begin(); }
    auto end() { return values.end(); }
    auto begin() const { return values.begin(); }
    auto end() const { return values.end(); }
    bool operator==(const PerKey &) const = default;

private:
    // Checked in debug builds only: a check in every index slowed the scans by up to 15 %, and a
    // key is only ever one of its enumerators.
    static std::size_t at(Key k)
    {
        Q_ASSERT_X(static_cast<std::size_t>(k) < N, "PerKey", "a key is one of its enumerators");
        return static_cast<std::size_t>(k);
    }
};

// One value a channel: red, green, blue.
template <class T> using PerChannel = PerKey<Channel, T, 3>;

// What a plane or the zoom box shows: a channel's plane, or the zoom box's enlargement.
enum class View { Red, Green, Blue, Zoom };
inline constexpr View Views[] = {View::Red, View::Green, View::Blue, View::Zoom};

// One value a view.
template <class T> using PerView = PerKey<View, T, 4>;

constexpr View viewOf(Channel c)
{
    return static_cast<View>(static_cast<int>(c));
}

// "red", "green", "blue", "zoom": as saved planes are named.
inline QString viewName(View v)
{
    static constexpr const char *names[] = {"red", "green", "blue", "zoom"};
    return QLatin1String(names[static_cast<int>(v)]);
}

inline QString channelName(Channel c)
{
    return viewName(viewOf(c));
}

// "Red", "Green", "Blue": as captions and accessible names begin.
inline QString channelTitle(Channel c)
{
    const QString name = channelName(c);
    return name.first(1).toUpper() + name.sliced(1);
}
