// The scan and the reduction on arbitrary surfaces and sizes, checked against plain loops.
#include "core/channelscan.h"
#include "core/pixelreduction.h"
#include "fuzzinput.h"
#include "support/referencescan.h"

#include <cmath>

namespace {

float side(FuzzInput &in)
{
    switch (in.take<std::uint8_t>() % 8) {
    case 0:
        return 0.0f;
    case 1:
        return std::nanf("");
    case 2:
        return -static_cast<float>(in.take<std::uint8_t>());
    case 3:
        // Past the largest preview. Sides past the 16-bit counters are a promise the scan's
        // callers keep, tested apart; here the plain reference would take minutes.
        return 500.0f + static_cast<float>(in.take<std::uint8_t>());
    default:
        return static_cast<float>(in.take<std::uint8_t>() % 160) +
               static_cast<float>(in.take<std::uint8_t>()) / 256.0f;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    scan::ScanParams p;
    p.iw = side(in);
    p.ih = side(in);
    p.rx = in.between(3, 30);
    p.ry = in.between(3, 30);
    p.sel = in.between(-1, 3);
    const auto flags = in.take<std::uint8_t>();
    p.threshold = flags & 1;
    p.overlap = flags & 2;
    p.originX = in.between(-40, 40);
    p.originY = in.between(-40, 40);
    for (scan::Band &b : p.bands)
        b = {in.between(-5, 260), in.between(-5, 260)};

    core::ColourSurface surface;
    surface.rect =
        QRect(in.between(-40, 60), in.between(-40, 60), in.between(0, 200), in.between(0, 200));
    surface.values.resize(static_cast<std::size_t>(surface.rect.width()) *
                          static_cast<std::size_t>(surface.rect.height()));
    for (core::Colour &c : surface.values) {
        const auto v = in.take<std::uint32_t>();
        c = (v >> 28) == 0xF ? core::NoColour : static_cast<core::Colour>(v & 0xFFFFFF);
    }

    const scan::ScanPlanes fast = scan::scansiona(surface, p);
    const scan::ScanPlanes plain = referenceScan(surface, p);
    FUZZ_CHECK(fast.nx == plain.nx && fast.ny == plain.ny);
    FUZZ_CHECK(fast.planes[Channel::Red] == plain.planes[Channel::Red] &&
               fast.planes[Channel::Green] == plain.planes[Channel::Green] &&
               fast.planes[Channel::Blue] == plain.planes[Channel::Blue]);

    reduction::ReductionParams r;
    r.iw = p.iw, r.ih = p.ih, r.n = p.rx, r.firstX = p.originX, r.firstY = p.originY;
    const reduction::ReducedPicture out = reduction::riduzione(surface, r);
    FUZZ_CHECK(out.colours.size() == std::size_t(out.columns) * std::size_t(out.rows));
    for (int j = 0; j < out.rows; ++j)
        for (int i = 0; i < out.columns; ++i) {
            const core::Colour c = surface.Point(r.firstX + i * r.n, r.firstY + j * r.n);
            FUZZ_CHECK(out.colours[std::size_t(j) * out.columns + i] ==
                       (c == core::NoColour ? core::RGB(255, 255, 255) : c));
        }
    return 0;
}
