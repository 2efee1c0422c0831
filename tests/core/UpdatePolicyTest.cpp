#include "core/UpdatePolicy.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

TEST(UpdatePolicy, DerivedFromFrequencyAndAutoInstall) {
    const struct {
        UpdateFrequency frequency;
        bool autoInstall;
        UpdatePolicy expected;
    } cases[] = {
        // clang-format off
        {UpdateFrequency::daily, false, {true, 86400, false}},
        {UpdateFrequency::daily, true, {true, 86400, true}},
        {UpdateFrequency::weekly, false, {true, 604800, false}},
        {UpdateFrequency::weekly, true, {true, 604800, true}},
        {UpdateFrequency::monthly, false, {true, 2592000, false}},
        {UpdateFrequency::monthly, true, {true, 2592000, true}},
        {UpdateFrequency::never, false, {false, 604800, false}},
        {UpdateFrequency::never, true, {false, 604800, false}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rawValue(c.frequency).toStdString() + (c.autoInstall ? " auto" : " ask"));
        const UpdatePolicy policy(c.frequency, c.autoInstall);
        EXPECT_EQ(policy.checksAutomatically, c.expected.checksAutomatically);
        EXPECT_EQ(policy.interval, c.expected.interval);
        EXPECT_EQ(policy.downloadsAutomatically, c.expected.downloadsAutomatically);
    }
}

TEST(UpdateFrequency, StoredStringsMatchExactlyElseWeekly) {
    const std::pair<std::optional<QString>, UpdateFrequency> cases[] = {
        {std::nullopt, UpdateFrequency::weekly}, {"daily", UpdateFrequency::daily},
        {"monthly", UpdateFrequency::monthly},   {"never", UpdateFrequency::never},
        {"Daily", UpdateFrequency::weekly},      {"never ", UpdateFrequency::weekly},
        {"hourly", UpdateFrequency::weekly},     {QString(), UpdateFrequency::weekly}};
    for (const auto& [stored, expected] : cases)
        EXPECT_EQ(updateFrequencyFromStored(stored), expected)
            << stored.value_or("(absent)").toStdString();
    // Every case survives the store.
    QSet<UpdateFrequency> seen;
    for (const UpdateFrequency frequency : allUpdateFrequencies) {
        EXPECT_EQ(updateFrequencyFromStored(rawValue(frequency)), frequency);
        seen.insert(frequency);
    }
    EXPECT_EQ(seen.size(), 4);
}

} // namespace
