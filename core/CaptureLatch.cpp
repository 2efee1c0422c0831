#include "core/CaptureLatch.h"

std::optional<qint64> CaptureLatch::begin() {
    if (m_capturing)
        return std::nullopt;
    m_capturing = true;
    return ++m_generation;
}

void CaptureLatch::release(qint64 generation) {
    if (generation == m_generation)
        m_capturing = false;
}
