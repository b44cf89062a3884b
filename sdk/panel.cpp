#include "panel.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace velsim {

std::optional<PanelModel> PanelModel::Parse(const std::string& text) {
    std::istringstream in(text);
    std::array<double, 9> h{};
    std::string token;
    size_t count = 0;
    while (in >> token) {
        if (count == h.size())
            return std::nullopt;
        char* end = nullptr;
        double value = std::strtod(token.c_str(), &end);
        if (end == token.c_str() || *end != '\0' || !std::isfinite(value))
            return std::nullopt;
        h[count++] = value;
    }
    if (count != h.size())
        return std::nullopt;
    return PanelModel(h);
}

// P = [L·O c; k 1] acts on (u, v, 1) = C·(X, Y, 1) with C the centring
// [1/32768 0 −½; 0 1/32768 −½; 0 0 1]; the model's coefficients are P·C.
PanelModel PanelModel::FromGeometry(const PanelGeometry& g) {
    // Rotations by 0, 90, 180 and 270 degrees.
    const int rot[4][2][2] = {
        {{1, 0}, {0, 1}}, {{0, -1}, {1, 0}}, {{-1, 0}, {0, -1}}, {{0, 1}, {-1, 0}}};
    const int(&o)[2][2] = rot[g.orientation & 3];
    const int mirror = g.orientation >= 4 ? -1 : 1;
    double p[3][3];
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j)
            p[i][j] = g.linear[i][0] * o[0][j] * mirror + g.linear[i][1] * o[1][j];
        p[i][2] = g.centre[i];
    }
    p[2][0] = g.keystone[0];
    p[2][1] = g.keystone[1];
    p[2][2] = 1.0;
    std::array<double, 9> h{};
    for (int i = 0; i < 3; ++i) {
        h[3 * i] = p[i][0] / 32768.0;
        h[3 * i + 1] = p[i][1] / 32768.0;
        h[3 * i + 2] = p[i][2] - 0.5 * (p[i][0] + p[i][1]);
    }
    return PanelModel(h);
}

PanelModel PanelModel::WithBow(double b) const {
    PanelModel bowed = *this;
    bowed.m_bow = b;
    return bowed;
}

void PanelModel::Map(double X, double Y, double* pX, double* pY) const {
    double w = m_h[6] * X + m_h[7] * Y + m_h[8];
    *pX = (m_h[0] * X + m_h[1] * Y + m_h[2]) / w;
    *pY = (m_h[3] * X + m_h[4] * Y + m_h[5]) / w;
    if (m_bow != 0.0) {
        const double u = X / 32768.0 - 0.5;
        const double v = Y / 32768.0 - 0.5;
        const double r = 4.0 * m_bow * (u * u + v * v);
        *pX += r * u;
        *pY += r * v;
    }
}

GaussianNoise::GaussianNoise(uint64_t seed, double sigma)
    : m_state(seed), m_sigma(std::isfinite(sigma) && sigma > 0 ? sigma : 0.0) {}

// Uniform in [0, 1) from the top 53 bits of splitmix64.
double GaussianNoise::Uniform() {
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
}

// Box-Muller: r = sqrt(-2·ln u1), θ = 2π·u2 give two deviates r·cos θ, r·sin θ.
double GaussianNoise::Next() {
    if (m_hasSpare) {
        m_hasSpare = false;
        return m_sigma * m_spare;
    }
    double u1 = 1.0 - Uniform(); // (0, 1]: the logarithm stays finite
    double u2 = Uniform();
    double r = std::sqrt(-2.0 * std::log(u1));
    double theta = 6.283185307179586 * u2;
    m_spare = r * std::sin(theta);
    m_hasSpare = true;
    return m_sigma * r * std::cos(theta);
}

uint16_t ToRaw(double value) {
    if (!(value > 0.0))
        return 0;
    if (value >= 65535.0)
        return 65535;
    return static_cast<uint16_t>(std::lround(value));
}

RawPoint ScreenToRaw(const PanelModel& panel, GaussianNoise& noise, double X, double Y) {
    double x = 0;
    double y = 0;
    panel.Map(X, Y, &x, &y);
    x += noise.Next();
    y += noise.Next();
    return RawPoint{ToRaw(x), ToRaw(y)};
}

double PixelToLogical(int p, int extent) {
    if (extent <= 0)
        return 0.0;
    double logical = static_cast<double>(p) * 32768.0 / extent;
    if (logical < 0.0)
        return 0.0;
    return logical > 32767.0 ? 32767.0 : logical;
}

} // namespace velsim
