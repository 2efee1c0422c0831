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
        {"Empty", QString(), false},
        {"WhiteSpaceOnly", QStringLiteral(" \n\t\u2028"), false},
        {"Digits", QStringLiteral("12 345\n6"), false},
        {"Punctuation", QStringLiteral("... !? —"), false},
        {"EmojiOnly", QStringLiteral("👩🏽‍💻 🇩🇪"), false},
        {"CombiningMarkOnly", QStringLiteral("\u0301"), false},
        {"WebAddress", QStringLiteral("https://example.com"), false},
        {"SchemeWithoutDot", QStringLiteral("foo://bar"), false},
        {"WwwAnyCase", QStringLiteral("WwW.Example.org"), false},
        {"EmailAddress", QStringLiteral("me@example.com"), false},
        {"OnlyAddresses", QStringLiteral("www.a.org\nme@b.net\u2029http://c"), false},
        {"AtWithoutDot", QStringLiteral("user@host"), true},
        {"WwwNotAtStart", QStringLiteral("awww.x"), true},
        {"Word", QStringLiteral("hello"), true},
        {"DigitsAndWord", QStringLiteral("42 apples"), true},
        {"AddressAndWord", QStringLiteral("see https://example.com"), true},
        {"LineBreakSeparates", QStringLiteral("http://example.com\nhello"), true},
        {"ParagraphSeparatorSeparates", QStringLiteral("me@example.com\u2029hello"), true},
        {"NoBreakSpaceSeparates", QStringLiteral("www.a.org\u00A0hello"), true},
        {"LetterAmongDigits", QStringLiteral("3x"), true},
        {"Cyrillic", QStringLiteral("привет"), true},
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
        {"Plain", QStringLiteral("word"), QStringLiteral("word")},
        {"Guillemets", QStringLiteral("  «Hello!»  "), QStringLiteral("Hello")},
        {"SurroundingNewlines", QStringLiteral("\r\n\tHaus\u2029"), QStringLiteral("Haus")},
        {"InnerApostrophe", QStringLiteral("'don't'"), QStringLiteral("don't")},
        {"InnerHyphen", QStringLiteral("(well-known)."), QStringLiteral("well-known")},
        {"Symbols", QStringLiteral("$€price+"), QStringLiteral("price")},
        {"AstralSymbols", QStringLiteral("😀word👍🏿"), QStringLiteral("word")},
        {"CombiningAccent", QStringLiteral("\"Cafe\u0301\""), QStringLiteral("Cafe\u0301")},
        {"AstralIdeograph", QStringLiteral("「\U00020000」"), QStringLiteral("\U00020000")},
        {"DigitsInside", QStringLiteral("mp3"), QStringLiteral("mp3")},
        {"Empty", QString(), std::nullopt},
        {"WhiteSpaceOnly", QStringLiteral(" \n "), std::nullopt},
        {"TwoWords", QStringLiteral("hello world"), std::nullopt},
        {"TwoLines", QStringLiteral("hello\nworld"), std::nullopt},
        {"NoBreakSpaceInside", QStringLiteral("hello\u00A0world"), std::nullopt},
        {"Digits", QStringLiteral(" 12345 "), std::nullopt},
        {"Price", QStringLiteral("$100"), std::nullopt},
        {"Punctuation", QStringLiteral("?!…"), std::nullopt},
        {"Emoji", QStringLiteral("👩🏽‍💻"), std::nullopt},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(WordDetector::singleWord(c.text), c.expected) << c.name;
}

} // namespace
