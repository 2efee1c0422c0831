#include "core/WordDetector.h"

#include <gtest/gtest.h>

namespace {

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
        {"OnlyAddresses", QStringLiteral("www.a.org\nme@b.net\u2029http://c"), false},
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
        {"SurroundingNewlines", QStringLiteral("\r\n\tHaus\u2029"), QStringLiteral("Haus")},
        {"InnerApostrophe", QStringLiteral("'don't'"), QStringLiteral("don't")},
        {"AstralSymbols", QStringLiteral("😀word👍🏿"), QStringLiteral("word")},
        {"CombiningAccent", QStringLiteral("\"Cafe\u0301\""), QStringLiteral("Cafe\u0301")},
        {"DigitsInside", QStringLiteral("mp3"), QStringLiteral("mp3")},
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
