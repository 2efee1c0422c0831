#include "core/InputPieces.h"

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
        {"CombiningAccents", "e\u0301e\u0301\u0323x", 3, "e\u0301", "e\u0301e\u0301\u0323"},
        {"CrLfIsOne", "a\r\nb", 3, "a", "a\r\n"},
        // Qt cuts such a text after every code unit; a pair stays whole all the same.
        {"PairBeforeAKhmerMark", "\U0001F468\u17d1x", 3, "\U0001F468", "\U0001F468\u17d1"},
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

struct Case {
    const char* name;
    QString text;
    qsizetype limit;
    QStringList pieces;
};

TEST(InputPiecesTest, CutsAfterLineEndsThenWhiteSpaceThenAnywhere) {
    const QString flag = QStringLiteral("\U0001F1EA\U0001F1F8"); // one character, four units
    const Case cases[] = {
        {"fits", "one\ntwo\n", 8, {"one\ntwo\n"}},
        {"empty", "", 5, {""}},
        {"after the last line end that fits", "ab\ncd\nef\n", 7, {"ab\ncd\n", "ef\n"}},
        {"blank lines stay with their piece", "ab\n\n\ncd", 5, {"ab\n\n\n", "cd"}},
        {"a long line at white space", "aaa bbb ccc", 5, {"aaa ", "bbb ", "ccc"}},
        {"a word longer than a piece", "abcdefgh", 3, {"abc", "def", "gh"}},
        {"never inside a character", flag + flag + flag, 2, {flag + flag, flag}},
        // Qt cuts after every code unit here; found by fuzzing.
        {"never inside a pair",
         QStringLiteral("\U0001F468\u200D\x01\u17D1\uFFFD"),
         2,
         {QStringLiteral("\U0001F468\u200D"), QStringLiteral("\x01\u17D1"),
          QStringLiteral("\uFFFD")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList pieces = InputPieces::split(c.text, c.limit);
        EXPECT_EQ(pieces, c.pieces);
        EXPECT_EQ(pieces.join(QString()), c.text);
        for (const QString& piece : pieces)
            EXPECT_LE(Graphemes::count(piece), c.limit);
    }
}

TEST(InputPiecesTest, ALongFileKeepsEveryLine) {
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("Line number %1 of the file.\n").arg(i);
    const QStringList pieces = InputPieces::split(text, 20000);
    ASSERT_GT(pieces.size(), 3);
    EXPECT_EQ(pieces.join(QString()), text);
    for (const QString& piece : pieces)
        EXPECT_TRUE(piece.endsWith(QLatin1Char('\n')));
}

} // namespace
