#include "platform/linux/detection/LexiconRecognizer.h"

#include "core/LanguageDefaults.h"
#include "core/LanguageDetector.h"
#include "platform/linux/detection/ApertiumLexicons.h"
#include "platform/linux/detection/Cld2Recognizer.h"
#include "platform/linux/detection/LtProcAnalyser.h"
#include "tests/support/ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using testing::ElementsAre;
using testing::Optional;
using Reading = Cld2Recognizer::Reading;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const QString germanParagraph = QStringLiteral(
    "Die Stadtverwaltung hat am Montag beschlossen, die Öffnungszeiten der Bibliothek im "
    "kommenden Jahr deutlich zu verlängern, weil immer mehr Studierende abends dort arbeiten "
    "möchten und die bisherigen Räume dafür nicht ausreichen.");

QHash<QString, double> detectorHints(const QString& my, const QString& second) {
    QHash<QString, double> hints;
    for (const QString& code : LanguageDefaults::knownLanguageCodes())
        hints.insert(code, 0.02);
    hints.insert(my, 0.3);
    hints.insert(second, 0.3);
    return Cld2Recognizer::usableWeights(hints);
}

QList<LanguageHypothesis> hypothesesOf(LanguageRecognizer&& recognizer, const QString& text,
                                       const QHash<QString, double>& hints, int maximum = 5) {
    recognizer.setLanguageHints(hints);
    recognizer.processString(text);
    return recognizer.languageHypotheses(maximum);
}

// Sorted, each at most the one before, summing to at most one; the first names `first` with at
// least `atLeast` ("": any); nullptr: there is none.
void expectFirst(const QList<LanguageHypothesis>& result, const char* first, double atLeast) {
    ASSERT_EQ(result.isEmpty(), !first);
    double sum = 0.0, previous = 1.0;
    for (const LanguageHypothesis& h : result) {
        EXPECT_GE(h.probability, 0.0) << h.identifier.toStdString();
        EXPECT_LE(h.probability, previous) << h.identifier.toStdString();
        previous = h.probability;
        sum += h.probability;
    }
    EXPECT_LE(sum, 1.0 + 1e-9);
    if (!result.isEmpty()) {
        EXPECT_GE(result.first().probability, atLeast);
        EXPECT_TRUE(!*first || result.first().identifier == QString::fromLatin1(first))
            << result.first().identifier.toStdString();
    }
}

TEST(Cld2RecognizerCodes, MapsCld2sCodesToOursAndKeepsUsableWeights) {
    // clang-format off
    const std::pair<const char*, const char*> codes[] = {
        {"en", "en"}, {"iw", "he"}, {"no", "nb"}, {"zh-Hant", "zh"}, {"sr-ME", "sr"},
        {"haw", "haw"}, {"un", ""}, {"xx-Latn", ""}, {"tlh", ""}, {"", ""}};
    // Two spellings of one language ("iw", "he") keep the larger weight.
    const QHash<QString, double> usable = Cld2Recognizer::usableWeights({
        {u"en-US"_s, 0.3}, {u"iw"_s, 0.2}, {u"he"_s, 0.02}, {u"no"_s, 0.1}, {u"de"_s, 0.0},
        {u"fr"_s, -1.0}, {u"it"_s, kNaN}, {u"pt"_s, std::numeric_limits<double>::infinity()},
        {u"qq"_s, 0.5}, {u""_s, 0.5}});
    // clang-format on
    for (const auto& [cld2, ours] : codes)
        EXPECT_EQ(Cld2Recognizer::codeForCld2(QString::fromLatin1(cld2)), QString::fromLatin1(ours))
            << cld2;
    EXPECT_EQ(usable, (QHash<QString, double>{{u"en"_s, 0.3}, {u"he"_s, 0.2}, {u"nb"_s, 0.1}}));
}

