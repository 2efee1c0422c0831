#include "core/DoubleTapDetector.h"

DoubleTapDetector::DoubleTapDetector(double interval)
    : m_interval(interval) {}

namespace {

// Gaps are compared to the microsecond, far below any key clock's resolution: a gap of exactly
// the interval between two times in seconds often comes out a hair longer (100.45 - 100.0).
constexpr double tolerance = 1e-6;

} // namespace

bool DoubleTapDetector::press(double at) {
    // A press stamped before the pending one (a wrapped or reset clock) cannot be its partner.
    if (m_last && at >= *m_last && m_interval + tolerance >= at - *m_last) {
        m_last.reset();
        return true;
    }
    m_last = at;
    return false;
}
