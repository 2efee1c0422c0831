#include "platform/linux/detection/LtProcAnalyser.h"

#include "tests/platform/linux/detection/LexiconFakes.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/ScopedEnvironment.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace {

const QString kEnglish =
    QStringLiteral("/usr/share/apertium/apertium-eng-spa/eng-spa.automorf.bin");

// Long enough for lt-proc to load on a busy machine; tests never wait for it to pass.
QDeadlineTimer generous() {
    return QDeadlineTimer(20s);
}

bool haveEnglishAnalyser() {
    return hasProgram(QStringLiteral("lt-proc")) && QFileInfo::exists(kEnglish);
}

TEST(LtProcAnalyserAnswerTest, JudgesEveryUnitHoldingALetter) {
    const struct {
        const char* name;
        const char16_t* answer;
        bool known;
    } cases[] = {
        // clang-format off
        {"analysed", u"^house/house<n><sg>/house<vblex><inf>$ ", true},
        {"unknown", u"^xyzzy/*xyzzy$ ", false},
        {"punctuation does not count", u"^hello/hello<ij>$^,/,<cm>$ ", true},
        {"one unknown part spoils the token", u"^U/*U$^./.<sent>$^S.A./S.A.<n><acr>$ ", false},
        {"an unknown number does not count", u"^42/*42$ ", true},
        {"symbol outside units", u"\U0001F600^x/x<n>$ ", true},
        {"letters outside units", u"\u5317\u4eac ", false},
        {"escaped letter outside units", u"\\q^x/x<n>$ ", false},
        {"escaped symbols around units", u"\\^^b\\@c/b\\@c<web>$\\{ ", true},
        {"escaped slash in the surface", u"^a\\/b/*a\\/b$ ", false},
        {"escaped star is an analysis", u"^a/\\*a<n>$ ", true},
        {"escaped dollar in the surface", u"^\\$/\\$<mon>$^d/*d$ ", false},
        {"unit without analysis", u"^abc$ ", false},
        {"unterminated unit", u"^abc/*abc", false},
        {"empty", u"", true},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(LtProcAnalyser::answerKnows(QStringView(c.answer)), c.known) << c.name;
}

TEST(LtProcAnalyserRequestTest, EscapesEveryReservedCharacterAndEndsWithBlankAndNul) {
    EXPECT_EQ(LtProcAnalyser::request(QStringLiteral("a\\b[c]d^e$f/g<h>i@j{k}l")),
              QByteArray("a\\\\b\\[c\\]d\\^e\\$f\\/g\\<h\\>i\\@j\\{k\\}l \0", 36));
    // A NUL inside a token would end its request early and shift every later answer.
    EXPECT_EQ(LtProcAnalyser::request(QString::fromUtf16(u"ca\0sa", 5)), QByteArray("casa \0", 6));
    EXPECT_EQ(LtProcAnalyser::request(QStringLiteral("ni\u00f1o")),
              QByteArray("ni\xc3\xb1o \0", 7));
}

TEST(LtProcAnalyserLetterTest, CountsLettersOfEveryScriptAndPlane) {
    EXPECT_TRUE(LtProcAnalyser::hasLetter(u"3rd"));
    EXPECT_TRUE(LtProcAnalyser::hasLetter(u"\u00df"));
    EXPECT_TRUE(LtProcAnalyser::hasLetter(u"\U0001D400")); // mathematical bold A
    EXPECT_FALSE(LtProcAnalyser::hasLetter(u"42,-\u2014"));
    EXPECT_FALSE(LtProcAnalyser::hasLetter(u"\U0001F600"));
}

class RealAnalyserTest : public testing::Test {
protected:
    void SetUp() override {
        if (!haveEnglishAnalyser())
            GTEST_SKIP() << "lt-proc or the English analyser of apertium-eng-spa is missing";
    }
};

TEST_F(RealAnalyserTest, KnowsWordsOfItsLanguageWhateverTheirCase) {
    LtProcAnalyser analyser(kEnglish);
    const QStringList tokens = {"house",      "HOUSE", "House", "xyzzy",  "can't",       "e-mail",
                                "well-known", "42",    "3rd",   "hello,", "xyzzy-house", "U.S.A."};
    const std::optional<QList<bool>> known = analyser.knowsAll(tokens, generous());
    ASSERT_TRUE(known.has_value());
    EXPECT_THAT(*known, testing::ElementsAre(true, true, true, false, true, true, true, true, true,
                                             true, false, false));
}

TEST_F(RealAnalyserTest, AKilledAnalyserIsStartedAgainOnTheNextRequest) {
    LtProcAnalyser analyser(kEnglish);
    ASSERT_EQ(analyser.knows(QStringLiteral("house"), generous()), true);
    const std::optional<pid_t> first = analyser.pid();
    ASSERT_TRUE(first.has_value());
    ::kill(*first, SIGKILL);
    EXPECT_EQ(analyser.knows(QStringLiteral("house"), generous()), true);
    EXPECT_EQ(analyser.starts(), 2);
    EXPECT_NE(analyser.pid(), first);
}

TEST_F(RealAnalyserTest, TokensWithoutLettersOrTooLongAreAnsweredWithoutAsking) {
    LtProcAnalyser analyser(kEnglish);
    const QString tooLong(LtProcAnalyser::kMaxTokenLength + 1, u'a');
    EXPECT_EQ(analyser.knowsAll({"42", "--", tooLong}, QDeadlineTimer(0)),
              QList<bool>({true, true, false}));
    EXPECT_FALSE(analyser.isRunning());
}

TEST(FakeAnalyserTest, AProgramThatExitsIsRetriedOnlyAFewTimesPerPeriod) {
    QTemporaryDir dir;
    LtProcAnalyser::Options options;
    options.program = LexiconFakes::exiting(dir);
    options.maxStarts = 2;
    options.startPeriod = 1h;
    LtProcAnalyser analyser(QStringLiteral("/nonexistent.automorf.bin"), options);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(analyser.knows(QStringLiteral("house"), generous()), std::nullopt);
    EXPECT_EQ(analyser.starts(), 2);
}

TEST(FakeAnalyserTest, AMissingProgramGivesNoAnswer) {
    LtProcAnalyser::Options options;
    options.program = QStringLiteral("/nonexistent/lt-proc");
    LtProcAnalyser analyser(kEnglish, options);
    EXPECT_EQ(analyser.knows(QStringLiteral("house"), generous()), std::nullopt);
    EXPECT_FALSE(analyser.isRunning());
}

TEST(FakeAnalyserTest, AHangingProgramTimesOutAndIsReplacedOnceItStalls) {
    QTemporaryDir dir;
    LtProcAnalyser::Options options;
    options.program = LexiconFakes::hanging(dir);
    options.stallTimeout = 0ms;
    LtProcAnalyser analyser(QStringLiteral("/nonexistent.automorf.bin"), options);
    EXPECT_EQ(analyser.knows(QStringLiteral("house"), QDeadlineTimer(30ms)), std::nullopt);
    const std::optional<pid_t> first = analyser.pid();
    EXPECT_TRUE(first.has_value());
    EXPECT_EQ(analyser.knows(QStringLiteral("house"), QDeadlineTimer(30ms)), std::nullopt);
    EXPECT_EQ(analyser.starts(), 2);
    EXPECT_NE(analyser.pid(), first);
}

TEST(FakeAnalyserTest, LateAnswersAreDroppedWhileTheProcessIsKept) {
    QTemporaryDir dir;
    LtProcAnalyser::Options options;
    options.program = LexiconFakes::gated(dir);
    options.stallTimeout = 1h;
    LtProcAnalyser analyser(QStringLiteral("/nonexistent.automorf.bin"), options);
    EXPECT_EQ(analyser.knowsAll({"kite", "kilo"}, QDeadlineTimer(30ms)), std::nullopt);
    LexiconFakes::openGate(dir);
    // The owed "known" answers come first and must not be read as these.
    EXPECT_EQ(analyser.knows(QStringLiteral("unknown"), generous()), false);
    EXPECT_EQ(analyser.knowsAll({"kind", "zero"}, generous()), QList<bool>({true, false}));
    EXPECT_EQ(analyser.starts(), 1);
}

TEST(FakeAnalyserTest, AnIdleAnalyserStopsOnlyWhenUnusedSinceTheCutoff) {
    QTemporaryDir dir;
    LexiconFakes::openGate(dir);
    LtProcAnalyser::Options options;
    options.program = LexiconFakes::gated(dir);
    LtProcAnalyser analyser(QStringLiteral("/nonexistent.automorf.bin"), options);
    ASSERT_EQ(analyser.knows(QStringLiteral("kin"), generous()), true);
    EXPECT_FALSE(analyser.stopIfUnusedSince(analyser.lastUsed()));
    EXPECT_TRUE(analyser.isRunning());
    EXPECT_TRUE(analyser.stopIfUnusedSince(analyser.lastUsed() + 1ns));
    EXPECT_FALSE(analyser.isRunning());
    EXPECT_EQ(analyser.knows(QStringLiteral("kin"), generous()), true);
}

TEST_F(RealAnalyserTest, AnalysesWhenTheUsersLocaleWasNeverGenerated) {
    ScopedEnvironment environment;
    environment.setMissingLocale();
    LtProcAnalyser analyser(kEnglish);
    EXPECT_EQ(analyser.knowsAll({"café", "naïve", "xyzzy"}, generous()),
              QList<bool>({true, true, false}));
}

} // namespace
