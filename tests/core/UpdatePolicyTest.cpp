#include "core/UpdatePolicy.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdatePolicy, DerivedFromFrequencyAndAutoInstall) {
    const struct {
        UpdateFrequency frequency;
        bool autoInstall;
        UpdatePolicy expected;
    } cases[] = {
        {UpdateFrequency::daily, false, {true, 86400, false}},
        {UpdateFrequency::weekly, true, {true, 604800, true}},
        {UpdateFrequency::monthly, false, {true, 2592000, false}},
        {UpdateFrequency::never, true, {false, 604800, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rawValue(c.frequency).toStdString() + (c.autoInstall ? " auto" : " ask"));
        EXPECT_EQ(UpdatePolicy(c.frequency, c.autoInstall), c.expected);
    }
}

TEST(UpdateFrequency, StoredStringsMatchExactlyElseWeekly) {
    const std::pair<std::optional<QString>, UpdateFrequency> cases[] = {
        {std::nullopt, UpdateFrequency::weekly},
        {"Daily", UpdateFrequency::weekly},
        {"never ", UpdateFrequency::weekly},
        {QString(), UpdateFrequency::weekly}};
    for (const auto& [stored, expected] : cases)
        EXPECT_EQ(updateFrequencyFromStored(stored), expected)
            << stored.value_or("(absent)").toStdString();
    // Every case survives the store.
    for (const UpdateFrequency frequency : allUpdateFrequencies)
        EXPECT_EQ(updateFrequencyFromStored(rawValue(frequency)), frequency);
}

} // namespace
