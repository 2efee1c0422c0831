#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QVariant>

#include <optional>

// The translator window's size and place kept across launches ("windowSize" and
// "windowTopLeft", each two numbers), and when a saved value may be used.
namespace WindowGeometry {

inline constexpr QSize kMinimumSize{380, 420};
inline constexpr QSize kDefaultSize{420, 480};

// The saved size when it is two finite numbers of at least the minimum size.
std::optional<QSize> savedSize(const QVariant& value);

// The saved top-left corner when it is two finite numbers and the point lies in the available
// area of one of `screens`.
std::optional<QPoint> savedTopLeft(const QVariant& value, const QList<QRect>& screens);

// The values to store.
QVariant sizeValue(QSize size);
QVariant topLeftValue(QPoint topLeft);

} // namespace WindowGeometry
