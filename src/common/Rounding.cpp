#include "common/Rounding.h"

#include <cmath>

namespace ie {

double RoundHalfEven(double x) {
    if (!std::isfinite(x)) {
        return x;
    }
    const double lower = std::floor(x);
    const double diff = x - lower;  // exact for |x| < 2^52; for larger x it is 0
    if (diff < 0.5) {
        return lower;
    }
    if (diff > 0.5) {
        return lower + 1.0;
    }
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

}  // namespace ie
