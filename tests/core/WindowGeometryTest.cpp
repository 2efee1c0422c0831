#include "core/WindowGeometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using WindowGeometry::savedSize;
using WindowGeometry::savedTopLeft;

TEST(WindowGeometryTest, SavedValuesAreUsedOnlyWhenSound) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        QVariant value;
        std::optional<QSize> size;
    } sizes[] = {
        {"stored", WindowGeometry::sizeValue({500, 600}), QSize(500, 600)},
        {"the minimum", QVariantList{380.0, 420.0}, QSize(380, 420)},
        {"fractions", QVariantList{400.4, 500.6}, QSize(400, 501)},
        {"too narrow", QVariantList{379.0, 600.0}, std::nullopt},
        {"too low", QVariantList{500.0, 419.0}, std::nullopt},
        {"three numbers", QVariantList{500.0, 600.0, 1.0}, std::nullopt},
        {"one number", QVariantList{500.0}, std::nullopt},
        {"text", QVariantList{QStringLiteral("500"), 600.0}, std::nullopt},
        {"not a list", QVariant(500.0), std::nullopt},
        {"not a number", QVariantList{nan, 600.0}, std::nullopt},
        {"beyond any screen", QVariantList{1e300, 600.0}, std::nullopt},
        {"missing", QVariant(), std::nullopt},
    };
    for (const auto& c : sizes) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(savedSize(c.value), c.size);
    }

    // Two screens side by side; the second one's work area starts below a panel.
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 30, 1280, 994)};
    const struct {
        const char* name;
        QVariant value;
        std::optional<QPoint> topLeft;
    } places[] = {
        {"stored", WindowGeometry::topLeftValue({100, 200}), QPoint(100, 200)},
        {"on the second screen", QVariantList{2000.0, 40.0}, QPoint(2000, 40)},
        {"under the second screen's panel", QVariantList{2000.0, 10.0}, std::nullopt},
        {"left of every screen", QVariantList{-10.0, 200.0}, std::nullopt},
        {"last pixel", QVariantList{3199.0, 1023.0}, QPoint(3199, 1023)},
        {"one past it", QVariantList{3200.0, 1023.0}, std::nullopt},
        {"not a number", QVariantList{nan, 200.0}, std::nullopt},
        {"one number", QVariantList{100.0}, std::nullopt},
    };
    for (const auto& c : places) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(savedTopLeft(c.value, screens), c.topLeft);
    }
    EXPECT_EQ(savedTopLeft(QVariantList{100.0, 200.0}, {}), std::nullopt);
}

} // namespace