// A whole text for one language without hints scores the measured accuracy of its class, and
// each class border crossed, by bytes or by best-effort score, raises the trust.
TEST(Cld2RecognizerModel, AWholeTextScoresTheAccuracyOfItsClass) {
    const std::pair<bool, QList<int>> modes[] = {{false, {4, 5, 12, 13, 256, 257}},
                                                 {true, {200, 201, 3000, 3001}}};
    for (const auto& [bestEffort, measures] : modes) {
        double previous = 0.0;
        for (const int measure : measures) {
            const Reading reading{bestEffort, measure, double(measure), {{u"de"_s, 1.0}}};
            const QList<LanguageHypothesis> result = Cld2Recognizer::hypotheses(reading, {});
            ASSERT_EQ(result.size(), 1);
            const int cls = Cld2Recognizer::confidenceClass(reading);
            EXPECT_EQ(Cld2Recognizer::confidenceClassLabel(cls).startsWith(u"best"), bestEffort);
            EXPECT_NEAR(result.first().probability, Cld2Recognizer::accuracy(cls), 1e-9);
            EXPECT_GT(result.first().probability, previous) << measure;
            previous = result.first().probability;
        }
    }
    for (const int outside : {-1, Cld2Recognizer::confidenceClassCount()}) {
        EXPECT_EQ(Cld2Recognizer::accuracy(outside), 0.0);
        EXPECT_TRUE(Cld2Recognizer::confidenceClassLabel(outside).isEmpty());
    }
}

const QHash<QString, double> enEsHints{
    {u"en"_s, 0.3}, {u"es"_s, 0.3}, {u"pt"_s, 0.02}, {u"fr"_s, 0.02}};

TEST(Cld2RecognizerModel, PriorsAndEvidenceTogetherNameTheLanguage) {
    // The detector's weights: the user's pair at 0.3, every supported language at 0.02.
    const QHash<QString, double> detector = detectorHints("en", "es");
    // clang-format off
    const struct { const char* rule; Reading reading; QHash<QString, double> weights;
        const char* first; double atLeast; } cases[] = {
        {"priors decide between equally likely languages",
         {true, 5, 5000.0, {{"es", 0.5}, {"pt", 0.5}}}, detector, "es", 0.0},
        {"strong evidence outweighs a small prior", {false, 8, 1.0, {{"fr", 1.0}}}, detector, "fr",
         0.3},
        {"no evidence, only hints", Reading{}, enEsHints, nullptr, 0.0},
        // CLD2 found Galician, which none of the hints allow: the prior alone proves nothing.
        {"evidence for no candidate", {false, 6, 1.0, {{"gl", 1.0}}}, enEsHints, nullptr, 0.0},
        // Sorted, bounded and summing to at most one whatever the reading and weights.
        {"overfull", {true, 3, 7.0, {{"es", 1.0}, {"pt", 1.0}}}, {}, "", 0.0},
        {"hinted", {true, 3, 0.2, {{"pt", 1.0}}}, enEsHints, "", 0.0},
        {"repeated language", {false, 30, 1.0, {{"es", 0.7}, {"es", 0.7}}}, enEsHints, "", 0.0},
        {"huge weights", {false, 40, 1.0, {{"en", 0.5}, {"fr", 0.5}}},
         {{"en", 1e300}, {"fr", 1e-300}}, "", 0.0}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        expectFirst(Cld2Recognizer::hypotheses(c.reading, c.weights), c.first, c.atLeast);
    }
    // Unusable weights and empty shares count as absent.
    EXPECT_EQ(
        Cld2Recognizer::hypotheses(
            {false, 30, 1.0, {{"en", 0.6}, {"pt", 0.0}, {"fr", 0.4}}},
            {{"en", 0.3}, {"fr", 0.02}, {"pt", 0.02}, {"es", -2.0}, {"de", 0.0}, {"it", kNaN}}),
        Cld2Recognizer::hypotheses({false, 30, 1.0, {{"en", 0.6}, {"fr", 0.4}}},
                                   {{"en", 0.3}, {"fr", 0.02}, {"pt", 0.02}}));
    // The hinted pair keeps its prior share even where CLD2 saw nothing of it.
    EXPECT_THAT(Cld2Recognizer::hypotheses(cases[0].reading, detector),
                testing::Contains(testing::Field(&LanguageHypothesis::identifier, u"en"_s)));
}

