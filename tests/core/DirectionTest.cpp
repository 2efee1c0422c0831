#include "core/Direction.h"

#include <gtest/gtest.h>

namespace {

struct ResolveCase {
    const char* name;
    std::optional<const char*> detected;
    std::optional<const char*> from;
    std::optional<const char*> to;
    const char* my;
    const char* second;
    const char* source;
    const char* target;
};

std::optional<QString> toCode(std::optional<const char*> code) {
    if (!code)
        return std::nullopt;
    return QString::fromUtf8(*code);
}

class DirectionResolve : public testing::TestWithParam<ResolveCase> {};

TEST_P(DirectionResolve, PicksSourceAndTarget) {
    const ResolveCase c = GetParam();
    const Direction::Pair pair =
        Direction::resolve(toCode(c.detected), LangChoice{toCode(c.from)}, LangChoice{toCode(c.to)},
                           LanguagePrefs{QString::fromUtf8(c.my), QString::fromUtf8(c.second)});
    EXPECT_EQ(pair, (Direction::Pair{QString::fromUtf8(c.source), QString::fromUtf8(c.target)}))
        << "got " << pair.source.toStdString() << " -> " << pair.target.toStdString();
}

constexpr auto none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Cases, DirectionResolve,
    testing::Values(
        ResolveCase{"ForeignGoesIntoMine", "de", none, none, "en", "de", "de", "en"},
        ResolveCase{"MineGoesIntoSecond", "en", none, none, "en", "de", "en", "de"},
        ResolveCase{"NothingDetectedAssumesSecond", none, none, none, "en", "de", "de", "en"},
        ResolveCase{"ThirdLanguageGoesIntoMine", "fr", none, none, "en", "de", "fr", "en"},
        ResolveCase{"ExplicitTargetEqualToSourceIsOverridden", none, "fr", "fr", "en", "de", "fr",
                    "en"},
        ResolveCase{"ExplicitTargetIsKept", "de", none, "ja", "en", "de", "de", "ja"},
        ResolveCase{"ExplicitSourceBeatsDetection", "ko", "ja", none, "en", "de", "ja", "en"},
        ResolveCase{"ExplicitTargetMineFallsToSecond", "en", none, "en", "en", "de", "en", "de"},
        ResolveCase{"EqualPairEnglishGoesToSpanish", "en", none, none, "en", "en", "en", "es"},
        ResolveCase{"EqualPairForeignGoesIntoMine", "de", none, none, "en", "en", "de", "en"},
        ResolveCase{"EqualPairOtherGoesToEnglish", none, none, none, "fr", "fr", "fr", "en"},
        ResolveCase{"CodesCompareExactly", "EN", none, none, "en", "de", "EN", "en"}),
    [](const testing::TestParamInfo<ResolveCase>& info) { return info.param.name; });

} // namespace
