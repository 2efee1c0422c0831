#include "core/UpdateFrequency.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdateFrequency, StoredStringsMatchExactlyElseWeekly) {
    const std::pair<std::optional<QString>, UpdateFrequency> cases[] = {
        {std::nullopt, UpdateFrequency::weekly},
        {"Daily", UpdateFrequency::weekly},
        {QString(), UpdateFrequency::weekly}};
    for (const auto& [stored, expected] : cases)
        EXPECT_EQ(updateFrequencyFromStored(stored), expected)
            << stored.value_or("(absent)").toStdString();
    for (const UpdateFrequency frequency : allUpdateFrequencies)
        EXPECT_EQ(updateFrequencyFromStored(rawValue(frequency)), frequency);
}

} // namespace
