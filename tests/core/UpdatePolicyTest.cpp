#include "core/UpdatePolicy.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

struct PolicyCase {
    UpdateFrequency frequency;
    bool autoInstall;
    UpdatePolicy expected;
};

void PrintTo(const PolicyCase& c, std::ostream* os) {
    *os << rawValue(c.frequency).toStdString() << (c.autoInstall ? " auto-install" : " ask");
}

class UpdatePolicyTable : public testing::TestWithParam<PolicyCase> {};

TEST_P(UpdatePolicyTable, DerivedFromFrequencyAndAutoInstall) {
    const PolicyCase& c = GetParam();
    const UpdatePolicy policy(c.frequency, c.autoInstall);
    EXPECT_EQ(policy.checksAutomatically, c.expected.checksAutomatically);
    EXPECT_EQ(policy.interval, c.expected.interval);
    EXPECT_EQ(policy.downloadsAutomatically, c.expected.downloadsAutomatically);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, UpdatePolicyTable,
    testing::Values(PolicyCase{UpdateFrequency::daily, false, {true, 86400, false}},
                    PolicyCase{UpdateFrequency::daily, true, {true, 86400, true}},
                    PolicyCase{UpdateFrequency::weekly, false, {true, 604800, false}},
                    PolicyCase{UpdateFrequency::weekly, true, {true, 604800, true}},
                    PolicyCase{UpdateFrequency::monthly, false, {true, 2592000, false}},
                    PolicyCase{UpdateFrequency::monthly, true, {true, 2592000, true}},
                    PolicyCase{UpdateFrequency::never, false, {false, 604800, false}},
                    PolicyCase{UpdateFrequency::never, true, {false, 604800, false}}));

struct StoredCase {
    std::optional<QString> stored;
    UpdateFrequency expected;
};

void PrintTo(const StoredCase& c, std::ostream* os) {
    *os << (c.stored ? '"' + c.stored->toStdString() + '"' : std::string("absent"));
}

class UpdateFrequencyStored : public testing::TestWithParam<StoredCase> {};

TEST_P(UpdateFrequencyStored, ExactMatchElseWeekly) {
    const StoredCase& c = GetParam();
    EXPECT_EQ(updateFrequencyFromStored(c.stored), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, UpdateFrequencyStored,
    testing::Values(StoredCase{std::nullopt, UpdateFrequency::weekly},
                    StoredCase{QStringLiteral("daily"), UpdateFrequency::daily},
                    StoredCase{QStringLiteral("monthly"), UpdateFrequency::monthly},
                    StoredCase{QStringLiteral("never"), UpdateFrequency::never},
                    StoredCase{QStringLiteral("Daily"), UpdateFrequency::weekly},
                    StoredCase{QStringLiteral("never "), UpdateFrequency::weekly},
                    StoredCase{QStringLiteral("hourly"), UpdateFrequency::weekly},
                    StoredCase{QString(), UpdateFrequency::weekly}));

TEST(UpdateFrequency, EveryCaseSurvivesTheStore) {
    QSet<UpdateFrequency> seen;
    for (const UpdateFrequency frequency : allUpdateFrequencies) {
        EXPECT_EQ(updateFrequencyFromStored(rawValue(frequency)), frequency);
        seen.insert(frequency);
    }
    EXPECT_EQ(seen.size(), 4);
}

} // namespace
