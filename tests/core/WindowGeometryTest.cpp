#include "core/WindowGeometry.h"

#include <QDebug>

#include <gtest/gtest.h>

#include <limits>

namespace {

using WindowGeometry::savedSize;
using WindowGeometry::savedTopLeft;

std::string shown(const QVariant& value) {
    QString text;
    QDebug(&text) << value;
    return text.toStdString();
}

TEST(WindowGeometryTest, SavedValuesAreUsedOnlyWhenSound) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<QVariant, std::optional<QSize>> sizes[] = {
        // clang-format off
        {WindowGeometry::sizeValue({500, 600}), QSize(500, 600)},
        {QVariantList{380.0, 420.0}, QSize(380, 420)},
        {QVariantList{400.4, 500.6}, QSize(400, 501)},
        {QVariantList{379.0, 600.0}, std::nullopt}, {QVariantList{500.0, 419.0}, std::nullopt},
        {QVariantList{500.0, 600.0, 1.0}, std::nullopt}, {QVariantList{500.0}, std::nullopt},
        {QVariantList{QStringLiteral("500"), 600.0}, std::nullopt}, {QVariant(500.0), std::nullopt},
        {QVariantList{nan, 600.0}, std::nullopt}, {QVariantList{1e300, 600.0}, std::nullopt},
        {QVariant(), std::nullopt},
        // clang-format on
    };
    for (const auto& [value, size] : sizes)
        EXPECT_EQ(savedSize(value), size) << shown(value);

    // Two screens side by side; the second one's work area starts below a panel.
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 30, 1280, 994)};
    const std::pair<QVariant, std::optional<QPoint>> places[] = {
        // clang-format off
        {WindowGeometry::topLeftValue({100, 200}), QPoint(100, 200)},
        {QVariantList{2000.0, 40.0}, QPoint(2000, 40)}, {QVariantList{2000.0, 10.0}, std::nullopt},
        {QVariantList{-10.0, 200.0}, std::nullopt},
        {QVariantList{3199.0, 1023.0}, QPoint(3199, 1023)},
        {QVariantList{3200.0, 1023.0}, std::nullopt}, {QVariantList{nan, 200.0}, std::nullopt},
        {QVariantList{100.0}, std::nullopt},
        // clang-format on
    };
    for (const auto& [value, topLeft] : places)
        EXPECT_EQ(savedTopLeft(value, screens), topLeft) << shown(value);
    EXPECT_EQ(savedTopLeft(QVariantList{100.0, 200.0}, {}), std::nullopt);
}

} // namespace
