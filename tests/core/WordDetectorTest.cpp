#include "core/WordDetector.h"

#include <gtest/gtest.h>

namespace {

struct HasWordsCase {
    const char* name;
    QString text;
    bool expected;
};

class WordDetectorHasWords : public testing::TestWithParam<HasWordsCase> {};

TEST_P(WordDetectorHasWords, FindsARealWord) {
    const HasWordsCase c = GetParam();
    EXPECT_EQ(WordDetector::hasWords(c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WordDetectorHasWords,
    testing::Values(
        HasWordsCase{"Empty", QString(), false},
        HasWordsCase{"WhiteSpaceOnly", QStringLiteral(" \n\t\u2028"), false},
        HasWordsCase{"Digits", QStringLiteral("12 345\n6"), false},
        HasWordsCase{"Punctuation", QStringLiteral("... !? —"), false},
        HasWordsCase{"EmojiOnly", QStringLiteral("👩🏽‍💻 🇩🇪"), false},
        HasWordsCase{"CombiningMarkOnly", QStringLiteral("\u0301"), false},
        HasWordsCase{"WebAddress", QStringLiteral("https://example.com"), false},
        HasWordsCase{"SchemeWithoutDot", QStringLiteral("foo://bar"), false},
        HasWordsCase{"WwwAnyCase", QStringLiteral("WwW.Example.org"), false},
        HasWordsCase{"EmailAddress", QStringLiteral("me@example.com"), false},
        HasWordsCase{"OnlyAddresses", QStringLiteral("www.a.org\nme@b.net\u2029http://c"), false},
        HasWordsCase{"AtWithoutDot", QStringLiteral("user@host"), true},
        HasWordsCase{"WwwNotAtStart", QStringLiteral("awww.x"), true},
        HasWordsCase{"Word", QStringLiteral("hello"), true},
        HasWordsCase{"DigitsAndWord", QStringLiteral("42 apples"), true},
        HasWordsCase{"AddressAndWord", QStringLiteral("see https://example.com"), true},
        HasWordsCase{"LineBreakSeparates", QStringLiteral("http://example.com\nhello"), true},
        HasWordsCase{"ParagraphSeparatorSeparates", QStringLiteral("me@example.com\u2029hello"),
                     true},
        HasWordsCase{"NoBreakSpaceSeparates", QStringLiteral("www.a.org\u00A0hello"), true},
        HasWordsCase{"LetterAmongDigits", QStringLiteral("3x"), true},
        HasWordsCase{"Cyrillic", QStringLiteral("привет"), true},
        HasWordsCase{"AstralIdeograph", QStringLiteral("\U00020000"), true}),
    [](const testing::TestParamInfo<HasWordsCase>& info) { return std::string(info.param.name); });

struct SingleWordCase {
    const char* name;
    QString text;
    std::optional<QString> expected;
};

class WordDetectorSingleWord : public testing::TestWithParam<SingleWordCase> {};

TEST_P(WordDetectorSingleWord, CleansOneWord) {
    const SingleWordCase c = GetParam();
    EXPECT_EQ(WordDetector::singleWord(c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WordDetectorSingleWord,
    testing::Values(
        SingleWordCase{"Plain", QStringLiteral("word"), QStringLiteral("word")},
        SingleWordCase{"Guillemets", QStringLiteral("  «Hello!»  "), QStringLiteral("Hello")},
        SingleWordCase{"SurroundingNewlines", QStringLiteral("\r\n\tHaus\u2029"),
                       QStringLiteral("Haus")},
        SingleWordCase{"InnerApostrophe", QStringLiteral("'don't'"), QStringLiteral("don't")},
        SingleWordCase{"InnerHyphen", QStringLiteral("(well-known)."),
                       QStringLiteral("well-known")},
        SingleWordCase{"Symbols", QStringLiteral("$€price+"), QStringLiteral("price")},
        SingleWordCase{"AstralSymbols", QStringLiteral("😀word👍🏿"), QStringLiteral("word")},
        SingleWordCase{"CombiningAccent", QStringLiteral("\"Cafe\u0301\""),
                       QStringLiteral("Cafe\u0301")},
        SingleWordCase{"AstralIdeograph", QStringLiteral("「\U00020000」"),
                       QStringLiteral("\U00020000")},
        SingleWordCase{"DigitsInside", QStringLiteral("mp3"), QStringLiteral("mp3")},
        SingleWordCase{"Empty", QString(), std::nullopt},
        SingleWordCase{"WhiteSpaceOnly", QStringLiteral(" \n "), std::nullopt},
        SingleWordCase{"TwoWords", QStringLiteral("hello world"), std::nullopt},
        SingleWordCase{"TwoLines", QStringLiteral("hello\nworld"), std::nullopt},
        SingleWordCase{"NoBreakSpaceInside", QStringLiteral("hello\u00A0world"), std::nullopt},
        SingleWordCase{"Digits", QStringLiteral(" 12345 "), std::nullopt},
        SingleWordCase{"Price", QStringLiteral("$100"), std::nullopt},
        SingleWordCase{"Punctuation", QStringLiteral("?!…"), std::nullopt},
        SingleWordCase{"Emoji", QStringLiteral("👩🏽‍💻"), std::nullopt}),
    [](const testing::TestParamInfo<SingleWordCase>& info) {
        return std::string(info.param.name);
    });

} // namespace
