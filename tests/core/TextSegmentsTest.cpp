#include "core/TextSegments.h"

#include <gtest/gtest.h>

namespace {

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
