#include "core/LangChoice.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

// Automatic is no code at all, which an empty fixed code must not be taken for.
TEST(LangChoiceTest, EqualChoicesHashEquallyAndCodesAreKeptAsGiven) {
    EXPECT_FALSE(LangChoice::fixed(QString()).isAutomatic());
    EXPECT_EQ(LangChoice::fixed(QStringLiteral("EN-us")).code, QStringLiteral("EN-us"));
    const QSet<LangChoice> choices{LangChoice::automatic(), LangChoice{},
                                   LangChoice::fixed(QStringLiteral("de")),
                                   LangChoice{QStringLiteral("de")}, LangChoice::fixed(QString())};
    EXPECT_EQ(choices.size(), 3);
}

} // namespace
