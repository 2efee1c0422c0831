#include "core/WordDetector.h"

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
        {"AstralLetterKept", "\U00020000!", punctuationOrSymbol, "\U00020000"},
        {"LoneSurrogatesStay", lone, punctuationOrSymbol, lone},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(CharacterSets::trimmed(c.text, c.set), c.expected) << c.name;
}

TEST(WordDetector, HasWordsFindsARealWord) {
    const struct {
        const char* name;
        QString text;
        bool expected;
    } cases[] = {
        // clang-format off
        {"WhiteSpaceOnly", QStringLiteral(" \n\t\u2028"), false},
        {"Digits", QStringLiteral("12 345\n6"), false},
        {"CombiningMarkOnly", QStringLiteral("\u0301"), false},
        {"SchemeWithoutDot", QStringLiteral("foo://bar"), false},
        {"WwwAnyCase", QStringLiteral("WwW.Example.org"), false},
        {"EmailAddress", QStringLiteral("me@example.com"), false},
        {"AtWithoutDot", QStringLiteral("user@host"), true},
        {"WwwNotAtStart", QStringLiteral("awww.x"), true},
        {"AddressAndWord", QStringLiteral("see https://example.com"), true},
        {"NoBreakSpaceSeparates", QStringLiteral("www.a.org\u00A0hello"), true},
        {"LetterAmongDigits", QStringLiteral("3x"), true},
        {"AstralIdeograph", QStringLiteral("\U00020000"), true},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(WordDetector::hasWords(c.text), c.expected) << c.name;
}

TEST(WordDetector, SingleWordCleansOneWord) {
    const struct {
        const char* name;
        QString text;
        std::optional<QString> expected;
    } cases[] = {
        // clang-format off
        {"Guillemets", QStringLiteral("  «Hello!»  "), QStringLiteral("Hello")},
        {"InnerApostrophe", QStringLiteral("'don't'"), QStringLiteral("don't")},
        {"AstralSymbols", QStringLiteral("😀word👍🏿"), QStringLiteral("word")},
        {"CombiningAccent", QStringLiteral("\"Cafe\u0301\""), QStringLiteral("Cafe\u0301")},
        {"WhiteSpaceOnly", QStringLiteral(" \n "), std::nullopt},
        {"TwoLines", QStringLiteral("hello\nworld"), std::nullopt},
        {"NoBreakSpaceInside", QStringLiteral("hello\u00A0world"), std::nullopt},
        {"Digits", QStringLiteral(" 12345 "), std::nullopt},
        {"Punctuation", QStringLiteral("?!…"), std::nullopt},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(WordDetector::singleWord(c.text), c.expected) << c.name;
}

} // namespace