TEST(Cld2Recognizer, NamesTheLanguageInOurCodesOrderedAndLimited) {
    EXPECT_TRUE(Cld2Recognizer().languageHypotheses(5).isEmpty());
    QString huge;
    while (huge.size() < 200000)
        huge += germanParagraph + u' ';
    // A cut right after a two-byte character must not split it.
    huge.insert(16 * 1024 - 1, u"ü"_s);
    const QHash<QString, double> enEs = detectorHints("en", "es");
    // clang-format off
    const struct { const char* rule; QString text; QHash<QString, double> hints; const char* first;
        double atLeast; } cases[] = {
        {"huge German", huge, {}, "de", 0.9},
        // "casa" is a Spanish, Portuguese, Italian and Catalan word alike: hints steer it.
        {"casa, hinted es", u"casa"_s, enEs, "es", 0.3},
        {"casa, hinted pt", u"casa"_s, detectorHints("en", "pt"), "pt", 0.3},
        {"no text", QString(), enEs, nullptr, 0.0},
        {"digits", u"12345 678"_s, enEs, nullptr, 0.0},
        {"emoji", u"😀😀"_s, enEs, nullptr, 0.0}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        expectFirst(hypothesesOf(Cld2Recognizer(), c.text, c.hints), c.first, c.atLeast);
    }
    const QString mixed = germanParagraph
                          + u" The city council decided on Monday to extend the opening hours of "
                            "the library next year."_s;
    const QList<LanguageHypothesis> all = hypothesesOf(Cld2Recognizer(), mixed, {});
    ASSERT_GE(all.size(), 2);
    expectFirst(all, "", 0.0);
    EXPECT_EQ(hypothesesOf(Cld2Recognizer(), mixed, {}, 1), all.first(1));
    for (const int none : {0, -3})
        EXPECT_TRUE(hypothesesOf(Cld2Recognizer(), mixed, {}, none).isEmpty());
}

const QString kEnglish = u"/usr/share/apertium/apertium-eng-spa/eng-spa.automorf.bin"_s;

// Long enough for lt-proc to load on a busy machine; tests never wait for it to pass.
const auto generous = [] { return QDeadlineTimer(20s); };

