#include "cli/CommandLine.h"

#include "app/translation/HistoryModel.h"
#include "tests/app/dictionary/FakeDictionarySource.h"
#include "tests/app/translation/ScriptedEngine.h"
#include "tests/support/ManualClock.h"

#include <QCoreApplication>
#include <QDir>
#include <QIODevice>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

// The command line over a scripted engine, a table recognizer and in-memory dictionaries.
class CommandLineTest : public testing::Test {
public:
    struct Result {
        int code = -1;
        QString out;
        QString err;
    };

    // Names languages by looking the whole text up in a table.
    class TableRecognizer : public LanguageRecognizer {
    public:
        explicit TableRecognizer(QHash<QString, QString> table)
            : m_table(std::move(table)) {}
        void setLanguageHints(const QHash<QString, double>&) override {}
        void processString(const QString& text) override { m_text = text; }
        QList<LanguageHypothesis> languageHypotheses(int) const override {
            const auto it = m_table.constFind(m_text);
            if (it == m_table.cend())
                return {};
            return {{*it, 0.9}};
        }
        QStringList explanation() const override { return {"table: " + m_text}; }

    private:
        QHash<QString, QString> m_table;
        QString m_text;
    };

    CommandLineTest() {
        engine.languages = {
            engineLanguage("en-US", "en", "en-Latn-US"), engineLanguage("es", "es", "es-Latn-ES"),
            engineLanguage("de", "de", "de-Latn-DE"), engineLanguage("ca", "ca", "ca-Latn-ES")};
        engine.setStatus("de", "en-US", PairStatus::installed);
        engine.setStatus("en-US", "es", PairStatus::installed);
        engine.setStatus("es", "ca", PairStatus::installed);
        engine.setStatus("en-US", "ca", PairStatus::supported);
        engine.session->answer = upperCased;
        table = {{"Hallo Welt", "de"}, {"Hello there", "en"}, {"Hola", "es"}, {"Haus", "de"}};
        source->add("fd-deu-eng", "German-English", {{"Haus", "house"}});
        source->add("wn", "WordNet (r) 3.0", {{"house", "n 1: a dwelling\n   2: a firm"}});
        source->add("fd-eng-spa", "English-Spanish FreeDict", {{"house", "casa"}});
        source->add("moby-thesaurus", "Moby Thesaurus", {{"house", "home, abode"}},
                    QStringLiteral("StarDict"));
        source->active = {"fd-deu-eng", "wn", "fd-eng-spa"};
        settings.setMyLanguage(stored.my);
        settings.setSecondLanguage(stored.second);
    }

    Result run(const QStringList& arguments, const QString& input = QString()) {
        QString in = input;
        Result result;
        QTextStream inStream(&in, QIODevice::ReadOnly);
        QTextStream outStream(&result.out);
        QTextStream errStream(&result.err);
        CommandLine::Environment env;
        env.engine = [this]() -> TranslationEngine& {
            ++engineRequests;
            return engine;
        };
        env.recognizers = [this] { return std::make_unique<TableRecognizer>(table); };
        env.plainRecognizers = [this] { return std::make_unique<TableRecognizer>(table); };
        env.preferredLanguages = {QStringLiteral("en-US")};
        env.storedLanguages = [this] { return stored; };
        env.repairLanguages = [this](const QSet<QString>& codes) { repaired = codes; };
        env.packageFor = [](const DownloadRequest& request) -> std::optional<QString> {
            return QStringLiteral("pkg-%1-%2")
                .arg(request.source.identifier, request.target.identifier);
        };
        env.dictionaries = [this]() -> DictionaryService& { return dictionaries; };
        env.settings = [this]() -> AppSettings& { return settings; };
        env.clock = clock;
        env.historyFile = historyFile;
        env.in = &inStream;
        env.out = &outStream;
        env.err = &errStream;
        result.code = CommandLine(env).run(arguments);
        outStream.flush();
        errStream.flush();
        return result;
    }

    ScriptedEngine engine;
    QHash<QString, QString> table;
    LanguagePrefs stored{QStringLiteral("en"), QStringLiteral("es")};
    QTemporaryDir dir;
    DefaultsStore store{QStringLiteral("com.korvane.verdolin"), dir.path()};
    AppSettings settings{store, {QStringLiteral("en-US")}, {}};
    std::shared_ptr<FakeDictionarySource> source = std::make_shared<FakeDictionarySource>();
    DictionaryService dictionaries{source};
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    QString historyFile = dir.filePath(QStringLiteral("history.json"));
    QSet<QString> repaired;
    int engineRequests = 0;
};

