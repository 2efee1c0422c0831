#include "core/SupportNudge.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct ShowCase {
    qint64 count;
    bool done;
    bool expected;
};

void PrintTo(const ShowCase& c, std::ostream* os) {
    *os << c.count << (c.done ? " done" : " open");
}

class SupportNudgeShow : public testing::TestWithParam<ShowCase> {};

TEST_P(SupportNudgeShow, DueFromThresholdUntilDone) {
    const ShowCase c = GetParam();
    EXPECT_EQ(SupportNudge::shouldShow(c.count, c.done), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Counts, SupportNudgeShow,
                         testing::Values(ShowCase{0, false, false}, ShowCase{99, false, false},
                                         ShowCase{100, false, true}, ShowCase{250, false, true},
                                         ShowCase{100, true, false}, ShowCase{-1, false, false}));

struct IncrementCase {
    qint64 count;
    qint64 expected;
};

void PrintTo(const IncrementCase& c, std::ostream* os) {
    *os << c.count;
}

class SupportNudgeIncrement : public testing::TestWithParam<IncrementCase> {};

TEST_P(SupportNudgeIncrement, NeverExceedsThreshold) {
    const IncrementCase c = GetParam();
    EXPECT_EQ(SupportNudge::increment(c.count), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Counts, SupportNudgeIncrement,
                         testing::Values(IncrementCase{0, 1}, IncrementCase{98, 99},
                                         IncrementCase{99, 100}, IncrementCase{100, 100},
                                         IncrementCase{5000, 100},
                                         IncrementCase{std::numeric_limits<qint64>::max(), 100},
                                         IncrementCase{-5, -4},
                                         IncrementCase{std::numeric_limits<qint64>::min(),
                                                       std::numeric_limits<qint64>::min() + 1}));

} // namespace