TEST(LtProcAnalyserTest, JudgesEveryUnitHoldingALetterAndEscapesRequests) {
    // clang-format off
    const struct { const char* name; const char16_t* answer; bool known; } cases[] = {
        {"analysed", u"^house/house<n><sg>/house<vblex><inf>$ ", true},
        {"unknown", u"^xyzzy/*xyzzy$ ", false},
        {"punctuation does not count", u"^hello/hello<ij>$^,/,<cm>$ ", true},
        {"one unknown part spoils the token", u"^U/*U$^./.<sent>$^S.A./S.A.<n><acr>$ ", false},
        {"an unknown number does not count", u"^42/*42$ ", true},
        {"symbol outside units", u"\U0001F600^x/x<n>$ ", true},
        {"letters outside units", u"\u5317\u4eac ", false},
        {"escaped symbols around units", u"\\^^b\\@c/b\\@c<web>$\\{ ", true},
        {"escaped slash in the surface", u"^a\\/b/*a\\/b$ ", false},
        {"escaped star is an analysis", u"^a/\\*a<n>$ ", true},
        {"unit without analysis", u"^abc$ ", false},
        {"unterminated unit", u"^abc/*abc", false},
        {"a backslash ending the answer", u"^a/a<n>$ casa\\", false},
        {"empty", u"", true}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(LtProcAnalyser::answerKnows(QStringView(c.answer)), c.known) << c.name;
    EXPECT_EQ(LtProcAnalyser::request(u"a\\b[c]d^e$f/g<h>i@j{k}l"_s),
              QByteArray("a\\\\b\\[c\\]d\\^e\\$f\\/g\\<h\\>i\\@j\\{k\\}l \0", 36));
    // A NUL inside a token would end its request early and shift every later answer.
    EXPECT_EQ(LtProcAnalyser::request(QString::fromUtf16(u"ca\0sa", 5)), QByteArray("casa \0", 6));
    EXPECT_EQ(LtProcAnalyser::request(u"ni\u00f1o"_s), QByteArray("ni\xc3\xb1o \0", 7));
}

TEST(LtProcAnalyserTest, TheRealAnalyserRestartsWhenKilled) {
    if (!hasProgram(u"lt-proc"_s) || !QFileInfo::exists(kEnglish))
        GTEST_SKIP() << "lt-proc or the English analyser of apertium-eng-spa is missing";
    LtProcAnalyser analyser(kEnglish);
    // Tokens without letters or too long are answered without asking.
    const QString tooLong(LtProcAnalyser::kMaxTokenLength + 1, u'a');
    EXPECT_EQ(analyser.knowsAll({"42", "--", tooLong}, QDeadlineTimer(0)),
              QList<bool>({true, true, false}));
    EXPECT_FALSE(analyser.isRunning());
    ASSERT_EQ(analyser.knows(u"house"_s, generous()), true);
    const std::optional<pid_t> first = analyser.pid();
    ASSERT_TRUE(first.has_value());
    ::kill(*first, SIGKILL);
    EXPECT_EQ(analyser.knows(u"house"_s, generous()), true);
    EXPECT_EQ(analyser.starts(), 2);
    EXPECT_NE(analyser.pid(), first);
}

// Stand-ins for lt-proc: programs that die, hang, or answer only once the FIFO "gate" beside
// them gave a line (words starting with "k" known, others unknown).
class FakeAnalyserTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::mkfifo(QFile::encodeName(gate()).constData(), 0600), 0); }
    void TearDown() override { ::close(m_gate); }
    QString gate() const { return m_dir.filePath(u"gate"_s); }

    LtProcAnalyser start(const QByteArray& body) {
        QFile file(options.program = m_dir.filePath(u"fake"_s));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write("#!/bin/bash\n" + body) > 0);
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        file.close();
        return LtProcAnalyser(u"/nonexistent.automorf.bin"_s, options);
    }

    // Read and write, so that neither end waits for the other; the line stays in the pipe.
    void openGate() {
        m_gate = ::open(QFile::encodeName(gate()).constData(), O_RDWR | O_CLOEXEC);
        ASSERT_EQ(::write(m_gate, "\n", 1), 1);
    }

    static constexpr const char* kGated = R"(gate="$(dirname "$0")/gate"
while IFS= read -r -d '' request; do
    [ -e "$gate.open" ] || { read -r _ < "$gate"; : > "$gate.open"; }
    word="${request% }"
    if [[ $word == k* ]]; then printf '^%s/%s<n>$ \0' "$word" "$word"
    else printf '^%s/*%s$ \0' "$word" "$word"; fi
done
)";
    QTemporaryDir m_dir;
    LtProcAnalyser::Options options;
    int m_gate = -1;
};

TEST_F(FakeAnalyserTest, AProgramThatExitsIsRetriedOnlyAFewTimesPerPeriod) {
    options.maxStarts = 2;
    options.startPeriod = 1h;
    LtProcAnalyser analyser = start("exit 3\n");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(analyser.knows(u"house"_s, generous()), std::nullopt);
    EXPECT_EQ(analyser.starts(), 2);
}

TEST_F(FakeAnalyserTest, AHangingProgramTimesOutAndIsReplacedOnceItStalls) {
    options.stallTimeout = 0ms;
    // Reads requests and never answers, its output kept open.
    LtProcAnalyser analyser = start("exec 3>&1\nexec cat >/dev/null\n");
    EXPECT_EQ(analyser.knows(u"house"_s, QDeadlineTimer(30ms)), std::nullopt);
    const std::optional<pid_t> first = analyser.pid();
    EXPECT_TRUE(first.has_value());
    EXPECT_EQ(analyser.knows(u"house"_s, QDeadlineTimer(30ms)), std::nullopt);
    EXPECT_EQ(analyser.starts(), 2);
    EXPECT_NE(analyser.pid(), first);
}

TEST_F(FakeAnalyserTest, LateAnswersAreDroppedWhileTheProcessIsKept) {
    options.stallTimeout = 1h;
    LtProcAnalyser analyser = start(kGated);
    EXPECT_EQ(analyser.knowsAll({"kite", "kilo"}, QDeadlineTimer(30ms)), std::nullopt);
    openGate();
    // The owed "known" answers come first and must not be read as these.
    EXPECT_EQ(analyser.knows(u"unknown"_s, generous()), false);
    EXPECT_EQ(analyser.knowsAll({"kind", "zero"}, generous()), QList<bool>({true, false}));
    EXPECT_EQ(analyser.starts(), 1);
}

