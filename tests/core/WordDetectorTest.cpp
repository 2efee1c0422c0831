#include "core/WordDetector.h"

#include "core/CharacterSets.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

// The other sets forward to QChar's categories; these three add to them.
TEST(CharacterSets, MembershipOfTheCodePoint) {
    // Code point, then whether it is in whitespaces, whitespacesAndNewlines, letters.
    const std::tuple<char32_t, bool, bool, bool> cases[] = {
        // clang-format off
        {U' ', true, true, false}, {U'\t', true, true, false}, {U'\u00A0', true, true, false},
        {U'\n', false, true, false}, {U'\r', false, true, false}, {U'\u0085', false, true, false},
        {U'\u2028', false, true, false}, {U'\u2029', false, true, false},
        {U'\u200B', false, false, false},
        {U'a', false, false, true}, {U'\u0301', false, false, true},
        {U'\U00020000', false, false, true},
        {U'7', false, false, false},
        // clang-format on
    };
    for (const auto& [c, whitespace, whitespaceOrNewline, letter] : cases) {
        SCOPED_TRACE(testing::Message() << "U+" << std::hex << std::uppercase << unsigned(c));
        EXPECT_EQ(CharacterSets::whitespaces(c), whitespace);
        EXPECT_EQ(CharacterSets::whitespacesAndNewlines(c), whitespaceOrNewline);
        EXPECT_EQ(CharacterSets::letters(c), letter);
    }
}

bool punctuationOrSymbol(char32_t c) {
    return CharacterSets::punctuationCharacters(c) || CharacterSets::symbols(c);
}

TEST(CharacterSets, TrimmedDropsMembersAtBothEndsOnly) {
    const QString lone = QString(QChar(0xD83D)) + QStringLiteral("!a!") + QChar(0xDE00);
    EXPECT_EQ(CharacterSets::trimmed(QString(), CharacterSets::whitespaces), QString());
    EXPECT_EQ(CharacterSets::trimmed(" \t\u00A0", CharacterSets::whitespaces), QString());
    EXPECT_EQ(CharacterSets::trimmed("\U00020000!", punctuationOrSymbol), "\U00020000");
    EXPECT_EQ(CharacterSets::trimmed(lone, punctuationOrSymbol), lone);
}

TEST(WordDetector, HasWordsFindsARealWord) {
    const std::pair<QString, bool> cases[] = {
        // clang-format off
        {" \n\t\u2028", false}, {"12 345\n6", false}, {"\u0301", false}, {"foo://bar", false},
        {"WwW.Example.org", false}, {"me@example.com", false}, {"user@host", true},
        {"awww.x", true},
        {"see https://example.com", true}, {"www.a.org\u00A0hello", true}, {"3x", true},
        {"\U00020000", true},
        // clang-format on
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(WordDetector::hasWords(text), expected) << text.toStdString();
}

TEST(WordDetector, SingleWordCleansOneWord) {
    const std::pair<QString, std::optional<QString>> cases[] = {
        // clang-format off
        {"  «Hello!»  ", "Hello"}, {"'don't'", "don't"}, {"😀word👍🏿", "word"},
        {"\"Cafe\u0301\"", "Cafe\u0301"}, {" \n ", std::nullopt}, {"hello\nworld", std::nullopt},
        {"hello\u00A0world", std::nullopt}, {" 12345 ", std::nullopt}, {"?!…", std::nullopt},
        // clang-format on
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(WordDetector::singleWord(text), expected) << text.toStdString();
}

} // namespace
