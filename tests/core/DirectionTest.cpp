#include "core/Direction.h"

#include <gtest/gtest.h>

namespace {

std::optional<QString> code(const char* text) {
    return text ? std::optional<QString>(QString::fromUtf8(text)) : std::nullopt;
}

TEST(Direction, ResolvePicksSourceAndTarget) {
    // Absent codes are null: nothing detected, or an automatic choice.
    const struct {
        const char* name;
        const char *detected, *from, *to, *my, *second, *source, *target;
    } cases[] = {
        // clang-format off
        {"ForeignGoesIntoMine", "de", nullptr, nullptr, "en", "de", "de", "en"},
        {"MineGoesIntoSecond", "en", nullptr, nullptr, "en", "de", "en", "de"},
        {"NothingDetectedAssumesSecond", nullptr, nullptr, nullptr, "en", "de", "de", "en"},
        {"ThirdLanguageGoesIntoMine", "fr", nullptr, nullptr, "en", "de", "fr", "en"},
        {"ExplicitTargetEqualToSourceIsOverridden", nullptr, "fr", "fr", "en", "de", "fr", "en"},
        {"ExplicitTargetIsKept", "de", nullptr, "ja", "en", "de", "de", "ja"},
        {"ExplicitSourceBeatsDetection", "ko", "ja", nullptr, "en", "de", "ja", "en"},
        {"ExplicitTargetMineFallsToSecond", "en", nullptr, "en", "en", "de", "en", "de"},
        {"EqualPairEnglishGoesToSpanish", "en", nullptr, nullptr, "en", "en", "en", "es"},
        {"EqualPairForeignGoesIntoMine", "de", nullptr, nullptr, "en", "en", "de", "en"},
        {"EqualPairOtherGoesToEnglish", nullptr, nullptr, nullptr, "fr", "fr", "fr", "en"},
        {"CodesCompareExactly", "EN", nullptr, nullptr, "en", "de", "EN", "en"},
        // clang-format on
    };
    for (const auto& c : cases) {
        const Direction::Pair pair =
            Direction::resolve(code(c.detected), LangChoice{code(c.from)}, LangChoice{code(c.to)},
                               LanguagePrefs{*code(c.my), *code(c.second)});
        EXPECT_EQ(pair, (Direction::Pair{*code(c.source), *code(c.target)}))
            << c.name << ": got " << pair.source.toStdString() << " -> "
            << pair.target.toStdString();
    }
}

} // namespace