using testing::HasSubstr;

using Result = CommandLineTest::Result;

TEST_F(CommandLineTest, TranslatesArgumentsOrStandardInputAndDefinesOnlyWhenAsked) {
    Result r = run({"translate", "Hallo", "Welt"});
    EXPECT_EQ(r.out, QStringLiteral("HALLO WELT\n"));
    EXPECT_THAT(r.err.toStdString(), HasSubstr("de → en (de → en-US)"));
    EXPECT_EQ(repaired, QSet<QString>({"en", "es", "de", "ca"}));

    r = run({"translate", "--to", "es"}, QStringLiteral("Hello there\n"));
    EXPECT_EQ(r.out, QStringLiteral("HELLO THERE\n"));
    EXPECT_EQ(engine.session->batches.last().first().sourceText, QStringLiteral("Hello there"));

    EXPECT_EQ(run({"translate", "Haus"}).out, QStringLiteral("HAUS\n"));
    EXPECT_EQ(run({"translate", "--definitions", "Haus"}).out,
              QStringLiteral("HAUS\n\nGerman-English:\nhouse\n"));
}

TEST_F(CommandLineTest, RecordsHistoryOnlyWhenAsked) {
    run({"translate", "Hallo Welt"});
    EXPECT_FALSE(QFile::exists(historyFile));
    const qint64 counted = store.integer(AppSettings::successfulTranslationsKey);

    EXPECT_EQ(run({"translate", "--history", "Hallo Welt"}).code, CommandLine::done);
    HistoryModel history(historyFile);
    ASSERT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries().first().source, QStringLiteral("Hallo Welt"));
    EXPECT_EQ(history.entries().first().result, QStringLiteral("HALLO WELT"));
    EXPECT_EQ(store.integer(AppSettings::successfulTranslationsKey), counted + 1);

    settings.setSaveHistory(false);
    const Result off = run({"translate", "--history", "Hallo Welt"});
    EXPECT_THAT(off.err.toStdString(), HasSubstr("switched off"));
}

