#include "platform/linux/dictionaries/StarDictDictionary.h"

#include "tests/platform/linux/dictionaries/DictFixtures.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Headword, text; then the synonyms: word, headword it points at.
const QList<std::pair<QByteArray, QByteArray>> kEntries = {
    {"house", "casa\nhogar"}, {"House", "Casa (proper name)"},
    {"bank", "banco"},        {"apple", "manzana"},
    {"zebra", "cebra"},       {"ice cream", "helado"},
    {"Ärger", "anger"},       {"niño", "child"},
    {"bank", "orilla"}};
const QList<std::pair<QByteArray, QByteArray>> kSynonyms = {{"home", "house"}, {"shore", "bank"}};

QByteArray be32(quint32 v) {
    const char bytes[] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

// StarDict's order: ASCII case-insensitive, then bytewise.
bool starDictLess(const QByteArray& a, const QByteArray& b) {
    const int folded = qstricmp(a.constData(), b.constData());
    return folded != 0 ? folded < 0 : a < b;
}

struct Files {
    QByteArray ifo, idx, dict, syn;
};

Files build(const QByteArray& sameTypeSequence, int offsetBits = 32) {
    auto items = kEntries;
    std::stable_sort(items.begin(), items.end(),
                     [](auto& a, auto& b) { return starDictLess(a.first, b.first); });
    Files files;
    for (const auto& [word, text] : std::as_const(items)) {
        const QByteArray data = sameTypeSequence == "m" ? text
                                : sameTypeSequence == "tm"
                                    ? "/pron/" + QByteArray(1, '\0') + text
                                    : 'm' + text + '\0' + 'W' + be32(3) + "wav";
        files.idx += word + '\0' + (offsetBits == 64 ? be32(0) : QByteArray())
                     + be32(quint32(files.dict.size())) + be32(quint32(data.size()));
        files.dict += data;
    }
    QList<std::pair<QByteArray, quint32>> synonyms;
    for (const auto& [synonym, target] : kSynonyms)
        synonyms.append({synonym, quint32(std::find_if(items.begin(), items.end(),
                                                       [&](auto& i) { return i.first == target; })
                                          - items.begin())});
    std::sort(synonyms.begin(), synonyms.end(),
              [](auto& a, auto& b) { return starDictLess(a.first, b.first); });
    for (const auto& [synonym, index] : synonyms)
        files.syn += synonym + '\0' + be32(index);
    files.ifo = "StarDict's dict ifo file\nversion=3.0.0\nbookname=Test Spanish\nwordcount="
                + QByteArray::number(items.size())
                + "\nsynwordcount=2\nidxfilesize=" + QByteArray::number(files.idx.size()) + "\n"
                + (offsetBits == 64 ? "idxoffsetbits=64\n" : "")
                + (sameTypeSequence.isEmpty() ? QByteArray()
                                              : "sametypesequence=" + sameTypeSequence + "\n");
    return files;
}

class StarDictDictionaryTest : public testing::Test {
protected:
    // Writes the files (dictzip being also gzip) and returns the .ifo path; a null dict is left
    // out.
    QString write(const Files& files, bool compressed = false) {
        const QString folder = m_dir.filePath(QStringLiteral("dic/test"));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        const QString base = folder + QStringLiteral("/test");
        DictFixtures::writeFile(base + QStringLiteral(".ifo"), files.ifo);
        DictFixtures::writeFile(base + QStringLiteral(".syn"), files.syn);
        DictFixtures::writeFile(
            base + (compressed ? QStringLiteral(".idx.gz") : QStringLiteral(".idx")),
            compressed ? DictFixtures::dictzip(files.idx, 50) : files.idx);
        if (!files.dict.isNull())
            DictFixtures::writeFile(
                base + (compressed ? QStringLiteral(".dict.dz") : QStringLiteral(".dict")),
                compressed ? DictFixtures::dictzip(files.dict, 16) : files.dict);
        return base + QStringLiteral(".ifo");
    }

    QTemporaryDir m_dir;
};

TEST_F(StarDictDictionaryTest, LooksWordsUpInEveryLayout) {
    for (const bool compressed : {false, true}) {
        for (const QByteArray type : {"m", "", "tm"}) {
            SCOPED_TRACE(testing::Message() << compressed << "/" << type.constData());
            const auto dictionary = StarDictDictionary::fromIfo(write(build(type), compressed));
            ASSERT_TRUE(dictionary);
            EXPECT_EQ(dictionary->name(), QStringLiteral("Test Spanish"));
            const QString p = type == "tm" ? QStringLiteral("/pron/\n") : QString();
            // clang-format off
            const QList<std::pair<QString, std::optional<QString>>> cases = {
                {"APPLE", p + "manzana"}, {"zebra", p + "cebra"}, {"Ärger", p + "anger"},
                {"house", p + "Casa (proper name)\n\n" + p + "casa\nhogar"}, // both cases, file order
                {"bank", p + "banco\n\n" + p + "orilla"}, {"shore", p + "banco"}, {"Home", p + "casa\nhogar"},
                {"aardvark", std::nullopt}, {"zzz", std::nullopt}, {"", std::nullopt},
                {QString(10000, QLatin1Char('a')), std::nullopt}};
            // clang-format on
            for (const auto& [word, expected] : cases)
                EXPECT_EQ(dictionary->define(word), expected) << word.left(20).toStdString();
        }
    }
    const auto wide = StarDictDictionary::fromIfo(write(build("m", 64)));
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->define(QStringLiteral("zebra")), QStringLiteral("cebra"));
}

