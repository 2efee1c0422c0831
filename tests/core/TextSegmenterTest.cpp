#include "core/TextSegmenter.h"

#include "core/TextSegments.h"

#include <gtest/gtest.h>

namespace {

TEST(TextSegmenter, SplitCutsIntoIndentAndBody) {
    // Each line as indent and body; "" is a blank line.
    const struct {
        const char* name;
        QString text;
        QList<std::pair<QString, QString>> lines;
    } cases[] = {
        // clang-format off
        {"Empty", "", {{"", ""}}},
        {"IndentBlankAndTrailingSpaces", "  foo\n\n\tbar  ",
         {{"  ", "foo"}, {"", ""}, {"\t", "bar"}}},
        {"SpacesOnlyLineIsBlank", "a\n    \n\t \tb", {{"", "a"}, {"", ""}, {"\t \t", "b"}}},
        {"AllLineEnds", "a\r\nb\rc\nd", {{"", "a"}, {"", "b"}, {"", "c"}, {"", "d"}}},
        {"CrCrLfGivesTwoLineEnds", "a\r\r\nb", {{"", "a"}, {"", ""}, {"", "b"}}},
        {"TrailingLineFeedEndsBlank", "a\n", {{"", "a"}, {"", ""}}},
        {"NoBreakSpacesAreNotIndent", "\u00A0\u00A0item\u00A0", {{"", "item"}}},
        {"IndentStopsAtNoBreakSpace", " \u00A0 x", {{" ", "x"}}},
        {"InnerWhiteSpaceKept", "\ta  b\tc \u3000", {{"\t", "a  b\tc"}}},
        {"FormFeedIsNotHorizontal", "\f", {{"", "\f"}}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TextSegments segments = TextSegmenter::split(c.text);
        ASSERT_EQ(segments.lines.size(), c.lines.size());
        for (qsizetype i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(segments.lines.at(i).indent, c.lines.at(i).first) << "line " << i;
            EXPECT_EQ(segments.lines.at(i).body, c.lines.at(i).second) << "line " << i;
        }
    }
}

using Line = TextSegments::Line;

TEST(TextSegments, TranslatableAndSourcesSkipBlankLines) {
    const TextSegments blank{{Line{}, Line{}}};
    EXPECT_TRUE(blank.translatable().isEmpty());
    EXPECT_TRUE(blank.sources().isEmpty());
    EXPECT_EQ(blank.rebuild({QStringLiteral("surplus")}), QStringLiteral("\n"));
    EXPECT_EQ(TextSegments{{Line{}}}.rebuild({}), QString());

    const TextSegments sample{{Line{QStringLiteral("  "), QStringLiteral("foo")}, Line{},
                               Line{QStringLiteral("\t"), QStringLiteral("bar")}}};
    EXPECT_EQ(sample.translatable(), (QList<qsizetype>{0, 2}));
    EXPECT_EQ(sample.sources(), (QStringList{QStringLiteral("foo"), QStringLiteral("bar")}));

    // Translations go behind their indent; missing ones keep their own body.
    const std::pair<QStringList, QString> cases[] = {{{"uno", "dos"}, "  uno\n\n\tdos"},
                                                     {{"uno"}, "  uno\n\n\tbar"},
                                                     {{}, "  foo\n\n\tbar"},
                                                     {{"uno", "dos", "tres"}, "  uno\n\n\tdos"},
                                                     {{"", "dos"}, "  \n\n\tdos"},
                                                     {{"a\nb", "dos"}, "  a\nb\n\n\tdos"}};
    for (const auto& [translated, expected] : cases)
        EXPECT_EQ(sample.rebuild(translated), expected) << translated.join('|').toStdString();
}

} // namespace
