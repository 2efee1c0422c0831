#include "core/CharacterSets.h"

#include <gtest/gtest.h>

namespace {

TEST(CharacterSets, MembershipOfTheCodePoint) {
    // Columns: whitespaces, whitespacesAndNewlines, punctuation, symbols, letters,
    // white-space property, letter property.
    const struct {
        char32_t c;
        bool whitespaces, whitespacesAndNewlines, punctuation, symbols, letters, isWhiteSpace,
            isLetter;
    } cases[] = {
        // clang-format off
        // White space of every kind.
        {U' ', true, true, false, false, false, true, false},
        {U'\t', true, true, false, false, false, true, false},
        {U'\u00A0', true, true, false, false, false, true, false},
        {U'\u3000', true, true, false, false, false, true, false},
        {U'\n', false, true, false, false, false, true, false},
        {U'\v', false, true, false, false, false, true, false},
        {U'\r', false, true, false, false, false, true, false},
        {U'\u0085', false, true, false, false, false, true, false},
        {U'\u2028', false, true, false, false, false, true, false},
        {U'\u2029', false, true, false, false, false, true, false},
        // Format characters are not white space.
        {U'\u200B', false, false, false, false, false, false, false},
        {U'\u200D', false, false, false, false, false, false, false},
        // Punctuation and symbols, astral ones included.
        {U'!', false, false, true, false, false, false, false},
        {U'\u00AB', false, false, true, false, false, false, false},
        {U'\'', false, false, true, false, false, false, false},
        {U'\U00010100', false, false, true, false, false, false, false},
        {U'$', false, false, false, true, false, false, false},
        {U'+', false, false, false, true, false, false, false},
        {U'\U0001F600', false, false, false, true, false, false, false},
        {U'\U0001F3FD', false, false, false, true, false, false, false},
        {U'\U0001F1E9', false, false, false, true, false, false, false},
        // Letters; a combining mark is in the set but lacks the property.
        {U'a', false, false, false, false, true, false, true},
        {U'\u00DF', false, false, false, false, true, false, true},
        {U'\u65E5', false, false, false, false, true, false, true},
        {U'\U00020000', false, false, false, false, true, false, true},
        {U'\U0001D400', false, false, false, false, true, false, true},
        {U'\u0301', false, false, false, false, true, false, false},
        // Digits are nothing of the above.
        {U'7', false, false, false, false, false, false, false},
        // clang-format on
    };
    for (const auto& m : cases) {
        SCOPED_TRACE(testing::Message()
                     << "U+" << std::hex << std::uppercase << static_cast<unsigned>(m.c));
        EXPECT_EQ(CharacterSets::whitespaces(m.c), m.whitespaces);
        EXPECT_EQ(CharacterSets::whitespacesAndNewlines(m.c), m.whitespacesAndNewlines);
        EXPECT_EQ(CharacterSets::punctuationCharacters(m.c), m.punctuation);
        EXPECT_EQ(CharacterSets::symbols(m.c), m.symbols);
        EXPECT_EQ(CharacterSets::letters(m.c), m.letters);
        EXPECT_EQ(CharacterSets::isWhiteSpace(m.c), m.isWhiteSpace);
        EXPECT_EQ(CharacterSets::isLetter(m.c), m.isLetter);
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
        {"HorizontalOnly", "\n\u00A0 a b\t\n", CharacterSets::whitespaces, "\n\u00A0 a b\t\n"},
        {"HorizontalAroundBody", "\u00A0 a b\t", CharacterSets::whitespaces, "a b"},
        {"Newlines", "\r\n\u2029 a\u0085", CharacterSets::whitespacesAndNewlines, "a"},
        {"AstralSymbolsBothEnds", "😀«word»👍🏿", punctuationOrSymbol, "word"},
        {"InnerMembersStay", "!don't!", punctuationOrSymbol, "don't"},
        {"AstralLetterKept", "\U00020000!", punctuationOrSymbol, "\U00020000"},
        {"AstralLettersTrimmed", "\U00020000x😀y\U00020001", CharacterSets::letters, "😀"},
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
