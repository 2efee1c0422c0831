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

#include <gtest/gtest.h>

namespace {

// Names languages by looking the whole text up in a table.
struct TableRecognizer : LanguageRecognizer {
    explicit TableRecognizer(QHash<QString, QString> table)
        : m_table(std::move(table)) {}
    void setLanguageHints(const QHash<QString, double>&) override {}
    void processString(const QString& text) override { m_text = text; }
    QList<LanguageHypothesis> languageHypotheses(int) const override {
        if (!m_table.contains(m_text))
            return {};
        return {{m_table.value(m_text), 0.9}};
    }
    QStringList explanation() const override { return {"table: " + m_text}; }
    QHash<QString, QString> m_table;
    QString m_text;
};

// The command line over a scripted engine, a table recognizer and in-memory dictionaries.
class CommandLineTest : public testing::Test {
public:
    struct Result {
        int code = -1;
        QString out, err;
    };

    CommandLineTest() {
        engine.languages = {enUS, es, de, engineLanguage("ca", "ca", "ca-Latn-ES")};
        engine.setStatus("de", "en-US", PairStatus::installed);
        engine.setStatus("en-US", "es", PairStatus::installed);
        engine.setStatus("es", "ca", PairStatus::installed);
        engine.setStatus("en-US", "ca", PairStatus::supported);
        engine.session->answer = upperCased;
        source->add("fd-deu-eng", "German-English", {{"Haus", "house"}});
        source->add("wn", "WordNet (r) 3.0", {{"house", "n 1: a dwelling\n   2: a firm"}});
        source->add("fd-eng-spa", "English-Spanish FreeDict", {{"house", "casa"}});
        source->add("moby-thesaurus", "Moby Thesaurus", {{"house", "home, abode"}}, "StarDict");
        source->active = {"fd-deu-eng", "wn", "fd-eng-spa"};
        settings.setMyLanguage(stored.my);
        settings.setSecondLanguage(stored.second);
    }

    Result run(const QStringList& arguments, QString input = QString()) {
        Result result;
        QTextStream in(&input, QIODevice::ReadOnly), out(&result.out), err(&result.err);
        const auto recognizer = [this] { return std::make_unique<TableRecognizer>(table); };
        CommandLine::Environment env;
        env.engine = [this]() -> TranslationEngine& { return ++engineRequests, engine; };
        env.recognizers = recognizer;
        env.plainRecognizers = recognizer;
        env.preferredLanguages = {"en-US"};
        env.storedLanguages = [this] { return stored; };
        env.repairLanguages = [this](const QSet<QString>& codes) { repaired = codes; };
        env.packagesFor = [](const DownloadRequest& request) {
            return QStringList{"pkg-" + request.source.identifier + "-"
                               + request.target.identifier};
        };
        env.dictionaries = [this]() -> DictionaryService& { return dictionaries; };
        env.settings = [this]() -> AppSettings& { return settings; };
        env.clock = std::make_shared<ManualClock>();
        env.historyFile = historyFile;
        env.in = &in;
        env.out = &out;
        env.err = &err;
        result.code = CommandLine(env).run(arguments);
        out.flush();
        err.flush();
        return result;
    }

