#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the translator window goes, in screen coordinates with the origin at the top left.
namespace WindowPlacement {

constexpr int kPointerOffset = 14;
constexpr int kScreenMargin = 8;

// The top-left corner for a window of `size` summoned at `pointer`: 14 px right of and below
// it, kept 8 px inside `available`. A window larger than `available` ends 8 px inside its far
// edges (its top-left off screen), as the far edge is applied last.
QPoint nearPointer(QPoint pointer, QSize size, QRect available);

} // namespace WindowPlacement
