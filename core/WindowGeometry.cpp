#include "core/WindowGeometry.h"

#include <cmath>

namespace WindowGeometry {

namespace {

// Two finite numbers within the range of screen coordinates.
std::optional<QPoint> twoNumbers(const QVariant& value) {
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    const QVariantList list = value.toList();
    if (list.size() != 2)
        return std::nullopt;
    int numbers[2];
    for (int i = 0; i < 2; ++i) {
        const QVariant& item = list.at(i);
        const int type = item.typeId();
        if (type != QMetaType::Double && type != QMetaType::Int && type != QMetaType::LongLong)
            return std::nullopt;
        const double number = item.toDouble();
        constexpr double limit = 1 << 24;
        if (!std::isfinite(number) || std::abs(number) > limit)
            return std::nullopt;
        numbers[i] = static_cast<int>(std::lround(number));
    }
    return QPoint(numbers[0], numbers[1]);
}

} // namespace

std::optional<QSize> savedSize(const QVariant& value) {
    const std::optional<QPoint> numbers = twoNumbers(value);
    if (!numbers || numbers->x() < kMinimumSize.width() || numbers->y() < kMinimumSize.height())
        return std::nullopt;
    return QSize(numbers->x(), numbers->y());
}

std::optional<QPoint> savedTopLeft(const QVariant& value, const QList<QRect>& screens) {
    const std::optional<QPoint> point = twoNumbers(value);
    if (!point)
        return std::nullopt;
    for (const QRect& screen : screens) {
        if (screen.contains(*point))
            return point;
    }
    return std::nullopt;
}

QVariant sizeValue(QSize size) {
    return QVariantList{size.width(), size.height()};
}

QVariant topLeftValue(QPoint topLeft) {
    return QVariantList{topLeft.x(), topLeft.y()};
}

} // namespace WindowGeometry
