#include "platform/linux/detection/ApertiumLexicons.h"

#include "tests/support/ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::Optional;

namespace {

const QString kModes = QStringLiteral("/usr/share/apertium/modes");
const QString kDictd = QStringLiteral("/usr/share/dictd");

QDeadlineTimer generous() {
    return QDeadlineTimer(20s);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Only the given folders: nothing of the user's or the system's own.
ApertiumLexicons::Options onlyFolders(QStringList modes, QStringList dictd,
                                      QStringList starDict = {}) {
    ApertiumLexicons::Options options;
    options.modeFolders = std::move(modes);
    options.dictionaryFolders = {std::move(dictd), std::move(starDict), QString()};
    return options;
}

bool haveEnglishAndSpanish() {
    return hasProgram(QStringLiteral("lt-proc"))
           && QFileInfo::exists(kModes + QStringLiteral("/eng-spa.mode"))
           && QFileInfo::exists(kModes + QStringLiteral("/spa-eng.mode"))
           && QFileInfo::exists(kDictd + QStringLiteral("/freedict-eng-spa.index"))
           && QFileInfo::exists(kDictd + QStringLiteral("/freedict-spa-eng.index"));
}

class InstalledLexiconsTest : public testing::Test {
protected:
    void SetUp() override {
        if (!haveEnglishAndSpanish())
            GTEST_SKIP() << "apertium-eng-spa, lt-proc or the FreeDict eng-spa pair is missing";
    }
};

TEST_F(InstalledLexiconsTest, FindsEachLanguagesAnalyserAndHeadwordsAndCountsKnownTokens) {
    ApertiumLexicons lexicons(onlyFolders({kModes}, {kDictd}));
    EXPECT_THAT(lexicons.languages(), testing::IsSupersetOf({"en", "es"}));
    ASSERT_NE(lexicons.analyser("en"), nullptr);
    EXPECT_TRUE(lexicons.analyser("en")->analyserFile().endsWith("/eng-spa.automorf.bin"));
    ASSERT_NE(lexicons.analyser("es"), nullptr);
    EXPECT_THAT(lexicons.analyser("es")->analyserFile().toStdString(),
                testing::MatchesRegex(".*/spa-[a-z]+\\.automorf\\.bin"));
    EXPECT_THAT(lexicons.headwordFiles("en"), ElementsAre(kDictd + "/freedict-eng-spa.index"));
    EXPECT_THAT(lexicons.headwordFiles("es"), ElementsAre(kDictd + "/freedict-spa-eng.index"));
    // Codes arrive in any spelling of the language.
    EXPECT_TRUE(lexicons.hasLexicon("en-US"));
    EXPECT_TRUE(lexicons.hasLexicon("ES"));
    EXPECT_FALSE(lexicons.hasLexicon("de"));
    EXPECT_EQ(lexicons.knownShare("de", {"Haus"}, generous()), std::nullopt);
    EXPECT_THAT(lexicons.knownShare("en", {"the", "casa", "roja", "grande"}, generous()),
                Optional(0.25));
    EXPECT_THAT(lexicons.knownShare("en", {"42", "\u2014"}, generous()), Optional(1.0));
    EXPECT_EQ(lexicons.knownShare("en", {}, generous()), std::nullopt);
}

TEST_F(InstalledLexiconsTest, AFreeDictHeadwordIsKnownWithoutTheAnalyser) {
    // "abastacimiento" (sic) is in the Spanish-English dictionary but no Spanish analyser.
    ApertiumLexicons::Options options = onlyFolders({kModes}, {kDictd});
    options.analyser.program = QStringLiteral("/nonexistent/lt-proc");
    ApertiumLexicons lexicons(options);
    EXPECT_THAT(lexicons.knownShare("es", {"Abastacimiento", "(abeja),"}, generous()),
                Optional(1.0));
    // Other words need the analyser, which cannot run: no evidence rather than half of it.
    EXPECT_EQ(lexicons.knownShare("es", {"abeja", "qzxvw"}, generous()), std::nullopt);
}

TEST_F(InstalledLexiconsTest, IdleAnalysersCloseAfterTheTimeOut) {
    ApertiumLexicons::Options options = onlyFolders({kModes}, {});
    options.idleTimeout = 0ms;
    ApertiumLexicons lexicons(options);
    ASSERT_TRUE(lexicons.prepare({"en", "es"}, generous()));
    EXPECT_TRUE(lexicons.analyser("es")->isRunning());
    // A use of English closes the idle Spanish analyser, never the one in use.
    EXPECT_THAT(lexicons.knownShare("en", {"house"}, generous()), Optional(1.0));
    EXPECT_TRUE(lexicons.analyser("en")->isRunning());
    EXPECT_FALSE(lexicons.analyser("es")->isRunning());
    lexicons.closeIdle();
    EXPECT_FALSE(lexicons.analyser("en")->isRunning());

    ApertiumLexicons kept(onlyFolders({kModes}, {}));
    ASSERT_TRUE(kept.prepare({"en"}, generous()));
    kept.closeIdle();
    EXPECT_TRUE(kept.analyser("en")->isRunning());
}

TEST(HeadwordLexiconsTest, ReadsFreeDictNamedDictdAndStarDictFilesOnly) {
    QTemporaryDir dir;
    const QString dictd = dir.filePath("dictd");
    writeFile(dictd + "/freedict-deu-eng.index",
              "00databaseinfo\tA\tB\n00-database-short\tA\tB\nHaus\tA\tB\nAuto\tC\tD\n"
              "guten Tag\tE\tF\n\xc3\x84rger\tG\tH\n");
    writeFile(dictd + "/freedict-deu-eng.dict", "");
    writeFile(dictd + "/wn.index", "house\tA\tB\n");
    writeFile(dictd + "/foo-bar.index", "house\tA\tB\n");

    const QString starDict = dir.filePath("stardict");
    const QString ifo = starDict + "/freedict-fra-eng/dictionary.ifo";
    writeFile(ifo, "StarDict's dict ifo file\nversion=3.0.0\nbookname=fra-eng\n"
                   "idxoffsetbits=64\n");
    QByteArray idx;
    for (const char* word : {"Maison", "chat", "pomme de terre"})
        idx += QByteArray(word) + '\0' + QByteArray(12, '\x01');
    writeFile(starDict + "/freedict-fra-eng/dictionary.idx", idx);
    writeFile(starDict + "/freedict-fra-eng/dictionary.dict", "");

    ApertiumLexicons lexicons(onlyFolders({}, {dictd}, {starDict}));
    EXPECT_THAT(lexicons.languages(), ElementsAre("de", "fr"));
    EXPECT_EQ(lexicons.analyser("de"), nullptr);
    EXPECT_THAT(lexicons.known("de", {"haus", "\"Auto\",", "\xc3\xa4rger", "Tag", "00databaseinfo"},
                               generous()),
                Optional(ElementsAre(true, true, true, false, false)));
    EXPECT_THAT(lexicons.knownShare("fr", {"MAISON", "chat", "pomme"}, QDeadlineTimer(0)),
                Optional(2.0 / 3.0));
    EXPECT_EQ(lexicons.knownShare("en", {"house"}, generous()), std::nullopt);
}

} // namespace
