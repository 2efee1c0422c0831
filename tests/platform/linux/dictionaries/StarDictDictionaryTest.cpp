#include "platform/linux/dictionaries/StarDictDictionary.h"

#include "tests/platform/linux/dictionaries/DictFixtures.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The source of the test dictionary, as a tab file: headword, tab, text with \n escapes.
const char kTabFile[] = "house\tcasa\\nhogar\n"
                        "House\tCasa (proper name)\n"
                        "bank\tbanco\n"
                        "apple\tmanzana\n"
                        "zebra\tcebra\n"
                        "ice cream\thelado\n"
                        "Ärger\tanger\n"
                        "niño\tchild\n"
                        "bank\torilla\n";

// Synonyms: word, headword it points at.
const QList<std::pair<QByteArray, QByteArray>> kSynonyms = {{"home", "house"}, {"shore", "bank"}};

QByteArray be32(quint32 v) {
    QByteArray out;
    for (int shift : {24, 16, 8, 0})
        out.append(char((v >> shift) & 0xff));
    return out;
}

// StarDict's order: ASCII case-insensitive, then bytewise.
bool starDictLess(const QByteArray& a, const QByteArray& b) {
    const int folded = qstricmp(a.constData(), b.constData());
    return folded != 0 ? folded < 0 : a < b;
}

struct Files {
    QByteArray ifo;
    QByteArray idx;
    QByteArray dict;
    QByteArray syn;
};

Files build(const QByteArray& sameTypeSequence, int offsetBits = 32) {
    struct Item {
        QByteArray word;
        QByteArray text;
        int order;
    };
    QList<Item> items;
    for (const QByteArray& line : QByteArray(kTabFile).split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0)
            items.append(
                {line.first(tab), line.sliced(tab + 1).replace("\\n", "\n"), int(items.size())});
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return starDictLess(a.word, b.word); });
    Files files;
    for (const Item& item : std::as_const(items)) {
        QByteArray data;
        if (sameTypeSequence == "m")
            data = item.text;
        else if (sameTypeSequence == "tm")
            data = QByteArray("/pron/") + '\0' + item.text;
        else
            data = 'm' + item.text + '\0' + 'W' + be32(3) + "wav";
        files.idx += item.word + '\0';
        if (offsetBits == 64)
            files.idx += be32(0);
        files.idx += be32(quint32(files.dict.size())) + be32(quint32(data.size()));
        files.dict += data;
    }
    QList<std::pair<QByteArray, quint32>> synonyms;
    for (const auto& [synonym, target] : kSynonyms) {
        const auto it = std::find_if(items.begin(), items.end(),
                                     [&](const Item& i) { return i.word == target; });
        synonyms.append({synonym, quint32(it - items.begin())});
    }
    std::sort(synonyms.begin(), synonyms.end(),
              [](const auto& a, const auto& b) { return starDictLess(a.first, b.first); });
    for (const auto& [synonym, index] : synonyms)
        files.syn += synonym + '\0' + be32(index);
    files.ifo = "StarDict's dict ifo file\nversion=3.0.0\nbookname=Test Spanish\nwordcount="
                + QByteArray::number(items.size())
                + "\nsynwordcount=2\nidxfilesize=" + QByteArray::number(files.idx.size()) + "\n";
    if (offsetBits == 64)
        files.ifo += "idxoffsetbits=64\n";
    if (!sameTypeSequence.isEmpty())
        files.ifo += "sametypesequence=" + sameTypeSequence + "\n";
    return files;
}

class StarDictDictionaryTest : public testing::Test {
protected:
    // Writes the files under a sub-folder and returns the .ifo path.
    QString write(const Files& files, bool compressed) {
        const QString folder = m_dir.filePath(QStringLiteral("dic/test"));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        const QString base = folder + QStringLiteral("/test");
        EXPECT_TRUE(DictFixtures::writeFile(base + QStringLiteral(".ifo"), files.ifo));
        if (!files.syn.isEmpty()) {
            EXPECT_TRUE(DictFixtures::writeFile(base + QStringLiteral(".syn"), files.syn));
        }
        if (!compressed) {
            EXPECT_TRUE(DictFixtures::writeFile(base + QStringLiteral(".idx"), files.idx));
            EXPECT_TRUE(DictFixtures::writeFile(base + QStringLiteral(".dict"), files.dict));
            return base + QStringLiteral(".ifo");
        }
        // A dictzip is also a gzip stream.
        EXPECT_TRUE(DictFixtures::writeFile(base + QStringLiteral(".idx.gz"),
                                            DictFixtures::dictzip(files.idx, 50)));
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("dictzip"));
        if (tool.isEmpty()) {
            EXPECT_TRUE(DictFixtures::writeFile(base + QStringLiteral(".dict.dz"),
                                                DictFixtures::dictzip(files.dict, 16)));
        } else {
            EXPECT_TRUE(DictFixtures::writeFile(base + QStringLiteral(".dict"), files.dict));
            EXPECT_EQ(QProcess::execute(tool, {base + QStringLiteral(".dict")}), 0);
        }
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
            const QString pron = type == "tm" ? QStringLiteral("/pron/\n") : QString();
            const QList<std::pair<QString, std::optional<QString>>> cases = {
                {QStringLiteral("APPLE"), pron + QStringLiteral("manzana")},
                // Both cases of the headword are one word; entries in file order, where
                // "House" sorts first.
                {QStringLiteral("house"), pron + QStringLiteral("Casa (proper name)\n\n") + pron
                                              + QStringLiteral("casa\nhogar")},
                {QStringLiteral("bank"),
                 pron + QStringLiteral("banco\n\n") + pron + QStringLiteral("orilla")},
                {QStringLiteral("shore"), pron + QStringLiteral("banco")},
                {QStringLiteral("Home"), pron + QStringLiteral("casa\nhogar")},
                {QStringLiteral("zebra"), pron + QStringLiteral("cebra")},
                {QStringLiteral("Ärger"), pron + QStringLiteral("anger")},
                {QStringLiteral("aardvark"), std::nullopt},
                {QStringLiteral("zzz"), std::nullopt},
                {QString(), std::nullopt},
                {QString(10000, QLatin1Char('a')), std::nullopt},
            };
            for (const auto& [word, expected] : cases)
                EXPECT_EQ(dictionary->define(word), expected) << word.left(20).toStdString();
        }
    }
    const auto wide = StarDictDictionary::fromIfo(write(build("m", 64), false));
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->define(QStringLiteral("zebra")), QStringLiteral("cebra"));
}

