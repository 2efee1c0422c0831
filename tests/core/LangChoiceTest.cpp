#include "core/LangChoice.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

TEST(LangChoiceTest, AutomaticIsTheAbsentCodeAndFixedCodesCompareExactly) {
    EXPECT_EQ(LangChoice::automatic(), LangChoice{std::nullopt});
    EXPECT_TRUE(LangChoice::automatic().isAutomatic());
    EXPECT_NE(LangChoice::automatic(), LangChoice::fixed(QString()));
    EXPECT_FALSE(LangChoice::fixed(QString()).isAutomatic());
    EXPECT_EQ(LangChoice::fixed(QStringLiteral("en-US")).code, QStringLiteral("en-US"));
    EXPECT_NE(LangChoice::fixed(QStringLiteral("en")), LangChoice::fixed(QStringLiteral("EN")));
}

TEST(LangChoiceTest, EqualChoicesHashEquallyInASet) {
    EXPECT_EQ(qHash(LangChoice::automatic(), 7), qHash(LangChoice{}, 7));
    EXPECT_EQ(qHash(LangChoice::fixed(QStringLiteral("de")), 7),
              qHash(LangChoice{QStringLiteral("de")}, 7));
    const QSet<LangChoice> choices{
        LangChoice::automatic(), LangChoice{}, LangChoice::fixed(QStringLiteral("de")),
        LangChoice::fixed(QStringLiteral("de")), LangChoice::fixed(QString())};
    EXPECT_EQ(choices.size(), 3);
}

} // namespace
