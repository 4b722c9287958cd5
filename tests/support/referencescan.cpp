#include "support/referencescan.h"

#include "core/colour.h"
#include "core/hexcodec.h"

#include <cmath>
#include <cstdio>
#include <string>

using namespace scan;

namespace {

std::string twoDigits(double v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(std::nearbyint(v)));
    std::string h(buf);
    return h.size() < 2 ? "0" + h : h;
}

void put(std::vector<core::Colour> &plane, int nx, int bx, int by, core::Colour c)
{
    const std::size_t at = static_cast<std::size_t>(by - 1) * nx + (bx - 1);
    if (plane.size() <= at)
        plane.resize(at + 1);
    plane[at] = c;
}

} // namespace

ScanPlanes referenceScan(const core::ColourSurface &surface, const ScanParams &p)
{
    const float W = p.iw + 20.0f;
    const float H = p.ih + 20.0f;
    ScanPlanes out;
    // Count the grid first so that the planes can be laid out row by row.
    for (float x = 20; x <= W - 1; x += p.rx)
        ++out.nx;
    for (float y = 20; y <= H - 1; y += p.ry)
        ++out.ny;
    const std::size_t blocks = static_cast<std::size_t>(out.nx) * out.ny;
    out.planes[Channel::Red].assign(blocks, 0);
    out.planes[Channel::Green].assign(blocks, 0);
    out.planes[Channel::Blue].assign(blocks, 0);

    int bx = 0;
    for (float X0 = 20; X0 <= W - 1; X0 += p.rx) {
        ++bx;
        int by = 0;
        for (float Y0 = 20; Y0 <= H - 1; Y0 += p.ry) {
            long sR = 0, sG = 0, sB = 0;
            int xR = 0, xG = 0, xB = 0, nR = 255, nG = 255, nB = 255;
            for (int kx = 1; kx <= p.rx + (p.overlap ? 1 : 0); ++kx) {
                for (int ky = 1; ky <= p.ry + (p.overlap ? 1 : 0); ++ky) {
                    const int x = p.originX + static_cast<int>(X0 - 20) + kx;
                    const int y = p.originY + static_cast<int>(Y0 - 20) + ky;
                    const std::string t = formatHex(surface.Point(x, y));
                    const int b = dec1(t.substr(0, 2)).value();
                    const int g = dec1(t.substr(2, 2)).value();
                    const int r = dec1(t.substr(4, 2)).value();
                    if (p.sel == 0) {
                        sR += r, sG += g, sB += b;
                    } else {
                        xG = std::max(xG, g), xB = std::max(xB, b), xR = std::max(xR, r);
                        nG = std::min(nG, g), nB = std::min(nB, b), nR = std::min(nR, r);
                    }
                }
            }
            double R = 0, G = 0, B = 0;
            const double n = static_cast<double>(p.rx + p.overlap) * (p.ry + p.overlap);
            switch (p.sel) {
            case 0:
                R = sR / n, G = sG / n, B = sB / n;
                break;
            case 1:
                R = xR, G = xG, B = xB;
                break;
            case 2:
                R = nR, G = nG, B = nB;
                break;
            case 3:
                R = xR - nR, G = xG - nG, B = xB - nB;
                break;
            default:
                break;
            }
            ++by;
            if (!p.threshold) {
                put(out.planes[Channel::Red], out.nx, bx, by, dec2("0000" + twoDigits(R)).value());
                put(out.planes[Channel::Green], out.nx, bx, by,
                    dec2("00" + twoDigits(G) + "00").value());
                put(out.planes[Channel::Blue], out.nx, bx, by, dec2(twoDigits(B) + "0000").value());
            } else {
                const auto inside = [](const Band &band, double v) {
                    return band.lo < v && v <= band.hi;
                };
                put(out.planes[Channel::Green], out.nx, bx, by,
                    inside(p.bands[Channel::Green], G) ? core::QBColor(10) : core::QBColor(7));
                put(out.planes[Channel::Red], out.nx, bx, by,
                    inside(p.bands[Channel::Red], R) ? core::QBColor(4) : core::QBColor(7));
                put(out.planes[Channel::Blue], out.nx, bx, by,
                    inside(p.bands[Channel::Blue], B) ? core::QBColor(1) : core::QBColor(7));
            }
        }
    }
    return out;
}
