#include "core/TextSegments.h"

#include <gtest/gtest.h>

namespace {

using Line = TextSegments::Line;

// The lines of "  foo", "", "\tbar".
TextSegments sample() {
    return TextSegments{{Line{QStringLiteral("  "), QStringLiteral("foo")}, Line{},
                         Line{QStringLiteral("\t"), QStringLiteral("bar")}}};
}

TEST(TextSegments, TranslatableAndSourcesSkipBlankLines) {
    const TextSegments segments = sample();
    EXPECT_EQ(segments.translatable(), (QList<qsizetype>{0, 2}));
    EXPECT_EQ(segments.sources(), (QStringList{QStringLiteral("foo"), QStringLiteral("bar")}));
}

TEST(TextSegments, NothingTranslatableInBlankLines) {
    const TextSegments segments{{Line{}, Line{}}};
    EXPECT_TRUE(segments.translatable().isEmpty());
    EXPECT_TRUE(segments.sources().isEmpty());
    EXPECT_EQ(segments.rebuild({QStringLiteral("surplus")}), QStringLiteral("\n"));
}

struct RebuildCase {
    const char* name;
    QStringList translated;
    QString expected;
};

class TextSegmentsRebuild : public testing::TestWithParam<RebuildCase> {};

TEST_P(TextSegmentsRebuild, PutsTranslationsBehindTheirIndent) {
    const RebuildCase c = GetParam();
    EXPECT_EQ(sample().rebuild(c.translated), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, TextSegmentsRebuild,
    testing::Values(
        RebuildCase{"Exact",
                    {QStringLiteral("uno"), QStringLiteral("dos")},
                    QStringLiteral("  uno\n\n\tdos")},
        RebuildCase{
            "FewerKeepOwnBodies", {QStringLiteral("uno")}, QStringLiteral("  uno\n\n\tbar")},
        RebuildCase{"None", {}, QStringLiteral("  foo\n\n\tbar")},
        RebuildCase{"SurplusIgnored",
                    {QStringLiteral("uno"), QStringLiteral("dos"), QStringLiteral("tres")},
                    QStringLiteral("  uno\n\n\tdos")},
        RebuildCase{"EmptyTranslationKeepsIndent",
                    {QString(), QStringLiteral("dos")},
                    QStringLiteral("  \n\n\tdos")},
        RebuildCase{"MultiLineTranslation",
                    {QStringLiteral("a\nb"), QStringLiteral("dos")},
                    QStringLiteral("  a\nb\n\n\tdos")}),
    [](const testing::TestParamInfo<RebuildCase>& info) { return std::string(info.param.name); });

TEST(TextSegments, EmptyTextRebuildsToEmpty) {
    const TextSegments segments{{Line{}}};
    EXPECT_EQ(segments.rebuild({}), QString());
}

} // namespace