TEST_F(FakeAnalyserTest, AnIdleAnalyserStopsOnlyWhenUnusedSinceTheCutoff) {
    openGate();
    LtProcAnalyser analyser = start(kGated);
    ASSERT_EQ(analyser.knows(u"kin"_s, generous()), true);
    EXPECT_FALSE(analyser.stopIfUnusedSince(analyser.lastUsed()));
    EXPECT_TRUE(analyser.isRunning());
    EXPECT_TRUE(analyser.stopIfUnusedSince(analyser.lastUsed() + 1ns));
    EXPECT_FALSE(analyser.isRunning());
    EXPECT_EQ(analyser.knows(u"kin"_s, generous()), true);
}

const QString kModes = u"/usr/share/apertium/modes"_s;
const QString kDictd = u"/usr/share/dictd"_s;

// Only the given folders: nothing of the user's or the system's own.
ApertiumLexicons::Options onlyFolders(QStringList modes, QStringList dictd) {
    ApertiumLexicons::Options options;
    options.modeFolders = std::move(modes);
    options.dictionaryFolders = {std::move(dictd), {}, QString()};
    return options;
}

class InstalledLexiconsTest : public testing::Test {
protected:
    void SetUp() override {
        for (const QString& file :
             {kModes + "/eng-spa.mode", kModes + "/spa-eng.mode",
              kDictd + "/freedict-eng-spa.index", kDictd + "/freedict-spa-eng.index"})
            if (!hasProgram(u"lt-proc"_s) || !QFileInfo::exists(file))
                GTEST_SKIP() << "apertium-eng-spa, lt-proc or the FreeDict eng-spa pair is missing";
    }
};

