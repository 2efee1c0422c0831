#include "platform/linux/dictionaries/DictdDictionary.h"

#include "tests/platform/linux/dictionaries/DictFixtures.h"
#include "tests/support/QtPrinters.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using DictFixtures::Database;

// As dictfmt writes one: headwords lower-cased and stripped, each entry after its headword line.
const Database kMain =
    DictFixtures::dictd({{"00databaseshort", "Test English-Spanish Dictionary\n"},
                         {"00databaseutf8", "\n"},
                         {"abomb", "A-bomb\nbomba atómica\n"},
                         {"bank", "bank /bæŋk/\nbanco\n"},
                         {"bank", "bank /bæŋk/\norilla\n\n  \n"},
                         {"house", "house /haʊs/\ncasa\n"},
                         {"ice cream", "ice cream\nhelado\n"},
                         {"niño", "niño\nchild\n"},
                         {"zebra", "zebra\ncebra\n"}});
// Without a headword line, and one keeping punctuation in its headwords.
const Database kPlain =
    DictFixtures::dictd({{"house", "casa, hogar\n"}, {"household", "household\nfamilia\n"}});
const Database kAllChars = DictFixtures::dictd({{"'hood", "'hood\n  neighbourhood\n"},
                                                {"00-database-allchars", "\n"},
                                                {"a-bomb", "a-bomb\n  atom bomb\n"},
                                                {"abomb", "abomb\n  other\n"}});

class DictdDictionaryTest : public testing::Test {
protected:
    // Plain data only: dictzip reading is DictDataFileTest's, and FileDictionarySourceTest
    // looks a word up in a .dict.dz.
    DictdDictionary write(const Database& db) {
        const QString base = m_dir.filePath(QStringLiteral("test"));
        EXPECT_TRUE(DictFixtures::writeFile(base + QStringLiteral(".index"), db.index));
        EXPECT_TRUE(DictFixtures::writeFile(base + QStringLiteral(".dict"), db.data));
        return DictdDictionary(QStringLiteral("test"), base + QStringLiteral(".index"),
                               base + QStringLiteral(".dict"));
    }

    QTemporaryDir m_dir;
};

TEST_F(DictdDictionaryTest, MatchesAsDictdExactDoes) {
    // clang-format off
    const struct { const Database* db; const char* word; const char* expected; } cases[] = {
        {&kMain, "house", "casa"},       {&kMain, "  HOUSE ", "casa"},  {&kMain, "A-bomb", "bomba atómica"},
        {&kMain, "bank", "banco\n\norilla"}, // both entries in file order, trailing blanks gone
        {&kMain, "a bomb", nullptr},     {&kMain, "ice  cream", "helado"}, {&kMain, "Ice-Cream", nullptr},
        {&kMain, "NIÑO", "child"},       {&kMain, "zebra", "cebra"},    {&kMain, "aardvark", nullptr},
        {&kMain, "zzz", nullptr},        {&kMain, "", nullptr},         {&kMain, "---", nullptr},
        {&kPlain, "house", "casa, hogar"}, {&kPlain, "household", "familia"},
        {&kAllChars, "'hood", "  neighbourhood"}, {&kAllChars, "A-Bomb", "  atom bomb"},
        {&kAllChars, "abomb", "  other"}, {&kAllChars, "hood", nullptr}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(write(*c.db).define(QString::fromUtf8(c.word)),
                  c.expected ? std::optional(QString::fromUtf8(c.expected)) : std::nullopt)
            << c.word;
    EXPECT_EQ(write(kMain).name(), QStringLiteral("Test English-Spanish Dictionary"));
    EXPECT_EQ(write(kPlain).name(), QStringLiteral("test"));
}

TEST(DictdNumberTest, DecodesBase64DigitsAndRefusesOthers) {
    EXPECT_EQ(DictdDictionary::decodeNumber("x2E"), 49u * 4096 + 54u * 64 + 4u);
    EXPECT_EQ(DictdDictionary::decodeNumber("/"), 63u);
    for (const char* bad : {"", "A=", "a b", "-1", "ABCDEFGHIJK"})
        EXPECT_FALSE(DictdDictionary::decodeNumber(bad)) << bad;
}

QByteArray replaceLine(QByteArray index, const QByteArray& headword, const QByteArray& line) {
    QList<QByteArray> lines = index.split('\n');
    for (QByteArray& l : lines)
        if (l.startsWith(headword + '\t'))
            l = line;
    return lines.join('\n');
}

// Damaged databases: a damaged entry gives nothing, or what its own bytes now hold; the
// others still answer with their own text.
TEST_F(DictdDictionaryTest, DamageDropsOnlyTheDamagedEntries) {
    const QStringList allBut = {"abomb", "bank", "ice cream", "niño", "zebra"}; // all but house
    // clang-format off
    const struct { const char* label; void (*apply)(Database&); QStringList stillFound; std::pair<QString, QString> own = {}; } damages[] = {
        {"truncated index", [](Database& db) { db.index.truncate(db.index.indexOf("house") + 8); }, {"abomb", "bank"}},
        {"unsorted index", [](Database& db) { const qsizetype z = db.index.indexOf("zebra"); db.index = db.index.sliced(z) + db.index.first(z); }, {"abomb", "bank", "house", "ice cream", "niño"}}, // the one out of order is lost
        {"bad base64", [](Database& db) { db.index = replaceLine(db.index, "house", "house\t*?\tB"); }, allBut},
        {"offset past the end", [](Database& db) { db.index = replaceLine(db.index, "house", "house\tBAAAA\tB"); }, allBut},
        {"length past the end", [](Database& db) { db.index = replaceLine(db.index, "house", "house\tA\t////"); }, allBut},
        {"line without fields", [](Database& db) { db.index = replaceLine(db.index, "house", "house"); }, allBut},
        {"invalid UTF-8", [](Database& db) { db.index = replaceLine(db.index, "ice cream", "ice\xff\xfe\tA\tB"); db.data.replace("casa", "c\xc3\x28" "a"); }, {"abomb", "bank", "niño", "zebra"}, {"house", "c\uFFFD(a"}},
        {"empty index", [](Database& db) { db.index.clear(); }, {}},
        {"missing data file", [](Database& db) { db.data.clear(); }, {}}};
    // clang-format on
    const QStringList words = allBut + QStringList{"house"};
    QHash<QString, std::optional<QString>> intact;
    for (const QString& word : words)
        intact.insert(word, write(kMain).define(word));
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.label);
        Database db = kMain;
        damage.apply(db);
        const DictdDictionary dictionary = write(db);
        (void)dictionary.name();
        for (const QString& word : words)
            EXPECT_EQ(dictionary.define(word),
                      word == damage.own.first           ? std::optional(damage.own.second)
                      : damage.stillFound.contains(word) ? intact.value(word)
                                                         : std::nullopt)
                << word.toStdString();
        for (const QString& word : {QString(10000, QLatin1Char('a')), QStringLiteral("\xFFFD")})
            EXPECT_FALSE(dictionary.define(word));
    }
    const DictdDictionary gone(QStringLiteral("gone"), m_dir.filePath(QStringLiteral("no.index")),
                               m_dir.filePath(QStringLiteral("no.dict.dz")));
    EXPECT_FALSE(gone.define(QStringLiteral("house")));
    EXPECT_EQ(gone.name(), QStringLiteral("gone"));
}

} // namespace
