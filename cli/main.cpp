#include "app/settings/AppSettings.h"
#include "app/settings/PreferredLanguages.h"
#include "app/settings/SettingsStartup.h"
#include "app/translation/HistoryModel.h"
#include "cli/CommandLine.h"
#include "cli/DesktopApplication.h"
#include "platform/linux/apertium/ApertiumEngine.h"
#include "platform/linux/composition/LinuxServices.h"
#include "platform/linux/x11/CaptureCommand.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

int runCommand(const QStringList& arguments) {
    // A translator failure is told once, by the command that met it.
    QLoggingCategory::setFilterRules(
        QStringLiteral("verdolin.*.debug=false\nverdolin.apertium*.warning=false"));
    // The first language pair comes from the preferred languages and the keyboard layouts.
    LinuxServices::installInputSources();
    SettingsStartup::run();
    AppSettings& settings = AppSettings::shared();

    // A command runs once, so detection waits for the analysers to start rather than answer
    // from CLD2 alone.
    LinuxServices services(LinuxServices::Options{.lexiconTimeout = std::chrono::seconds(1)});

    QTextStream in(stdin);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine::Environment environment;
    environment.engine = [&services]() -> TranslationEngine& { return services.engine(); };
    environment.recognizers = services.recognizers();
    environment.plainRecognizers = LinuxServices::plainRecognizers();
    environment.names = services.names();
    environment.interfaceLocale = SettingsStartup::shownLocale(settings.store());
    environment.preferredLanguages = PreferredLanguages::system();
    environment.storedLanguages = [&settings] {
        return LanguagePrefs{settings.myLanguage(), settings.secondLanguage()};
    };
    environment.repairLanguages = [&settings](const QSet<QString>& codes) {
        settings.repairLanguages(codes);
    };
    environment.packagesFor = [&services](const DownloadRequest& request) {
        return services.packagesFor(request);
    };
    environment.dictionaries = []() -> DictionaryService& { return DictionaryService::shared(); };
    environment.settings = [&settings]() -> AppSettings& { return settings; };
    environment.clock = services.clock();
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

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // Standard error belongs to the commands' own messages; QT_LOGGING_RULES still wins.
    QLoggingCategory::setFilterRules(QStringLiteral("verdolin.*.debug=false"));
    if (!arguments.isEmpty() && CommandLine::handles(arguments.first())) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("verdolin"));
        LinuxServices::installProcessWide();
        return runCommand(arguments);
    }

    if (arguments == QStringList{QStringLiteral("--version")}) {
        QTextStream(stdout) << "verdolin " << VERDOLIN_VERSION << "\n";
        return 0;
    }
    if (arguments == QStringList{QStringLiteral("--help")}
        || arguments == QStringList{QStringLiteral("-h")}) {
        QTextStream(stdout) << CommandLine::usageText();
        return 0;
    }
    const LaunchArguments launch = LaunchArguments::parse(arguments);
    if (launch.error) {
        QTextStream(stderr) << "verdolin: " << *launch.error << "\n" << CommandLine::usageText();
        return CommandLine::usage;
    }
    return DesktopApplication::run(argc, argv, arguments, launch);
}
