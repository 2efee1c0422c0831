#include "core/Graphemes.h"

#include <gtest/gtest.h>

namespace {

TEST(Graphemes, CountsAndCutsWholeClusters) {
    const struct {
        const char* name;
        const char* text;
        qsizetype count;
        // The text of the first one and first two clusters.
        const char* first;
        const char* firstTwo;
    } cases[] = {
        // clang-format off
        {"Empty", "", 0, "", ""},
        {"Ascii", "abc", 3, "a", "ab"},
        {"Flags", "🇩🇪🇫🇷🇮🇹", 3, "🇩🇪", "🇩🇪🇫🇷"},
        {"CombiningAccents", "e\u0301e\u0301\u0323x", 3, "e\u0301", "e\u0301e\u0301\u0323"},
        {"ZwjWithSkinTone", "👩🏽‍💻👩🏽‍💻!", 3, "👩🏽‍💻", "👩🏽‍💻👩🏽‍💻"},
        {"HangulJamo", "\u1100\u1161\u11A8\u1100\u1161\u1112", 3, "\u1100\u1161\u11A8", "\u1100\u1161\u11A8\u1100\u1161"},
        {"CrLfIsOne", "a\r\nb", 3, "a", "a\r\n"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(Graphemes::count(text), c.count);
        EXPECT_EQ(Graphemes::left(text, 1), QString::fromUtf8(c.first));
        EXPECT_EQ(Graphemes::left(text, 2), QString::fromUtf8(c.firstTwo));
        EXPECT_EQ(Graphemes::left(text, c.count), text);
        EXPECT_EQ(Graphemes::left(text, c.count + 1), text);
        EXPECT_EQ(Graphemes::left(text, 0), QString());
        EXPECT_EQ(Graphemes::left(text, -1), QString());
    }
}

} // namespace
