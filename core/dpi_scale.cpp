#include "core/dpi_scale.h"

namespace {

int effective(int dpi) { return dpi > 0 ? dpi : base_dpi; }

// value * numerator / denominator, rounded half away from zero, in 64 bits.
int rounded(int value, int numerator, int denominator) {
    long long product = static_cast<long long>(value) * numerator;
    long long half = denominator / 2;
    long long result = product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    return static_cast<int>(result);
}

}  // namespace

int dpi_scale(int size96, int dpi) { return rounded(size96, effective(dpi), base_dpi); }

int dpi_unscale(int size, int dpi) { return rounded(size, base_dpi, effective(dpi)); }

int font_height_at_dpi(int height, int from_dpi, int to_dpi) {
    const int from = effective(from_dpi), to = effective(to_dpi);
    const int points = rounded(height, 72, from);
    if (points != 0 && rounded(points, from, 72) == height) return rounded(points, to, 72);
    return rounded(height, to, from);
}
