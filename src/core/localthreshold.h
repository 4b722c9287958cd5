#pragma once

// Local thresholds: each value of a plane judged against its neighbours, as Fiji's Auto Local
// Threshold judges a pixel of an 8-bit picture. A threshold scan with a local method for a
// channel marks the blocks whose value, in the plane of block values an RGB scan shows, the
// method finds to be object: the value itself against a threshold made of its neighbourhood's
// mean, median, extremes, spread or histogram.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace local {

enum class Method { Bernsen, Contrast, Mean, Median, MidGrey, Niblack, Otsu, Phansalkar, Sauvola };
inline constexpr std::array<Method, 9> Methods = {
    Method::Bernsen, Method::Contrast, Method::Mean,       Method::Median,  Method::MidGrey,
    Method::Niblack, Method::Otsu,     Method::Phansalkar, Method::Sauvola,
};

// "Bernsen", "Contrast", ... as Fiji's list names them.
const char *methodName(Method method);
// The method a name calls for, whatever its case; none for a name of no method.
std::optional<Method> methodNamed(std::string_view name);

struct Params {
    int radius = 15;               // of the neighbourhood, in plane pixels
    double param1 = 0, param2 = 0; // 0: the method's own default
    bool white = true;             // objects brighter than their ground
    bool operator==(const Params &) const = default;
};
inline constexpr int MaxRadius = 100;

// The thresholds, with their working storage kept from one plane to the next: after the first
// plane of a size and radius they allocate nothing.
class Thresholder {
public:
    // Sets marks[i] (row after row, `width` a row) to 1 where the method gives value i the
    // object phase, 0 elsewhere. Past the plane's edge a neighbourhood takes the nearest value
    // (Otsu's histogram, as Fiji's, takes none).
    void mark(Method method, const Params &params, const std::uint8_t *values, int width,
              int height, std::uint8_t *marks);

private:
    void pad(const std::uint8_t *values, int width, int height, int margin, int outside);
    void sums(bool squares);
    void moments(double scale);
    void extremes();
    void median(const Params &p, const std::uint8_t *values, std::uint8_t *marks);
    void otsu(const std::uint8_t *values, std::uint8_t *marks);

    int width_ = 0, height_ = 0, k_ = 0, radius_ = 0, stride_ = 0;
    std::vector<int> reach_; // the kernel's half-width in each of its rows
    std::vector<int> spans_; // and its width
    std::vector<const std::uint32_t *> starts_;
    std::vector<std::uint16_t> padded_; // the plane with `k_` more values each way
    std::vector<std::uint32_t> rowSums_, rowSquares_, sum_, square_, keys_;
    std::vector<std::uint8_t> rowMax_, rowMin_, max_, min_;
    std::vector<float> means_;
    std::vector<double> deviations_, exponentials_, thresholds_;
    double *thresholds(std::size_t n)
    {
        thresholds_.resize(n);
        return thresholds_.data();
    }
    std::vector<std::uint16_t> histogram_, counts_;
    std::vector<std::uint8_t> bytes_;
    std::vector<std::int16_t> limits_;
};

} // namespace local
