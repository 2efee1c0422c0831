#pragma once

// Layout rules of the two text panes; lengths in points.
namespace PaneLayout {

// Height of each of two panes stacked with gap between them: whole points, never negative,
// 0 when either input is infinite or not a number.
double equalHeight(double total, double gap);

// The scroll offset to keep when content changes: the old one, but not past the end of the
// new content and not above the top (NaN counts as 0).
double preservedOffset(double old, double contentHeight, double viewportHeight);

} // namespace PaneLayout
