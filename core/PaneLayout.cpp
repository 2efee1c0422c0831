#include "core/PaneLayout.h"

#include <algorithm>
#include <cmath>

namespace PaneLayout {

namespace {

double zeroIfNaN(double value) {
    return std::isnan(value) ? 0.0 : value;
}

} // namespace

double equalHeight(double total, double gap) {
    if (!std::isfinite(total) || !std::isfinite(gap))
        return 0.0;
    const double half = std::floor((total - gap) * 0.5);
    // Finite inputs far apart can still overflow the difference.
    if (!std::isfinite(half) || half <= 0.0)
        return 0.0;
    return half;
}

double preservedOffset(double old, double contentHeight, double viewportHeight) {
    const double end = std::max(zeroIfNaN(contentHeight - viewportHeight), 0.0);
    return std::min(end, std::max(zeroIfNaN(old), 0.0));
}

} // namespace PaneLayout
