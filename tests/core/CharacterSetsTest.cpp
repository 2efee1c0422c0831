#include "core/CharacterSets.h"

#include <gtest/gtest.h>

namespace {

struct Membership {
    char32_t c;
    bool whitespaces;
    bool whitespacesAndNewlines;
    bool punctuation;
    bool symbols;
    bool letters;
    bool isWhiteSpace;
    bool isLetter;
};

void PrintTo(const Membership& m, std::ostream* os) {
    *os << "U+" << std::hex << std::uppercase << static_cast<unsigned>(m.c);
}

class CharacterSetsMembership : public testing::TestWithParam<Membership> {};

TEST_P(CharacterSetsMembership, ClassesTheCodePoint) {
    const Membership m = GetParam();
    EXPECT_EQ(CharacterSets::whitespaces(m.c), m.whitespaces);
    EXPECT_EQ(CharacterSets::whitespacesAndNewlines(m.c), m.whitespacesAndNewlines);
    EXPECT_EQ(CharacterSets::punctuationCharacters(m.c), m.punctuation);
    EXPECT_EQ(CharacterSets::symbols(m.c), m.symbols);
    EXPECT_EQ(CharacterSets::letters(m.c), m.letters);
    EXPECT_EQ(CharacterSets::isWhiteSpace(m.c), m.isWhiteSpace);
    EXPECT_EQ(CharacterSets::isLetter(m.c), m.isLetter);
}

// Columns: whitespaces, whitespacesAndNewlines, punctuation, symbols, letters,
// white-space property, letter property.
INSTANTIATE_TEST_SUITE_P(
    CodePoints, CharacterSetsMembership,
    testing::Values(
        // White space of every kind.
        Membership{U' ', true, true, false, false, false, true, false},
        Membership{U'\t', true, true, false, false, false, true, false},
        Membership{U'\u00A0', true, true, false, false, false, true, false},
        Membership{U'\u3000', true, true, false, false, false, true, false},
        Membership{U'\n', false, true, false, false, false, true, false},
        Membership{U'\v', false, true, false, false, false, true, false},
        Membership{U'\r', false, true, false, false, false, true, false},
        Membership{U'\u0085', false, true, false, false, false, true, false},
        Membership{U'\u2028', false, true, false, false, false, true, false},
        Membership{U'\u2029', false, true, false, false, false, true, false},
        // Format characters are not white space.
        Membership{U'\u200B', false, false, false, false, false, false, false},
        Membership{U'\u200D', false, false, false, false, false, false, false},
        // Punctuation and symbols, astral ones included.
        Membership{U'!', false, false, true, false, false, false, false},
        Membership{U'\u00AB', false, false, true, false, false, false, false},
        Membership{U'\'', false, false, true, false, false, false, false},
        Membership{U'\U00010100', false, false, true, false, false, false, false},
        Membership{U'$', false, false, false, true, false, false, false},
        Membership{U'+', false, false, false, true, false, false, false},
        Membership{U'\U0001F600', false, false, false, true, false, false, false},
        Membership{U'\U0001F3FD', false, false, false, true, false, false, false},
        Membership{U'\U0001F1E9', false, false, false, true, false, false, false},
        // Letters; a combining mark is in the set but lacks the property.
        Membership{U'a', false, false, false, false, true, false, true},
        Membership{U'\u00DF', false, false, false, false, true, false, true},
        Membership{U'\u65E5', false, false, false, false, true, false, true},
        Membership{U'\U00020000', false, false, false, false, true, false, true},
        Membership{U'\U0001D400', false, false, false, false, true, false, true},
        Membership{U'\u0301', false, false, false, false, true, false, false},
        // Digits are nothing of the above.
        Membership{U'7', false, false, false, false, false, false, false}));

struct TrimCase {
    const char* name;
    QString text;
    CharacterSets::Set set;
    QString expected;
};

class CharacterSetsTrim : public testing::TestWithParam<TrimCase> {};

TEST_P(CharacterSetsTrim, DropsMembersAtBothEndsOnly) {
    const TrimCase c = GetParam();
    EXPECT_EQ(CharacterSets::trimmed(c.text, c.set), c.expected);
}

bool punctuationOrSymbol(char32_t c) {
    return CharacterSets::punctuationCharacters(c) || CharacterSets::symbols(c);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CharacterSetsTrim,
    testing::Values(TrimCase{"Empty", QString(), CharacterSets::whitespaces, QString()},
                    TrimCase{"AllMembers", QStringLiteral(" \t\u00A0"), CharacterSets::whitespaces,
                             QString()},
                    TrimCase{"HorizontalOnly", QStringLiteral("\n\u00A0 a b\t\n"),
                             CharacterSets::whitespaces, QStringLiteral("\n\u00A0 a b\t\n")},
                    TrimCase{"HorizontalAroundBody", QStringLiteral("\u00A0 a b\t"),
                             CharacterSets::whitespaces, QStringLiteral("a b")},
                    TrimCase{"Newlines", QStringLiteral("\r\n\u2029 a\u0085"),
                             CharacterSets::whitespacesAndNewlines, QStringLiteral("a")},
                    TrimCase{"AstralSymbolsBothEnds", QStringLiteral("😀«word»👍🏿"),
                             punctuationOrSymbol, QStringLiteral("word")},
                    TrimCase{"InnerMembersStay", QStringLiteral("!don't!"), punctuationOrSymbol,
                             QStringLiteral("don't")},
                    TrimCase{"AstralLetterKept", QStringLiteral("\U00020000!"), punctuationOrSymbol,
                             QStringLiteral("\U00020000")},
                    TrimCase{"AstralLettersTrimmed", QStringLiteral("\U00020000x😀y\U00020001"),
                             CharacterSets::letters, QStringLiteral("😀")},
                    TrimCase{"LoneSurrogatesStay",
                             QString(QChar(0xD83D)) + QStringLiteral("!a!") + QChar(0xDE00),
                             punctuationOrSymbol,
                             QString(QChar(0xD83D)) + QStringLiteral("!a!") + QChar(0xDE00)}),
    [](const testing::TestParamInfo<TrimCase>& info) { return std::string(info.param.name); });

TEST(CharacterSetsContainsAny, DecodesSurrogatePairs) {
    EXPECT_TRUE(
        CharacterSets::containsAny(QStringLiteral("123\U00020000"), CharacterSets::isLetter));
    EXPECT_TRUE(CharacterSets::containsAny(QStringLiteral("ab😀"), CharacterSets::symbols));
    EXPECT_FALSE(CharacterSets::containsAny(QStringLiteral("12 ;"), CharacterSets::isLetter));
    EXPECT_FALSE(CharacterSets::containsAny(QString(), CharacterSets::isLetter));
}

TEST(CharacterSetsSplit, CutsAtEveryMemberAndDropsEmptyRuns) {
    EXPECT_EQ(
        CharacterSets::split(QStringLiteral("  a\u2028b \t\r\nc😀 "), CharacterSets::isWhiteSpace),
        (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c😀")}));
    EXPECT_EQ(CharacterSets::split(QStringLiteral("a😀b😀"), CharacterSets::symbols),
              (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_TRUE(
        CharacterSets::split(QStringLiteral(" \n "), CharacterSets::isWhiteSpace).isEmpty());
    EXPECT_TRUE(CharacterSets::split(QString(), CharacterSets::isWhiteSpace).isEmpty());
}

} // namespace