// The README's exit-code table: code by the opening words of its meaning.
QHash<QString, int> documentedExitCodes() {
    QFile readme(QStringLiteral(VERDOLIN_README));
    EXPECT_TRUE(readme.open(QIODevice::ReadOnly | QIODevice::Text));
    static const QRegularExpression row(QStringLiteral(R"(^\| (\d) \| ([^|:(]+))"));
    QHash<QString, int> codes;
    for (const QString& line : QString::fromUtf8(readme.readAll()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = row.match(line);
        if (match.hasMatch())
            codes.insert(match.captured(2).trimmed(), match.captured(1).toInt());
    }
    return codes;
}

struct ExitCase {
    const char* title;
    QStringList arguments;
    const char* input;
    const char* meaning;
    void (*prepare)(CommandLineTest&);
    const char* message = "";
};

class CommandLineExitCodes : public CommandLineTest,
                             public testing::WithParamInterface<ExitCase> {};

constexpr const char* done = "done";
constexpr const char* nothing = "nothing found";
constexpr const char* badArguments = "bad arguments";
constexpr const char* unavailable = "the pair needs a download or is not available offline";
constexpr const char* failed = "the translator failed";
constexpr const char* history =
    "the translation was printed, but the history could not be read or saved";

TEST_P(CommandLineExitCodes, AreTheOnesTheReadmeStates) {
    const ExitCase& c = GetParam();
    const QHash<QString, int> documented = documentedExitCodes();
    ASSERT_TRUE(documented.contains(QString::fromUtf8(c.meaning))) << "not in the README";
    if (c.prepare)
        c.prepare(*this);

    const Result r = run(c.arguments, QString::fromUtf8(c.input));

    EXPECT_EQ(r.code, documented.value(QString::fromUtf8(c.meaning))) << r.err.toStdString();
    EXPECT_THAT(r.err.toStdString(), HasSubstr(c.message));
    if (c.meaning != done && c.meaning != history) {
        EXPECT_TRUE(r.out.isEmpty());
    }
}

void failEveryRequest(CommandLineTest& t) {
    t.engine.session->answer = [](const QList<TranslationRequest>&) {
        return TranslationBatchResult::failure(QStringLiteral("The translator stopped."));
    };
}

void clearLanguages(CommandLineTest& t) {
    t.engine.languages.clear();
}

// Success of the other commands is asserted with their output below.
// clang-format off
const ExitCase exitCases[] = {
    {"translate", {"translate", "Hallo Welt"}, "", done, nullptr},
    {"translateNoWords", {"translate"}, "  123 -- !!\n", nothing, nullptr, "nothing to translate"},
    {"translateBadOption", {"translate", "--into", "es", "x"}, "", badArguments, nullptr, "unknown option --into"},
    {"translateEmptyCode", {"translate", "--to=", "x"}, "", badArguments, nullptr, "empty"},
    {"translateMissingValue", {"translate", "x", "--to"}, "", badArguments, nullptr, "--to needs a value"},
    {"translateDownload", {"translate", "--to", "ca", "Hello there"}, "", unavailable, nullptr, "Install the package pkg-en-US-ca"},
    {"translateUnsupported", {"translate", "--from", "de", "--to", "ca", "Hallo"}, "", unavailable, nullptr, "offline: De (de) → Ca (ca)"},
    {"translateNoVariants", {"translate", "--from", "ja", "Hallo"}, "", unavailable, nullptr, "offline: Ja (ja) → En (en)"},
    {"translateFails", {"translate", "Hallo Welt"}, "", failed, failEveryRequest,
     "Could not translate: The translator stopped."},
    {"translateNoEngine", {"translate", "Hallo Welt"}, "", failed, clearLanguages},
    {"translateUnreadableHistory", {"translate", "--history", "Hallo Welt"}, "", history,
     [](CommandLineTest& t) { QDir().mkpath(t.historyFile); }},
    {"translateHistoryNotSaved", {"translate", "--history", "Hallo Welt"}, "", history,
     [](CommandLineTest& t) {
         t.historyFile = t.dir.filePath(QStringLiteral("file/history.json"));
         QFile file(t.dir.filePath(QStringLiteral("file")));
         file.open(QIODevice::WriteOnly);
     }},
    {"languagesWithText", {"languages", "en"}, "", badArguments, nullptr, "takes no text"},
    {"languagesNoEngine", {"languages"}, "", failed, clearLanguages,
     "On-device translation is not available on this computer."},
    {"detectNothing", {"detect", "Bonjour"}, "", nothing, nullptr},
    {"detectLinesWithText", {"detect", "--lines", "Hola"}, "", badArguments, nullptr, "--lines"},
    {"detectExplainLines", {"detect", "--lines", "--explain"}, "", badArguments, nullptr, "--explain"},
    {"defineUnknown", {"define", "zzyzx"}, "", nothing, nullptr, "no definition of zzyzx"},
    {"defineNoSuchDictionary", {"define", "--dict", "fd-xxx-yyy", "house"}, "", nothing, nullptr,
     "no dictionary fd-xxx-yyy is installed"},
    {"defineNoWord", {"define", "--dict", "wn"}, " ", badArguments, nullptr, "define needs a word"},
    {"dictionariesWithText", {"dictionaries", "wn"}, "", badArguments, nullptr, "takes no text"},
    {"dictionariesNone", {"dictionaries"}, "", nothing, [](CommandLineTest& t) { t.source->clear(); },
     "no dictionaries are installed"},
    {"unknownCommand", {"speak"}, "", badArguments, nullptr, "unknown command speak"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(EverySubCommand, CommandLineExitCodes, testing::ValuesIn(exitCases),
                         [](const testing::TestParamInfo<ExitCase>& info) {
                             return info.param.title;
                         });

// A translator that stopped gets one more try, and a second failure is reported once.
TEST_F(CommandLineTest, ATranslatorThatStoppedGetsOneMoreTry) {
    for (const int failing : {1, 2}) {
        SCOPED_TRACE(failing);
        int failures = failing;
        engine.session->batches.clear();
        engine.session->answer = [&failures](const QList<TranslationRequest>& requests) {
            if (failures-- > 0)
                return TranslationBatchResult::failure(QStringLiteral("The translator stopped."));
            return upperCased(requests);
        };

        const Result r = run({"translate", "Hallo Welt"});

        EXPECT_EQ(r.code, failing == 1 ? CommandLine::done : CommandLine::engineFailure);
        EXPECT_EQ(r.out, failing == 1 ? QStringLiteral("HALLO WELT\n") : QString());
        EXPECT_EQ(r.err.count(QStringLiteral("Could not translate")), failing - 1);
        EXPECT_EQ(engine.session->batches.size(), 2);
    }
}

TEST_F(CommandLineTest, ALongInputIsTranslatedWholeInPiecesKeepingEveryLine) {
    // About 45,000 characters: three pieces, with blank lines and indentation to keep.
    QString input;
    for (int i = 0; i < 1500; ++i)
        input += (i % 7 == 0 ? QStringLiteral("\n  ") : QString())
                 + QStringLiteral("Hallo Welt, line %1 of many.\n").arg(i, 4, 10, QLatin1Char('0'));

    const Result r = run({"translate", "--from", "de"}, input);

    EXPECT_EQ(r.code, CommandLine::done) << r.err.toStdString();
    EXPECT_EQ(r.out, input.toUpper());
    EXPECT_EQ(engine.session->batches.size(), 3) << "one request batch per piece";
    EXPECT_EQ(r.err.count(QStringLiteral("de → en (")), 1) << "the direction is told once";
}

TEST_F(CommandLineTest, ListsLanguagesWithTheirStatusFromBothOfMyLanguages) {
    const Result r = run({"languages"});

    EXPECT_EQ(r.code, CommandLine::done);
    // Sorted by name; without a name source the names are the capitalised codes.
    const QList<QStringList> expected = {{"code", "name", "from", "en", "from", "es", "variants"},
                                         {"ca", "Ca", "download", "installed", "ca"},
                                         {"de", "De", "unavailable", "unavailable", "de"},
                                         {"en", "En", "my", "language", "unavailable", "en-US"},
                                         {"es", "Es", "installed", "second", "language", "es"}};
    QList<QStringList> columns;
    for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts))
        columns.append(line.split(' ', Qt::SkipEmptyParts));
    EXPECT_EQ(columns, expected);
}

TEST_F(CommandLineTest, DetectPrintsWhatIsAskedFor) {
    const struct {
        QStringList arguments;
        QString input;
        int code;
        QString out;
    } cases[] = {
        // German is not among the given languages, so a two-word German text finds nothing.
        {{"detect", "--supported", "en,ES_es", "--my", "en", "--second", "es", "Hallo Welt"},
         {},
         CommandLine::notFound,
         {}},
        {{"detect", "--supported", "en,es", "Hola"}, {}, CommandLine::done, "es\n"},
        {{"detect", "--supported", ",", "Hola"}, {}, CommandLine::usage, {}},
        {{"detect", "--supported", "en,es", "--explain", "Hello", "there"},
         {},
         CommandLine::done,
         "en\nhints: en 0.3, es 0.3\ntable: Hello there\nhypotheses:\n  en 0.900\n"
         "needed: 0.3 for a language in the list, 0.6 for another\n"},
        // One answer line per input line.
        {{"detect", "--lines", "--supported=de,en,es"},
         "Hallo Welt\nBonjour\n\nHola\nHello there",
         CommandLine::done,
         "de\n\n\nes\nen\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Result r = run(c.arguments, c.input);
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        EXPECT_EQ(r.out, c.out);
    }
    run({"translate"}, QStringLiteral("  123 -- !!\n")); // no words: no engine either
    EXPECT_EQ(engineRequests, 0) << "detection with its own languages never makes an engine";
}

// Their failures are rows of the exit-code table above.
TEST_F(CommandLineTest, DefineAndListPrintWhatIsAskedFor) {
    const struct {
        QStringList arguments;
        QString input;
        QString out;
    } cases[] = {
        // The active dictionaries with a definition, bilingual first.
        {{"define", "house"},
         {},
         "English-Spanish FreeDict\ncasa\n\nWordNet (r) 3.0\nn 1: a dwelling\n   2: a firm\n"},
        // Only the named ones, in their order.
        {{"define", "--dict", "moby-thesaurus", "house", "--dict=wn"},
         {},
         "WordNet (r) 3.0\nn 1: a dwelling\n   2: a firm\n\nMoby Thesaurus\nhome, abode\n"},
        {{"define", "--dict", "fd-eng-spa"}, "  house\n", "English-Spanish FreeDict\ncasa\n"},
        {{"dictionaries"},
         {},
         "identifier      name                      format    active\n"
         "fd-eng-spa      English-Spanish FreeDict  dictd     yes\n"
         "fd-deu-eng      German-English            dictd     yes\n"
         "moby-thesaurus  Moby Thesaurus            StarDict  no\n"
         "wn              WordNet (r) 3.0           dictd     yes\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Result r = run(c.arguments, c.input);
        EXPECT_EQ(r.code, CommandLine::done);
        EXPECT_EQ(r.out, c.out);
    }
    // Without active dictionaries, the default one answers.
    source->active.clear();
    EXPECT_EQ(run({"define", "house"}).out, QStringLiteral("Dictionary\ncasa\n"));
    EXPECT_EQ(engineRequests, 0) << "dictionary commands never need the engine";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