TEST(StarDictEntryTextTest, KeepsTextFieldsAndDropsMarkupAndResources) {
    // clang-format off
    const struct { QByteArray data; QByteArray types; QString text; } cases[] = {
        {"<b>big</b> &amp; <i>small</i>", "h", "big & small"},
        {QByteArray("mone\0gt<i>w</i>o\0", 17), "", "one\ntwo"},
        {"a<br>b", "g", "a\nb"},
        {QByteArray("mtext\0W\0\0\xff\xff", 11), "", "text"}, // resource size past the end
        {"Wxx", "Wm", ""}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(StarDictDictionary::entryText(c.data, c.types), c.text) << c.data.constData();
}

// A damaged entry gives nothing, or what its own bytes now hold; the others still answer
// with their own text.
TEST_F(StarDictDictionaryTest, DamageDropsOnlyTheDamagedEntries) {
    const QStringList all = {"apple", "bank", "house", "zebra", "home", "shore", "niño"};
    // clang-format off
    const struct { const char* label; void (*apply)(Files&); bool opens; QStringList stillFound; std::pair<QString, QString> own = {}; } damages[] = {
        {"ifo without bookname", [](Files& f) { f.ifo.replace("bookname=Test Spanish\n", ""); }, false, {}},
        {"not an ifo", [](Files& f) { f.ifo = "hello\nbookname=x\n"; }, false, {}},
        {"missing dict", [](Files& f) { f.dict = QByteArray(); }, false, {}},
        // "House" comes before "house" and stays whole.
        {"truncated idx", [](Files& f) { f.idx.truncate(f.idx.indexOf("house") + 8); }, true, {"apple", "bank", "shore"}, {"house", "Casa (proper name)"}},
        // The synonyms name entries by their place, which the move changed: left out here.
        {"unsorted idx", [](Files& f) { const qsizetype z = f.idx.indexOf("zebra"); f.idx = f.idx.sliced(z) + f.idx.first(z); f.syn.clear(); }, true, {"bank", "house", "niño"}},
        {"offsets past the end", [](Files& f) { f.idx.replace(f.idx.indexOf("zebra") + 6, 4, be32(0x7fffffff)); }, true, {"apple", "bank", "house", "home", "shore", "niño"}},
        {"size past the end", [](Files& f) { f.idx.replace(f.idx.indexOf("zebra") + 10, 4, be32(0xffffffff)); }, true, {"apple", "bank", "house", "home", "shore", "niño"}},
        {"synonym pointing nowhere", [](Files& f) { f.syn.replace(f.syn.indexOf("home") + 5, 4, be32(5000)); }, true, {"apple", "bank", "house", "zebra", "shore", "niño"}},
        {"truncated synonyms", [](Files& f) { f.syn.chop(3); }, true, {"apple", "bank", "house", "zebra", "home", "niño"}},
        {"invalid UTF-8", [](Files& f) { f.idx.replace("apple", "app\xff\xfe"); f.dict.replace("cebra", "ce\xc3\x28" "a"); }, true, {"bank", "house", "home", "shore", "niño"}, {"zebra", "ce\uFFFD(a"}},
        {"empty idx", [](Files& f) { f.idx.clear(); }, true, {}}};
    // clang-format on
    QHash<QString, std::optional<QString>> intact;
    {
        const auto dictionary = StarDictDictionary::fromIfo(write(build("m")));
        for (const QString& word : all)
            intact.insert(word, dictionary->define(word));
    }
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.label);
        Files files = build("m");
        damage.apply(files);
        const auto dictionary = StarDictDictionary::fromIfo(write(files));
        ASSERT_EQ(dictionary != nullptr, damage.opens);
        for (const QString& word : dictionary ? all : QStringList())
            EXPECT_EQ(dictionary->define(word),
                      word == damage.own.first           ? std::optional(damage.own.second)
                      : damage.stillFound.contains(word) ? intact.value(word)
                                                         : std::nullopt)
                << word.toStdString();
    }
}

} // namespace
