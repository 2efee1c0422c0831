#include "core/TextSegmenter.h"

#include <gtest/gtest.h>

namespace {

using Line = TextSegments::Line;

struct SplitCase {
    const char* name;
    QString text;
    QList<Line> lines;
};

class TextSegmenterSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(TextSegmenterSplit, CutsIntoIndentAndBody) {
    const SplitCase c = GetParam();
    const TextSegments segments = TextSegmenter::split(c.text);
    ASSERT_EQ(segments.lines.size(), c.lines.size());
    for (qsizetype i = 0; i < c.lines.size(); ++i) {
        EXPECT_EQ(segments.lines.at(i).indent, c.lines.at(i).indent) << "line " << i;
        EXPECT_EQ(segments.lines.at(i).body, c.lines.at(i).body) << "line " << i;
    }
}

Line line(const QString& indent, const QString& body) {
    return Line{indent, body};
}

const Line blank{};

INSTANTIATE_TEST_SUITE_P(
    Texts, TextSegmenterSplit,
    testing::Values(
        SplitCase{"Empty", QString(), {blank}},
        SplitCase{"IndentBlankAndTrailingSpaces",
                  QStringLiteral("  foo\n\n\tbar  "),
                  {line(QStringLiteral("  "), QStringLiteral("foo")), blank,
                   line(QStringLiteral("\t"), QStringLiteral("bar"))}},
        SplitCase{"SpacesOnlyLineIsBlank",
                  QStringLiteral("a\n    \n\t \tb"),
                  {line(QString(), QStringLiteral("a")), blank,
                   line(QStringLiteral("\t \t"), QStringLiteral("b"))}},
        SplitCase{"AllLineEnds",
                  QStringLiteral("a\r\nb\rc\nd"),
                  {line(QString(), QStringLiteral("a")), line(QString(), QStringLiteral("b")),
                   line(QString(), QStringLiteral("c")), line(QString(), QStringLiteral("d"))}},
        SplitCase{
            "CrCrLfGivesTwoLineEnds",
            QStringLiteral("a\r\r\nb"),
            {line(QString(), QStringLiteral("a")), blank, line(QString(), QStringLiteral("b"))}},
        SplitCase{
            "LfCrIsTwoLineEnds",
            QStringLiteral("a\n\rb"),
            {line(QString(), QStringLiteral("a")), blank, line(QString(), QStringLiteral("b"))}},
        SplitCase{"TrailingLineFeedEndsBlank",
                  QStringLiteral("a\n"),
                  {line(QString(), QStringLiteral("a")), blank}},
        SplitCase{"OnlyLineFeeds", QStringLiteral("\n\n"), {blank, blank, blank}},
        SplitCase{"NoBreakSpacesAreNotIndent",
                  QStringLiteral("\u00A0\u00A0item\u00A0"),
                  {line(QString(), QStringLiteral("item"))}},
        SplitCase{"IndentStopsAtNoBreakSpace",
                  QStringLiteral(" \u00A0 x"),
                  {line(QStringLiteral(" "), QStringLiteral("x"))}},
        SplitCase{"InnerWhiteSpaceKept",
                  QStringLiteral("\ta  b\tc \u3000"),
                  {line(QStringLiteral("\t"), QStringLiteral("a  b\tc"))}},
        SplitCase{"FormFeedIsNotHorizontal",
                  QStringLiteral("\f"),
                  {line(QString(), QStringLiteral("\f"))}},
        SplitCase{"AstralBody",
                  QStringLiteral("  👩🏽‍💻 \U00020000 "),
                  {line(QStringLiteral("  "), QStringLiteral("👩🏽‍💻 \U00020000"))}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

struct RoundTripCase {
    const char* name;
    QString text;
    QString rebuilt;
};

class TextSegmenterRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(TextSegmenterRoundTrip, RebuildingUntranslatedBodies) {
    const RoundTripCase c = GetParam();
    const TextSegments segments = TextSegmenter::split(c.text);
    EXPECT_EQ(segments.rebuild(segments.sources()), c.rebuilt);
    EXPECT_EQ(segments.rebuild({}), c.rebuilt);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextSegmenterRoundTrip,
    testing::Values(RoundTripCase{"Empty", QString(), QString()},
                    RoundTripCase{"Layout", QStringLiteral("def f():\n    # note\n\n\treturn 1"),
                                  QStringLiteral("def f():\n    # note\n\n\treturn 1")},
                    RoundTripCase{"TrailingLineFeed", QStringLiteral("a\n"), QStringLiteral("a\n")},
                    RoundTripCase{"CarriageReturnsBecomeLineFeeds", QStringLiteral("a\r\nb\rc\r\n"),
                                  QStringLiteral("a\nb\nc\n")},
                    RoundTripCase{"WhiteSpaceOnlyLinesEmptied", QStringLiteral("a\n   \n\t\nb  \t"),
                                  QStringLiteral("a\n\n\nb")}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

} // namespace
