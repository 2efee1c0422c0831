#include "core/DoubleTapDetector.h"

DoubleTapDetector::DoubleTapDetector(double interval)
    : m_interval(interval) {}

bool DoubleTapDetector::press(double at) {
    // A press stamped before the pending one (a wrapped or reset clock) cannot be its partner.
    if (m_last && at >= *m_last && m_interval >= at - *m_last) {
        m_last.reset();
        return true;
    }
    m_last = at;
    return false;
}
