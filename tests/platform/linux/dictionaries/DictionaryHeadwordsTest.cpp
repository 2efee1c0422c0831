#include "platform/linux/dictionaries/DictionaryHeadwords.h"

#include "tests/platform/linux/dictionaries/DictFixtures.h"

#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

TEST(DictionaryHeadwordsNameTest, ReadsTheSideTheDictionaryTranslatesFrom) {
    const struct {
        const char* name;
        std::optional<QString> source;
    } cases[] = {{"freedict-eng-spa", "en"},
                 {"freedict-spa-eng", "es"},
                 {"deu-eng", "de"},
                 {"FreeDict-FRA-ENG", "fr"},
                 {"nob-eng", "nb"},
                 {"ast-spa", "ast"},
                 {"wn", {}},
                 {"foo-bar", {}},
                 {"eng-qqq", {}},
                 {"freedict-eng", {}},
                 {"jargon", {}},
                 {"eng-spa-extra", {}}};
    for (const auto& c : cases)
        EXPECT_EQ(DictionaryHeadwords::sourceLanguage(QString::fromUtf8(c.name)), c.source)
            << c.name;
}

TEST(DictionaryHeadwordsFoldTest, CaseFoldsAndTrimsThePunctuationAround) {
    EXPECT_EQ(DictionaryHeadwords::fold(u"(Casa),"), u"casa");
    EXPECT_EQ(DictionaryHeadwords::fold(u"\u00a1Hola!"), u"hola");
    EXPECT_EQ(DictionaryHeadwords::fold(u"\u039d\u0395\u039f"), u"\u03bd\u03b5\u03bf");
    EXPECT_EQ(DictionaryHeadwords::fold(u"\u00abNI\u00d1O\u00bb."), u"ni\u00f1o");
    EXPECT_EQ(DictionaryHeadwords::fold(u"can't"), u"can't");
    EXPECT_EQ(DictionaryHeadwords::fold(u"\U0001F600e-mail\U0001F600"), u"e-mail");
    EXPECT_EQ(DictionaryHeadwords::fold(u"--"), u"");
}

TEST(DictionaryHeadwordsReadTest, AMissingOrTruncatedIndexGivesWhatItHolds) {
    EXPECT_TRUE(
        DictionaryHeadwords::readDictdIndex(QStringLiteral("/nonexistent.index")).isEmpty());
    QTemporaryDir dir;
    ASSERT_TRUE(
        DictFixtures::writeFile(dir.filePath("d.ifo"), "StarDict's dict ifo file\nbookname=d\n"));
    ASSERT_TRUE(DictFixtures::writeFile(dir.filePath("d.idx"), QByteArray("Uno\0", 4)
                                                                   + QByteArray(8, '\0')
                                                                   + QByteArray("dos\0\1\2", 6)));
    EXPECT_EQ(DictionaryHeadwords::readStarDictIndex(dir.filePath("d.ifo")), QSet<QString>{"uno"});
}

TEST(DictionaryHeadwordsReadTest, AFifoForAnyFileGivesNothingAtOnce) {
    for (const char* name : {"d.index", "d.ifo", "d.idx"}) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        DictFixtures::writeFile(dir.filePath("d.ifo"), "StarDict's dict ifo file\nbookname=d\n");
        DictFixtures::writeFile(dir.filePath("d.idx.gz"), DictFixtures::gzipZeros(0));
        ASSERT_TRUE(DictFixtures::makeFifo(dir.filePath(name)));
        QSet<QString> words{QStringLiteral("unread")};
        EXPECT_TRUE(DictFixtures::finishesPromptly(
            [&] {
                words = QString::fromLatin1(name).endsWith(QLatin1String(".index"))
                            ? DictionaryHeadwords::readDictdIndex(dir.filePath(name))
                            : DictionaryHeadwords::readStarDictIndex(dir.filePath("d.ifo"));
            },
            {dir.filePath(name)}));
        EXPECT_TRUE(words.isEmpty());
    }
}

} // namespace
