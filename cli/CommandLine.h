#pragma once

#include "app/dictionary/DictionaryService.h"
#include "app/languages/DownloadRequest.h"
#include "app/languages/LanguageNames.h"
#include "app/languages/LanguageService.h"
#include "app/languages/TranslationEngine.h"
#include "app/settings/AppSettings.h"
#include "app/translation/DelayClock.h"
#include "app/translation/TranslatorModel.h"
#include "core/LanguagePrefs.h"
#include "core/LanguageRecognizer.h"

#include <QLocale>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>
#include <optional>

// The sub-commands of the verdolin executable for scripts and evaluation: translate,
// languages, detect, define and dictionaries. They run the same translation run and language
// service as the window. Waits for the engine in local event loops, so a QCoreApplication must
// exist.
class CommandLine {
public:
    enum ExitCode {
        done = 0,
        notFound = 1,       // no text with words, no language, no definition, no dictionaries
        usage = 2,          // bad arguments
        unavailable = 3,    // the pair needs a download or cannot be translated here
        engineFailure = 4,  // the engine failed or has no languages at all
        historyFailure = 5, // translated, but the history could not be read or saved
    };

    struct Environment {
        // Made on first use: detect with its own language list never needs one.
        std::function<TranslationEngine&()> engine;
        LanguageRecognizerFactory recognizers;
        // Without the lexicons, for when detection cannot change the result; `recognizers`
        // when absent.
        LanguageRecognizerFactory plainRecognizers;
        std::shared_ptr<const LanguageNames> names;
        QLocale interfaceLocale{QLocale::English};
        QStringList preferredLanguages;
        // The stored my and second language, read when a command needs them (after the
        // engine's languages have repaired them).
        std::function<LanguagePrefs()> storedLanguages;
        std::function<void(const QSet<QString>&)> repairLanguages;
        // The package that would make a pair translatable ("apertium-eng-cat"), if known.
        std::function<QStringList(const DownloadRequest&)> packagesFor;
        // Made on first use, like the engine.
        std::function<DictionaryService&()> dictionaries;
        // What translate reads: the languages, definitions, history switch.
        std::function<AppSettings&()> settings;
        std::shared_ptr<DelayClock> clock;
        // Where translate --history records; absent keeps it in memory.
        std::optional<QString> historyFile;
        QTextStream* in = nullptr;
        QTextStream* out = nullptr;
        QTextStream* err = nullptr;
    };

    explicit CommandLine(Environment environment);

    // Whether `command` is one of the sub-commands.
    static bool handles(const QString& command);

    // Runs one sub-command; `arguments` start with its name. The codes are the README's.
    int run(const QStringList& arguments);

    static QString usageText();

private:
    int translate(const QStringList& arguments);
    int languages(const QStringList& arguments);
    int detect(const QStringList& arguments);
    int define(const QStringList& arguments);
    int listDictionaries(const QStringList& arguments);
    int usageError(const QString& message);
    // Says why a translation ended without a result; the exit code.
    int reportUnfinished(const TranslatorModel& model, const LanguageService& service);

    Environment m_env;
};
