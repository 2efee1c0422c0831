#include "core/CharacterSets.h"

#include <gtest/gtest.h>

namespace {

// The other sets forward to QChar's categories; these three add to them.
TEST(CharacterSets, MembershipOfTheCodePoint) {
    const struct {
        char32_t c;
        bool whitespaces, whitespacesAndNewlines, letters;
    } cases[] = {
        {U' ', true, true, false},        {U'\t', true, true, false},
        {U'\u00A0', true, true, false},   {U'\n', false, true, false},
        {U'\r', false, true, false},      {U'\u0085', false, true, false},
        {U'\u2028', false, true, false},  {U'\u2029', false, true, false},
        {U'\u200B', false, false, false}, {U'a', false, false, true},
        {U'\u0301', false, false, true},  {U'\U00020000', false, false, true},
        {U'7', false, false, false},
    };
    for (const auto& m : cases) {
        SCOPED_TRACE(testing::Message()
                     << "U+" << std::hex << std::uppercase << static_cast<unsigned>(m.c));
        EXPECT_EQ(CharacterSets::whitespaces(m.c), m.whitespaces);
        EXPECT_EQ(CharacterSets::whitespacesAndNewlines(m.c), m.whitespacesAndNewlines);
        EXPECT_EQ(CharacterSets::letters(m.c), m.letters);
    }
}

bool punctuationOrSymbol(char32_t c) {
    return CharacterSets::punctuationCharacters(c) || CharacterSets::symbols(c);
}

TEST(CharacterSets, TrimmedDropsMembersAtBothEndsOnly) {
    const QString lone = QString(QChar(0xD83D)) + QStringLiteral("!a!") + QChar(0xDE00);
    const struct {
        const char* name;
        QString text;
        CharacterSets::Set set;
        QString expected;
    } cases[] = {
        // clang-format off
        {"Empty", QString(), CharacterSets::whitespaces, QString()},
        {"AllMembers", " \t\u00A0", CharacterSets::whitespaces, QString()},
        {"HorizontalAroundBody", "\u00A0 a b\t", CharacterSets::whitespaces, "a b"},
        {"AstralSymbolsBothEnds", "😀«word»👍🏿", punctuationOrSymbol, "word"},
        {"AstralLetterKept", "\U00020000!", punctuationOrSymbol, "\U00020000"},
        {"LoneSurrogatesStay", lone, punctuationOrSymbol, lone},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(CharacterSets::trimmed(c.text, c.set), c.expected) << c.name;
}

TEST(CharacterSetsContainsAny, DecodesSurrogatePairs) {
    EXPECT_TRUE(
        CharacterSets::containsAny(QStringLiteral("123\U00020000"), CharacterSets::isLetter));
    EXPECT_TRUE(CharacterSets::containsAny(QStringLiteral("ab😀"), CharacterSets::symbols));
    EXPECT_FALSE(CharacterSets::containsAny(QString(), CharacterSets::isLetter));
}

TEST(CharacterSetsSplit, CutsAtEveryMemberAndDropsEmptyRuns) {
    EXPECT_EQ(
        CharacterSets::split(QStringLiteral("  a\u2028b \t\r\nc😀 "), CharacterSets::isWhiteSpace),
        (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c😀")}));
    EXPECT_TRUE(
        CharacterSets::split(QStringLiteral(" \n "), CharacterSets::isWhiteSpace).isEmpty());
    EXPECT_TRUE(CharacterSets::split(QString(), CharacterSets::isWhiteSpace).isEmpty());
}

} // namespace
