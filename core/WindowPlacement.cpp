#include "core/WindowPlacement.h"

#include <algorithm>

namespace WindowPlacement {

namespace {

int clamped(int value, int low, int high) {
    return std::min(std::max(value, low), high);
}

} // namespace

QPoint nearPointer(QPoint pointer, QSize size, QRect available) {
    // QRect's right() and bottom() are the last pixels inside; the window's far edge may touch
    // the pixel 8 before the end.
    const int farX = available.x() + available.width() - size.width() - kScreenMargin;
    const int farY = available.y() + available.height() - size.height() - kScreenMargin;
    return {clamped(pointer.x() + kPointerOffset, available.x() + kScreenMargin, farX),
            clamped(pointer.y() + kPointerOffset, available.y() + kScreenMargin, farY)};
}

} // namespace WindowPlacement
