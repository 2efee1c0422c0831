#pragma once

// The command line over a scripted engine, a table recognizer and in-memory dictionaries.

#include "cli/CommandLine.h"
#include "tests/app/dictionary/FakeDictionarySource.h"
#include "tests/app/translation/ScriptedEngine.h"
#include "tests/support/ManualClock.h"

#include <QIODevice>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class CommandLineFixture : public testing::Test {
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

    CommandLineFixture() {
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
        env.recognizers = [this] {
            ++lexiconRecognizers;
            return std::make_unique<TableRecognizer>(table);
        };
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
    int lexiconRecognizers = 0;
};
