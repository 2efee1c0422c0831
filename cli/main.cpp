#include "app/settings/AppSettings.h"
#include "cli/CommandLine.h"
#include "app/translation/HistoryModel.h"
#include "app/system/LoginItem.h"
#include "app/settings/PreferredLanguages.h"
#include "app/settings/SettingsStartup.h"
#include "app/system/SpeechService.h"
#include "platform/linux/apertium/ApertiumEngine.h"
#include "platform/linux/detection/ApertiumLexicons.h"
#include "platform/linux/common/BootTimeClock.h"
#include "platform/linux/packages/CachedPackageCatalog.h"
#include "platform/linux/x11/CaptureCommand.h"
#include "platform/linux/detection/Cld2Recognizer.h"
#include "platform/linux/dictionaries/FileDictionarySource.h"
#include "platform/linux/desktop/IcuLanguageNames.h"
#include "platform/linux/detection/LexiconRecognizer.h"
#include "platform/linux/speech/SpeechDispatcherSynthesizer.h"
#include "platform/linux/packages/SystemPackageCatalog.h"
#include "platform/linux/desktop/XdgAutostart.h"
#include "platform/linux/x11/XkbInputSources.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// The interface speaks English or Russian; language names follow it.
QLocale interfaceLocale() {
    const QLocale chosen = SettingsStartup::interfaceLocale(AppSettings::shared().store());
    return chosen.language() == QLocale::Russian ? chosen : QLocale(QLocale::English);
}

// The pair package that would make a pair translatable, from the package manager's listing.
std::optional<QString> packageFor(PackageCatalog& catalog, const DownloadRequest& request) {
    QFuture<PackageCatalog::Listing> listing = catalog.packages();
    if (!listing.isFinished()) {
        QEventLoop loop;
        QFutureWatcher<PackageCatalog::Listing> watcher;
        QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(listing);
        if (!listing.isFinished())
            loop.exec();
    }
    if (listing.resultCount() == 0)
        return std::nullopt;
    const std::optional<LanguagePackage> package =
        ApertiumEngine::offeringPackage(listing.result(), request.source, request.target);
    return package ? std::optional<QString>(package->name) : std::nullopt;
}

int runCommand(const QStringList& arguments) {
    // A translator failure is told once, by the command that met it.
    QLoggingCategory::setFilterRules(
        QStringLiteral("verdolin.*.debug=false\nverdolin.apertium*.warning=false"));
    // The first language pair comes from the preferred languages and the keyboard layouts.
    InputSources::installSystem(std::make_unique<XkbInputSources>());
    SettingsStartup::run();
    AppSettings& settings = AppSettings::shared();

    std::shared_ptr<PackageCatalog> catalog;
    std::unique_ptr<ApertiumEngine> engine;
    const auto ensureEngine = [&]() -> ApertiumEngine& {
        if (!engine) {
            // apt and PackageKit are asked only when their answer may have changed.
            catalog = std::make_shared<CachedPackageCatalog>(CachedPackageCatalog::Options{
                .make = [] { return SystemPackageCatalog::create(); }});
            ApertiumEngine::Options options;
            options.catalog = catalog;
            engine = std::make_unique<ApertiumEngine>(options);
        }
        return *engine;
    };

    QTextStream in(stdin);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine::Environment environment;
    environment.engine = ensureEngine;
    // Short texts are checked against the lexicons of the user's languages. A command runs
    // once, so it waits for the analysers to start rather than answer from CLD2 alone.
    LexiconRecognizer::Options lexiconOptions;
    lexiconOptions.timeout = std::chrono::seconds(1);
    environment.recognizers =
        lexiconRecognizerFactory(std::make_shared<ApertiumLexicons>(), lexiconOptions);
    environment.plainRecognizers = cld2RecognizerFactory();
    environment.names = std::make_shared<IcuLanguageNames>();
    environment.interfaceLocale = interfaceLocale();
    environment.preferredLanguages = PreferredLanguages::system();
    environment.storedLanguages = [&settings] {
        return LanguagePrefs{settings.myLanguage(), settings.secondLanguage()};
    };
    environment.repairLanguages = [&settings](const QSet<QString>& codes) {
        settings.repairLanguages(codes);
    };
    environment.packageFor = [&catalog](const DownloadRequest& request) {
        return catalog ? packageFor(*catalog, request) : std::nullopt;
    };
    // Only remembers the folders; they are read when a dictionary command asks.
    DictionaryService::installShared(std::make_shared<FileDictionarySource>());
    environment.dictionaries = []() -> DictionaryService& { return DictionaryService::shared(); };
    environment.settings = [&settings]() -> AppSettings& { return settings; };
    environment.clock = std::make_shared<BootTimeClock>();
    environment.historyFile = HistoryModel::defaultLocation();
    environment.in = &in;
    environment.out = &out;
    environment.err = &err;
    return CommandLine(environment).run(arguments);
}

} // namespace

int main(int argc, char* argv[]) {
    // Forks, so it comes before anything starts a thread.
    if (argc > 1 && std::strcmp(argv[1], "capture") == 0) {
        QList<QByteArray> arguments;
        for (int i = 2; i < argc; ++i)
            arguments.append(argv[i]);
        return CaptureCommand::run(arguments);
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("verdolin"));
    // Standard error belongs to the commands' own messages; QT_LOGGING_RULES still wins.
    QLoggingCategory::setFilterRules(QStringLiteral("verdolin.*.debug=false"));
    LoginItem::installSystem(std::make_shared<XdgAutostart>());
    // Nothing is started until the first reading.
    SpeechService::installShared(std::make_unique<SpeechDispatcherSynthesizer>());
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (!arguments.isEmpty() && CommandLine::handles(arguments.first()))
        return runCommand(arguments);

    QTextStream(stderr) << "verdolin: the desktop application is not there yet\n"
                        << CommandLine::usageText();
    return CommandLine::usage;
}