TEST(StarDictEntryTextTest, KeepsTextFieldsAndDropsMarkupAndResources) {
    EXPECT_EQ(StarDictDictionary::entryText(QByteArray("<b>big</b> &amp; <i>small</i>"), "h"),
              QStringLiteral("big & small"));
    EXPECT_EQ(StarDictDictionary::entryText(QByteArray("mone\0gt<i>w</i>o\0", 17), ""),
              QStringLiteral("one\ntwo"));
    EXPECT_EQ(StarDictDictionary::entryText(QByteArray("a<br>b"), "g"), QStringLiteral("a\nb"));
    // A resource whose size runs past the end stops the reading, not the program.
    EXPECT_EQ(StarDictDictionary::entryText(QByteArray("mtext\0W\0\0\xff\xff", 11), ""),
              QStringLiteral("text"));
    EXPECT_EQ(StarDictDictionary::entryText(QByteArray("Wxx"), "Wm"), QString());
}

TEST_F(StarDictDictionaryTest, DamageYieldsFewerResultsWithoutCrashing) {
    const struct {
        const char* label;
        void (*apply)(Files&);
        bool opens;
        QStringList stillFound;
    } damages[] = {
        {"ifo without bookname",
         [](Files& f) { f.ifo.replace("bookname=Test Spanish\n", ""); },
         false,
         {}},
        {"not an ifo", [](Files& f) { f.ifo = "hello\nbookname=x\n"; }, false, {}},
        {"missing dict", [](Files& f) { f.dict = QByteArray(); }, false, {}},
        {"truncated idx",
         [](Files& f) { f.idx.truncate(f.idx.indexOf("house") + 8); },
         true,
         {"apple", "bank"}},
        {"unsorted idx",
         [](Files& f) {
             const qsizetype zebra = f.idx.indexOf("zebra");
             f.idx = f.idx.sliced(zebra) + f.idx.first(zebra);
         },
         true,
         {}},
        {"offsets past the end",
         [](Files& f) { f.idx.replace(f.idx.indexOf("zebra") + 6, 4, be32(0x7fffffff)); },
         true,
         {"apple", "bank", "house"}},
        {"size past the end",
         [](Files& f) { f.idx.replace(f.idx.indexOf("zebra") + 10, 4, be32(0xffffffff)); },
         true,
         {"apple", "bank", "house"}},
        {"synonym pointing nowhere",
         [](Files& f) { f.syn.replace(f.syn.indexOf("home") + 5, 4, be32(5000)); },
         true,
         {"apple", "house"}},
        {"truncated synonyms", [](Files& f) { f.syn.chop(3); }, true, {"apple", "house"}},
        {"invalid UTF-8",
         [](Files& f) {
             f.idx.replace("apple", "app\xff\xfe");
             f.dict.replace("cebra", "ce\xc3\x28"
                                     "a");
         },
         true,
         {"bank", "zebra"}},
        {"empty idx", [](Files& f) { f.idx.clear(); }, true, {}}};
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.label);
        Files files = build("m");
        damage.apply(files);
        const QString ifo = write(files, false);
        if (files.dict.isNull())
            QFile::remove(QFileInfo(ifo).path() + QStringLiteral("/test.dict"));
        const auto dictionary = StarDictDictionary::fromIfo(ifo);
        ASSERT_EQ(dictionary != nullptr, damage.opens);
        for (const QString& word : damage.stillFound)
            EXPECT_TRUE(dictionary->define(word)) << word.toStdString();
        if (dictionary)
            (void)dictionary->define(QStringLiteral("home"));
    }
}

} // namespace