TEST_F(InstalledLexiconsTest, FindsEachLanguagesAnalyserAndHeadwordsAndCountsKnownTokens) {
    ApertiumLexicons lexicons(onlyFolders({kModes}, {kDictd}));
    EXPECT_THAT(lexicons.languages(), testing::IsSupersetOf({"en", "es"}));
    ASSERT_NE(lexicons.analyser("en"), nullptr);
    ASSERT_NE(lexicons.analyser("es"), nullptr);
    EXPECT_THAT(lexicons.headwordFiles("en"), ElementsAre(kDictd + "/freedict-eng-spa.index"));
    EXPECT_THAT(lexicons.headwordFiles("es"), ElementsAre(kDictd + "/freedict-spa-eng.index"));
    // Codes arrive in any spelling of the language.
    for (const auto& [code, has] : {std::pair("en-US", true), {"ES", true}, {"de", false}})
        EXPECT_EQ(lexicons.hasLexicon(code), has) << code;
    // clang-format off
    const struct { const char* code; QStringList tokens; std::optional<double> share; } cases[] = {
        {"de", {"Haus"}, {}}, {"en", {"the", "casa", "roja", "grande"}, 0.25},
        {"en", {"42", "\u2014"}, 1.0}, {"en", {}, {}}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(lexicons.knownShare(c.code, c.tokens, generous()), c.share) << c.code;

    // "abastacimiento" (sic) is in the Spanish-English dictionary but no Spanish analyser. Other
    // words need the analyser, which cannot run here: no evidence rather than half of it.
    ApertiumLexicons::Options options = onlyFolders({kModes}, {kDictd});
    options.analyser.program = u"/nonexistent/lt-proc"_s;
    ApertiumLexicons headwords(options);
    EXPECT_EQ(headwords.knownShare("es", {"Abastacimiento", "(abeja),"}, generous()), 1.0);
    EXPECT_EQ(headwords.knownShare("es", {"abeja", "qzxvw"}, generous()), std::nullopt);
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

TEST(HeadwordLexiconsTest, ReadsFreeDictNamedFilesOnly) {
    QTemporaryDir dir;
    const QString dictd = dir.filePath("dictd");
    QDir().mkpath(dictd);
    for (const auto& [name, bytes] : QList<std::pair<const char*, QByteArray>>{
             {"freedict-deu-eng.index",
              "00databaseinfo\tA\tB\n00-database-short\tA\tB\nHaus\tA\tB\n"
              "Auto\tC\tD\nguten Tag\tE\tF\n\xc3\x84rger\tG\tH\n"},
             {"freedict-deu-eng.dict", ""},
             {"wn.index", "house\tA\tB\n"},
             {"foo-bar.index", "house\tA\tB\n"}}) {
        QFile file(dictd + u'/' + QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    ApertiumLexicons lexicons(onlyFolders({}, {dictd}));
    EXPECT_THAT(lexicons.languages(), ElementsAre("de"));
    EXPECT_EQ(lexicons.analyser("de"), nullptr);
    EXPECT_THAT(lexicons.known("de", {"haus", "\"Auto\",", "\xc3\xa4rger", "Tag", "00databaseinfo"},
                               generous()),
                Optional(ElementsAre(true, true, true, false, false)));
    EXPECT_EQ(lexicons.knownShare("en", {"house"}, generous()), std::nullopt);
}

// Lexicons from fixed word lists; or, as a stuck analyser, no answer by the deadline given.
class FakeEvidence final : public LexiconEvidence {
public:
    QHash<QString, QSet<QString>> known{{"en", {"house", "the", "red"}},
                                        {"es", {"casa", "la", "roja"}}};
    bool hang = false;
    int lookUps = 0;
    QList<qint64> deadlines; // milliseconds left, when hanging

    bool hasLexicon(const QString& code) override { return known.contains(code); }
    QStringList languages() const override {
        QStringList codes = known.keys();
        codes.sort();
        return codes;
    }

    std::optional<double> knownShare(const QString& code, const QStringList& tokens,
                                     QDeadlineTimer deadline) override {
        ++lookUps;
        if (hang) {
            deadlines.append(deadline.remainingTime());
            return std::nullopt;
        }
        if (!known.contains(code) || tokens.isEmpty())
            return std::nullopt;
        const auto count = std::count_if(tokens.cbegin(), tokens.cend(), [&](const QString& t) {
            return known.value(code).contains(t.toLower());
        });
        return double(count) / double(tokens.size());
    }
};

std::optional<QString> detectWith(const LanguageRecognizerFactory& factory, const QString& text) {
    return LanguageDetector::detect(text, LanguageDefaults::knownLanguageCodes(), {"en", "es"},
                                    factory);
}

std::optional<QString> plain(const QString& text) {
    return detectWith(cld2RecognizerFactory(), text);
}

// "house" known only in Spanish.
void swapHouse(FakeEvidence& evidence) {
    evidence.known["en"].remove("house");
    evidence.known["es"].insert("house");
}

class LexiconRecognizerTest : public testing::Test {
protected:
    std::shared_ptr<FakeEvidence> evidence = std::make_shared<FakeEvidence>();

    std::optional<QString> detect(const QString& text) {
        return detectWith(lexiconRecognizerFactory(evidence), text);
    }
};

TEST_F(LexiconRecognizerTest, TheDetectorTakesTheLexiconsWinnerOverCld2) {
    EXPECT_EQ(detect("la casa roja"), "es");
    EXPECT_EQ(detect("the red house"), "en");
    ASSERT_EQ(plain("house"), "en");
    // Known only in Spanish: the vote overturns CLD2, and the detector's thresholds follow.
    swapHouse(*evidence);
    EXPECT_EQ(detect("house"), "es");
}

// Where the lexicons cannot decide, or the text is not theirs to decide, the hypotheses are
// CLD2's own, and no lexicon is asked.
TEST_F(LexiconRecognizerTest, LeavesCld2UnchangedWithoutAskingWhenNotItsCase) {
    QHash<QString, double> flat;
    for (const QString& code : LanguageDefaults::knownLanguageCodes())
        flat.insert(code, 0.3);
    const QHash<QString, double> enEs = detectorHints("en", "es");
    QHash<QString, double> single = enEs;
    single.insert("es", 0.02);
    // clang-format off
    const struct { const char* rule; void (*prepare)(FakeEvidence&); QString text;
        QHash<QString, double> hints; bool noEvidence = false; } cases[] = {
        {"no lexicon for one language",
         [](FakeEvidence& e) { e.known.remove("es"); e.known["en"].insert("casa"); }, "casa", enEs},
        // Four tokens "known" in English only; hinted (not the detector's way at this length).
        {"a hinted longer text",
         [](FakeEvidence& e) {
             e.known["en"].unite({"la", "casa", "es", "roja"});
             e.known["es"].clear();
         },
         "la casa es roja", enEs},
        // Only the two strongest hints are the user's languages: flat hints name no pair, nor
        // one strongest hint (my and second the same).
        {"flat hints", swapHouse, "house", flat},
        {"one strongest hint", swapHouse, "house", single},
        {"no evidence object", nullptr, "casa", enEs, true}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        evidence = std::make_shared<FakeEvidence>();
        if (c.prepare)
            c.prepare(*evidence);
        EXPECT_EQ(
            hypothesesOf(LexiconRecognizer(c.noEvidence ? nullptr : evidence), c.text, c.hints),
            hypothesesOf(Cld2Recognizer(), c.text, c.hints));
        EXPECT_EQ(evidence->lookUps, 0);
    }
}

TEST_F(LexiconRecognizerTest, SentencesAskEveryLexicon) {
    // CLD2 alone abstains on this Spanish line.
    const QString text = u"Modo de foco de la ventana"_s;
    ASSERT_EQ(plain(text), std::nullopt);
    evidence->known["es"].unite({"modo", "de", "foco", "la", "ventana"});
    evidence->known["ca"] = {"de", "la"};
    EXPECT_EQ(detect(text), "es");
    EXPECT_EQ(evidence->lookUps, 3);
    // Thirteen words are past the rule: not asked.
    evidence->lookUps = 0;
    const QString longer = text + " de la ventana de la ventana de la";
    EXPECT_EQ(detect(longer), plain(longer));
    EXPECT_EQ(evidence->lookUps, 0);
    // Only pieces with a letter are looked up, but all count as words.
    int words = 0;
    EXPECT_EQ(LexiconRecognizer::tokens(" 3 casas,\t12%\n", &words), QStringList{"casas,"});
    EXPECT_EQ(words, 3);
}

TEST_F(LexiconRecognizerTest, EvidenceMissingTheDeadlineLeavesCld2sAnswer) {
    evidence->hang = true;
    LexiconRecognizer::Options options;
    options.timeout = 1min; // far from the default, and never waited for
    const auto factory = lexiconRecognizerFactory(evidence, options);
    for (const QString& text : {u"casa"_s, u"the red house"_s})
        EXPECT_EQ(detectWith(factory, text), plain(text)) << text.toStdString();
    // The first language's look-up timed out, by the deadline set; the second is not tried.
    EXPECT_EQ(evidence->lookUps, 2);
    for (const qint64 left : evidence->deadlines)
        EXPECT_TRUE(left > 50000 && left <= 60000) << left;
}

TEST(LexiconRecognizerInstalledTest, WordsAndSentencesThatCld2AloneGetsWrong) {
    auto lexicons = std::make_shared<ApertiumLexicons>();
    for (const char* code : {"en", "es", "ca"})
        if (!lexicons->hasLexicon(code))
            GTEST_SKIP() << "needs apertium-eng-spa and apertium-spa-cat";
    LexiconRecognizer::Options options;
    options.timeout = 30s;
    const auto factory = lexiconRecognizerFactory(lexicons, options);
    // A product name in English does not outvote the Spanish around it.
    EXPECT_EQ(
        detectWith(factory, "Abre el documento en LibreOffice Writer sin guardar los cambios"),
        "es");
    EXPECT_EQ(detectWith(factory, "No s'ha pogut obrir el fitxer"), "ca");
    // Every word of it is Catalan too ("registro": I register); CLD2 between the two decides,
    // and some language is named where none was.
    EXPECT_THAT(detectWith(factory, "Se espera un registro."),
                testing::Optional(testing::AnyOf(QString("es"), QString("ca"))));
}

} // namespace
