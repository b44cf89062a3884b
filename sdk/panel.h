// How the simulated panel's raw coordinates relate to the screen.
//
// A logical screen point (X, Y), both axes 0..32767 with 32768 the full
// extent, lands on the raw point
//     x = (h0·X + h1·Y + h2) / (h6·X + h7·Y + h8)
//     y = (h3·X + h4·Y + h5) / (h6·X + h7·Y + h8)
// to which Gaussian noise of a fixed seed may be added before it is rounded
// and clamped to the panel's 16-bit range.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace velsim {

struct RawPoint {
    uint16_t x;
    uint16_t y;
};

// A panel by its geometry. On the screen centred in the unit square,
// u = X/32768 − ½ and v = Y/32768 − ½, the raw point is
//     (x, y) = (L·O·(u, v) + c) / (1 + kx·u + ky·v)
// L: raw units across the screen per axis, shear off the diagonal; O: one of
// the eight orientations; c: the raw point of the screen's centre; k: keystone.
struct PanelGeometry {
    double linear[2][2];
    // 0..7: quarter turns orientation % 4; from 4 on, the first raw axis mirrored too.
    int orientation;
    double centre[2];
    double keystone[2];
};

class PanelModel {
public:
    explicit PanelModel(const std::array<double, 9>& h) : m_h(h) {}

    // The same panel with a barrel bow that no projective map represents:
    // with u = X/32768 − ½ and v = Y/32768 − ½, the raw point moves by
    // 4·b·(u² + v²)·(u, v), b raw units on each axis at the corners, half of
    // that at the middles of the edges, nothing at the centre.
    PanelModel WithBow(double b) const;

    // Nine numbers separated by blanks; nothing when the text is not that.
    static std::optional<PanelModel> Parse(const std::string& text);
    static PanelModel FromGeometry(const PanelGeometry& geometry);

    // The raw point before noise and rounding; not finite when the
    // denominator vanishes.
    void Map(double X, double Y, double* pX, double* pY) const;

private:
    std::array<double, 9> m_h;
    double m_bow = 0.0;
};

// Normal deviates of standard deviation sigma from a seeded generator
// (splitmix64 + Box-Muller), the same sequence on every platform.
class GaussianNoise {
public:
    GaussianNoise(uint64_t seed, double sigma);
    double Next();

private:
    double Uniform();

    uint64_t m_state;
    double m_sigma;
    bool m_hasSpare = false;
    double m_spare = 0.0;
};

// Rounds half away from zero and clamps to 0..65535; NaN gives 0.
uint16_t ToRaw(double value);

// The raw point the panel reports for a logical screen point, noise included.
RawPoint ScreenToRaw(const PanelModel& panel, GaussianNoise& noise, double X, double Y);

// Logical coordinate of pixel p on an axis of `extent` pixels: p·32768/extent,
// clamped to 0..32767.
double PixelToLogical(int p, int extent);

} // namespace velsim