    ScriptedEngine engine;
    QHash<QString, QString> table{
        {"Hallo Welt", "de"}, {"Hello there", "en"}, {"Hola", "es"}, {"Haus", "de"}};
    LanguagePrefs stored{"en", "es"};
    QTemporaryDir dir;
    DefaultsStore store{"com.korvane.verdolin", dir.path()};
    AppSettings settings{store, {"en-US"}, {}};
    std::shared_ptr<FakeDictionarySource> source = std::make_shared<FakeDictionarySource>();
    DictionaryService dictionaries{source};
    QString historyFile = dir.filePath("history.json");
    QSet<QString> repaired;
    int engineRequests = 0;
};

// The README's exit-code table: code by the opening words of its meaning.
QHash<QString, int> documentedExitCodes() {
    QFile readme(VERDOLIN_README);
    EXPECT_TRUE(readme.open(QIODevice::ReadOnly | QIODevice::Text));
    static const QRegularExpression row(R"(^\| (\d) \| ([^|:(\n]+))",
                                        QRegularExpression::MultilineOption);
    QHash<QString, int> codes;
    for (const QRegularExpressionMatch& match :
         row.globalMatch(QString::fromUtf8(readme.readAll())))
        codes.insert(match.captured(2).trimmed(), match.captured(1).toInt());
    return codes;
}

struct Case {
    const char* title;
    QStringList arguments;
    const char *input, *meaning;
    void (*prepare)(CommandLineTest&);
    const char *err = "", *out = "";
};

class CommandLineRuns : public CommandLineTest, public testing::WithParamInterface<Case> {};

constexpr const char* done = "done";
constexpr const char* nothing = "nothing found";
constexpr const char* badArguments = "bad arguments";
constexpr const char* unavailable = "the pair needs a download or is not available offline";
constexpr const char* failed = "the translator failed";
constexpr const char* history =
    "the translation was printed, but the history could not be read or saved";

TEST_P(CommandLineRuns, ExitWithTheCodeTheReadmeStatesPrintingWhatIsAskedFor) {
    const Case& c = GetParam();
    const QHash<QString, int> documented = documentedExitCodes();
    ASSERT_TRUE(documented.contains(QString::fromUtf8(c.meaning))) << "not in the README";
    if (c.prepare)
        c.prepare(*this);

    const auto r = run(c.arguments, QString::fromUtf8(c.input));

    EXPECT_EQ(r.code, documented.value(QString::fromUtf8(c.meaning))) << r.err.toStdString();
    if (*c.err) {
        EXPECT_EQ(r.err.count(QString::fromUtf8(c.err)), 1) << "told once: " << r.err.toStdString();
    }
    EXPECT_EQ(r.out, QString::fromUtf8(c.out));
    EXPECT_EQ(CommandLine::handles(c.arguments[0]), c.arguments[0] != "speak");
    // Dictionaries, detection among given languages and refused work never make an engine.
    const QString line = c.arguments.join(' ');
    if (line.startsWith("define") || line.startsWith("dictionaries") || line.contains("--supported")
        || c.meaning == badArguments || line == "translate") {
        EXPECT_EQ(engineRequests, 0);
    }
}

// A translator that stopped gets one more try only.
void failFirst(CommandLineTest& t, int failures) {
    t.engine.session->answer = [failures](const QList<TranslationRequest>& requests) mutable {
        if (failures-- > 0)
            return TranslationBatchResult::failure("The translator stopped.");
        return upperCased(requests);
    };
}

// clang-format off
const Case cases[] = {
    {"translate", {"translate", "Hallo", "Welt"}, "", done, nullptr, "de → en (de → en-US)",
     "HALLO WELT\n"},
    {"translateInput", {"translate", "--to", "es"}, "Hello there\n", done, nullptr, "",
     "HELLO THERE\n"},
    {"translateWord", {"translate", "Haus"}, "", done, nullptr, "", "HAUS\n"},
    {"translateDefinitions", {"translate", "--definitions", "Haus"}, "", done, nullptr, "",
     "HAUS\n\nGerman-English:\nhouse\n"},
    {"translateNoWords", {"translate"}, "  123 -- !!\n", nothing, nullptr, "nothing to translate"},
    {"translateBadOption", {"translate", "--into", "es", "x"}, "", badArguments, nullptr,
     "unknown option --into"},
    {"translateEmptyCode", {"translate", "--to=", "x"}, "", badArguments, nullptr,
     "a language code is empty"},
    {"translateMissingValue", {"translate", "x", "--to"}, "", badArguments, nullptr,
     "--to needs a value"},
    {"translateDownload", {"translate", "--to", "ca", "Hello there"}, "", unavailable, nullptr,
     "Install the package pkg-en-US-ca"},
    {"translateUnsupported", {"translate", "--from", "de", "--to", "ca", "Hallo"}, "", unavailable,
     nullptr, "offline: De (de) → Ca (ca)"},
    {"translateNoVariants", {"translate", "--from", "ja", "Hallo"}, "", unavailable, nullptr,
     "offline: Ja (ja) → En (en)"},
    {"translateVia", {"translate", "Hallo", "Welt"}, "", done,
     [](CommandLineTest& t) { t.engine.intermediates.insert("de>en-US", es); },
     "de → en (de → en-US, via es)", "HALLO WELT\n"},
    {"translateRetried", {"translate", "Hallo Welt"}, "", done,
     [](CommandLineTest& t) { failFirst(t, 1); }, "", "HALLO WELT\n"},
    {"translateFails", {"translate", "Hallo Welt"}, "", failed,
     [](CommandLineTest& t) { failFirst(t, 2); }, "Could not translate: The translator stopped."},
    {"translateNoEngine", {"translate", "Hallo Welt"}, "", failed,
     [](CommandLineTest& t) { t.engine.languages.clear(); }},
    {"translateUnreadableHistory", {"translate", "--history", "Hallo Welt"}, "", history,
     [](CommandLineTest& t) { QDir().mkpath(t.historyFile); }, "", "HALLO WELT\n"},
    {"translateHistoryNotSaved", {"translate", "--history", "Hallo Welt"}, "", history,
     [](CommandLineTest& t) { t.historyFile = VERDOLIN_README "/history.json"; }, "",
     "HALLO WELT\n"},
    {"translateHistoryOff", {"translate", "--history", "Hallo Welt"}, "", done,
     [](CommandLineTest& t) { t.settings.setSaveHistory(false); }, "switched off", "HALLO WELT\n"},
    // Sorted by name; without a name source the names are the capitalised codes. A chained
    // direction never passes for a direct one.
    {"languages", {"languages"}, "", done,
     [](CommandLineTest& t) { t.engine.intermediates.insert("en-US>ca", es); }, "",
     "code  name  from en          from es          variants\n"
     "ca    Ca    download via es  installed        ca\n"
     "de    De    unavailable      unavailable      de\n"
     "en    En    my language      unavailable      en-US\n"
     "es    Es    installed        second language  es\n"},
    {"languagesWithText", {"languages", "en"}, "", badArguments, nullptr, "takes no text"},
    {"languagesNoEngine", {"languages"}, "", failed,
     [](CommandLineTest& t) { t.engine.languages.clear(); },
     "On-device translation is not available on this computer."},
    {"detect", {"detect", "--supported", "en,es", "Hola"}, "", done, nullptr, "", "es\n"},
    {"detectExplain", {"detect", "--supported", "en,es", "--explain", "Hello", "there"}, "", done,
     nullptr, "",
     "en\nhints: en 0.3, es 0.3\ntable: Hello there\nhypotheses:\n  en 0.900\n"
     "needed: 0.3 for a language in the list, 0.6 for another\n"},
    // One answer line per input line.
    {"detectLines", {"detect", "--lines", "--supported=de,en,es"},
     "Hallo Welt\nBonjour\n\nHola\nHello there", done, nullptr, "", "de\n\n\nes\nen\n"},
    // German is not among the given languages, so a two-word German text finds nothing.
    {"detectNotSupported",
     {"detect", "--supported", "en,ES_es", "--my", "en", "--second", "es", "Hallo Welt"}, "",
     nothing, nullptr},
    {"detectNothing", {"detect", "Bonjour"}, "", nothing, nullptr},
    {"detectNoSupported", {"detect", "--supported", ",", "Hola"}, "", badArguments, nullptr},
    {"detectLinesWithText", {"detect", "--lines", "Hola"}, "", badArguments, nullptr,
     "--lines reads standard input and takes no text"},
    {"detectExplainLines", {"detect", "--lines", "--explain"}, "", badArguments, nullptr,
     "--explain takes one text, not --lines"},
    // The active dictionaries with a definition, bilingual first; or only the named ones, in their
    // order.
    {"define", {"define", "house"}, "", done, nullptr, "",
     "English-Spanish FreeDict\ncasa\n\nWordNet (r) 3.0\nn 1: a dwelling\n   2: a firm\n"},
    {"defineNamed", {"define", "--dict", "moby-thesaurus", "house", "--dict=wn"}, "", done, nullptr,
     "",
     "WordNet (r) 3.0\nn 1: a dwelling\n   2: a firm\n\nMoby Thesaurus\nhome, abode\n"},
    {"defineInput", {"define", "--dict", "fd-eng-spa"}, "  house\n", done, nullptr, "",
     "English-Spanish FreeDict\ncasa\n"},
    // Without active dictionaries, the default one answers.
    {"defineByDefault", {"define", "house"}, "", done,
     [](CommandLineTest& t) { t.source->active.clear(); }, "", "Dictionary\ncasa\n"},
    {"defineUnknown", {"define", "zzyzx"}, "", nothing, nullptr, "no definition of zzyzx"},
    {"defineNoSuchDictionary", {"define", "--dict", "fd-xxx-yyy", "house"}, "", nothing, nullptr,
     "no dictionary fd-xxx-yyy is installed"},
    {"defineNoWord", {"define", "--dict", "wn"}, " ", badArguments, nullptr, "define needs a word"},
    {"dictionaries", {"dictionaries"}, "", done, nullptr, "",
     "identifier      name                      format    active\n"
     "fd-eng-spa      English-Spanish FreeDict  dictd     yes\n"
     "fd-deu-eng      German-English            dictd     yes\n"
     "moby-thesaurus  Moby Thesaurus            StarDict  no\n"
     "wn              WordNet (r) 3.0           dictd     yes\n"},
    {"dictionariesWithText", {"dictionaries", "wn"}, "", badArguments, nullptr, "takes no text"},
    {"dictionariesNone", {"dictionaries"}, "", nothing,
     [](CommandLineTest& t) { t.source->clear(); }, "no dictionaries are installed"},
    {"unknownCommand", {"speak"}, "", badArguments, nullptr, "unknown command speak"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(EverySubCommand, CommandLineRuns, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.title; });

TEST_F(CommandLineTest, RecordsHistoryOnlyWhenAskedAndRepairsTheStoredLanguages) {
    run({"translate", "Hallo Welt"});
    EXPECT_FALSE(QFile::exists(historyFile));
    EXPECT_EQ(repaired, QSet<QString>({"en", "es", "de", "ca"}));
    const qint64 counted = store.integer(AppSettings::successfulTranslationsKey);

    EXPECT_EQ(run({"translate", "--history", "Hallo Welt"}).code, CommandLine::done);
    const HistoryModel history(historyFile);
    ASSERT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries().first().source, "Hallo Welt");
    EXPECT_EQ(history.entries().first().result, "HALLO WELT");
    EXPECT_EQ(store.integer(AppSettings::successfulTranslationsKey), counted + 1);
}

TEST_F(CommandLineTest, ALongInputIsTranslatedWholeInPiecesKeepingEveryLine) {
    // About 45,000 characters: three pieces, with blank lines and indentation to keep.
    QString input;
    for (int i = 0; i < 1500; ++i)
        input += (i % 7 == 0 ? QStringLiteral("\n  ") : QString())
                 + QStringLiteral("Hallo Welt, line %1 of many.\n").arg(i, 4, 10, QLatin1Char('0'));

    const auto r = run({"translate", "--from", "de"}, input);

    EXPECT_EQ(r.code, CommandLine::done) << r.err.toStdString();
    EXPECT_EQ(r.out, input.toUpper());
    EXPECT_EQ(engine.session->batches.size(), 3) << "one request batch per piece";
    EXPECT_EQ(r.err.count(QStringLiteral("de → en (")), 1) << "the direction is told once";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
