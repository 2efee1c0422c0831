#include "platform/linux/apertium/ApertiumFormat.h"

#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

struct Sample {
    const char* name;
    QString text;
};

// Inputs where a hand-written deformatter is most likely to part from Apertium's own.
// clang-format off
const Sample kTexts[] = {
    {"plain", u"Hello world."_s}, {"empty", u""_s}, {"lone_space", u" "_s}, {"lone_tilde", u"~"_s},
    {"every_ascii_sign",
     uR"(!"#$%&'()*+,-./:;<=>?@[\]^_`{|}~)"_s}, {"backslash_run", uR"(\\\ \[)"_s},
    {"at_first", u"@home"_s}, {"tab", u"a\tb"_s}, {"tildes", u"d ~ e~f~~g"_s},
    {"paragraph", u"One.\n\nTwo."_s},
    {"split_newlines", u"One\n \nTwo"_s}, {"crlf_paragraph", u"One\r\n\r\nTwo"_s},
    {"cr_then_paragraph", u"One\r\n\nTwo"_s}, {"lf_crlf", u"One\n\r\nTwo"_s},
    {"leading_blank", u"  lead"_s},
    {"trailing_newline", u"x \n"_s}, {"trailing_paragraph", u"x\n\n"_s},
    {"nul_inside_blank", u"a "_s + QChar(0) + u" b"_s},
    {"nul_between_newlines", u"a\n"_s + QChar(0) + u"\nb"_s},
    {"control_characters", u"a\v\f\x01 b"_s}, {"unicode_spaces", u"a\u00a0b\u3000c\u2028d"_s},
    {"emoji", u"😀 ok 🎉"_s}, {"period_blank_literal", u"x.[]y"_s},
    {"long_blank_at_limit", u"a"_s + QString(8192, u' ') + u"b"_s},
};
// clang-format on

class DeformatTest : public ::testing::TestWithParam<Sample> {};

TEST_P(DeformatTest, MatchesApertiumDestxtByteForByte) {
    if (!hasProgram(u"apertium-destxt"_s)) {
        GTEST_SKIP() << "apertium-destxt is not installed";
    }
    const QString text = GetParam().text;
    // The program drops NUL characters, joining what is around them; here they are spaces.
    QString spaced = text;
    spaced.replace(QChar(0), u' ');
    const auto expected = runProgram(u"apertium-destxt"_s, {}, spaced.toUtf8());
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(ApertiumFormat::deformat(text).toUtf8(), *expected);
}

TEST_P(DeformatTest, ReformatUndoesDeformat) {
    QString text = GetParam().text;
    text.replace(QChar(0), u' ');
    EXPECT_EQ(ApertiumFormat::reformat(ApertiumFormat::deformat(text)), text);
}

INSTANTIATE_TEST_SUITE_P(Texts, DeformatTest, ::testing::ValuesIn(kTexts),
                         [](const auto& info) { return std::string(info.param.name); });

// What the last stage may hand back: sentence ends, blanks, escapes and stray brackets.
const Sample kStreams[] = {
    {"sentence_ends", u"a.[][\n]b.[]"_s},  {"escapes", uR"(\[\]\\\/\@\<\>\^\$\{\})"_s},
    {"unknown_escape", uR"(\a \~ \.)"_s},  {"backslash_before_period_blank", uR"(\.[]x)"_s},
    {"escaped_at_in_blank", uR"([\@g)"_s}, {"nested_brackets", u".[[]]"_s},
    {"trailing_backslash", uR"(ab\)"_s},   {"stray_brackets", u"[a]b]c["_s},
    {"nul", u"a"_s + QChar(0) + u"b"_s},   {"unicode", u"Hola .[]señor 🙂"_s},
};

class ReformatTest : public ::testing::TestWithParam<Sample> {};

TEST_P(ReformatTest, MatchesApertiumRetxtByteForByte) {
    if (!hasProgram(u"apertium-retxt"_s)) {
        GTEST_SKIP() << "apertium-retxt is not installed";
    }
    const QString stream = GetParam().text;
    const auto expected = runProgram(u"apertium-retxt"_s, {}, stream.toUtf8());
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(ApertiumFormat::reformat(stream).toUtf8(), *expected);
}

INSTANTIATE_TEST_SUITE_P(Streams, ReformatTest, ::testing::ValuesIn(kStreams),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ApertiumFormatTest, WhereItPartsFromTheProgramsOnPurpose) {
    const QString tabs(10000, u'\t');
    // clang-format off
    const struct { const char* rule; QString (*convert)(const QString&); QString in; QString out;
        } cases[] = {
        // The program would write this run to a temporary file and name it in the stream.
        {"a very long blank stays inline", ApertiumFormat::deformat, u"a"_s + tabs + u"b"_s,
         u"a["_s + tabs + u"]b.[]"_s},
        {"a file blank is never opened", ApertiumFormat::reformat, u"x[@/etc/hostname]y"_s,
         u"x@/etc/hostnamey"_s},
        // NUL never reaches the stream: it is a blank like a space.
        {"NUL alone", ApertiumFormat::deformat, QString(2, QChar(0)), u".[][  ]"_s},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(c.convert(c.in), c.out) << c.rule;
}

} // namespace
