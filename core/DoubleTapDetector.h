#pragma once

#include <optional>

// Tells a double press from two separate ones by the gap between them (seconds).
class DoubleTapDetector {
public:
    explicit DoubleTapDetector(double interval);

    double interval() const { return m_interval; }
    // Time of the first press still waiting for its partner.
    std::optional<double> last() const { return m_last; }

    // True when this press completes a double press (a gap of exactly interval counts). The
    // press after a double press always starts a new pair.
    bool press(double at);

private:
    double m_interval;
    std::optional<double> m_last;
};
