#include "cli/DesktopApplication.h"

#include "app/appearance/Theme.h"
#include "app/capture/PermissionWatcher.h"
#include "app/capture/SelectionCapture.h"
#include "app/languages/LanguageService.h"
#include "app/settings/AppSettings.h"
#include "app/settings/PreferredLanguages.h"
#include "app/settings/SettingsStartup.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/AppModel.h"
#include "app/shell/TranslatorWindowController.h"
#include "app/shortcuts/DoubleCopyMonitor.h"
#include "app/shortcuts/HotKeyManager.h"
#include "app/system/LoginItem.h"
#include "app/system/SpeechService.h"
#include "app/system/SupportLinks.h"
#include "app/translation/Futures.h"
#include "app/updates/UpdateController.h"
#include "core/AboutInfo.h"
#include "platform/linux/apertium/ApertiumEngine.h"
#include "platform/linux/composition/LinuxServices.h"
#include "platform/linux/dbus/DBusTranslateService.h"
#include "platform/linux/desktop/QtSystemTray.h"
#include "platform/linux/instance/InstanceChannel.h"
#include "platform/linux/instance/QuitSignals.h"
#include "platform/linux/packages/PackageKitFileInstaller.h"
#include "platform/linux/portal/PortalColorScheme.h"
#include "platform/linux/updates/QtUpdateNetwork.h"
#include "platform/linux/updates/SodiumUpdateVerifier.h"
#include "platform/linux/x11/X11WindowSystem.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTextStream>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(Verdolin_AppearancePlugin)
Q_IMPORT_QML_PLUGIN(Verdolin_ShellPlugin)
Q_IMPORT_QML_PLUGIN(Verdolin_UiPlugin)

Q_LOGGING_CATEGORY(desktopLog, "verdolin.desktop")

namespace {

// The per-user socket of the running instance, in $XDG_RUNTIME_DIR.
const QString instanceName = QStringLiteral("com.korvane.Verdolin");

constexpr std::chrono::seconds pairWarmUpDelay{3};

// Seconds since the computer started; none when unreadable.
std::optional<double> uptime() {
    QFile file(QStringLiteral("/proc/uptime"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const double seconds =
        QString::fromLatin1(file.readLine()).section(QLatin1Char(' '), 0, 0).toDouble(&ok);
    return ok ? std::optional(seconds) : std::nullopt;
}

bool hasSessionBus() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

// Without an X11 display the shortcut, the selection and the focus hand-back cannot work;
// say so instead of failing silently.
void warnWithoutX11() {
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return;
    QTextStream(stderr)
        << "verdolin: this session does not run on X11 (platform \""
        << QGuiApplication::platformName()
        << "\"): the global shortcut, reading the selection and giving the focus back need an "
           "X11 session. The translator window works; to translate a selection, log in to an X11 "
           "session, or start Verdolin with QT_QPA_PLATFORM=xcb to reach X11 applications "
           "through XWayland.\n";
}

// The update feed; tests point it at a server of their own.
QUrl updateFeed() {
    const QString chosen = qEnvironmentVariable("VERDOLIN_UPDATE_FEED");
    return QUrl(chosen.isEmpty() ? QStringLiteral("https://verdolin.korvane.com/appcast.xml")
                                 : chosen);
}

void showAbout() {
    const QString notice = QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/')
                                           + QStringLiteral(VERDOLIN_NOTICE_FROM_BINDIR));
    const QString text =
        QStringLiteral("<h3>Verdolin</h3><p>%1</p><p>%2</p><p>%3</p>")
            .arg(QObject::tr("Version %1").arg(QCoreApplication::applicationVersion()),
                 QObject::tr("Translates selected text, offline.").toHtmlEscaped(),
                 QObject::tr("Verdolin uses Apertium (GNU GPL 3.0 or later), CLD2 (Apache "
                             "License 2.0) and Qt (GNU LGPL 3.0). The full notice is in %1.")
                     .arg(notice)
                     .toHtmlEscaped());
    // One box at a time, and not modal: the menu that asked for it closes first, and the
    // triggers keep working while it is open.
    static QPointer<QMessageBox> box;
    if (!box) {
        box = new QMessageBox(QMessageBox::NoIcon, QObject::tr("About Verdolin"), text,
                              QMessageBox::Ok);
        box->setIconPixmap(QApplication::windowIcon().pixmap(64));
        box->setAttribute(Qt::WA_DeleteOnClose);
    }
    box->show();
    box->raise();
    box->activateWindow();
}

QList<TranslatorWindowController::Screen> screens() {
    QList<TranslatorWindowController::Screen> list;
    QList<QScreen*> all = QGuiApplication::screens();
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary && all.removeOne(primary))
        all.prepend(primary);
    for (QScreen* screen : all)
        list.append({screen->geometry(), screen->availableGeometry()});
    return list;
}

} // namespace

int DesktopApplication::run(int& argc, char** argv, const QStringList& arguments,
                            const LaunchArguments& launch) {
    // The software scene graph: GL on a software rasteriser costs far more memory and start time
    // than a small window of text needs.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("verdolin"));
    QApplication::setApplicationDisplayName(QStringLiteral("Verdolin"));
    QApplication::setApplicationVersion(QStringLiteral(VERDOLIN_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.korvane.Verdolin"));
    QApplication::setQuitOnLastWindowClosed(false);
    const QIcon icon = QIcon::fromTheme(QStringLiteral("com.korvane.Verdolin"),
                                        QIcon(QStringLiteral(":/icons/verdolin.svg")));
    QApplication::setWindowIcon(icon);

    // One Verdolin per user: a later start hands its arguments over and ends.
    InstanceChannel::Claim claim = InstanceChannel::claim(instanceName, arguments);
    if (claim.outcome == InstanceChannel::Claim::Outcome::Forwarded)
        return 0;
    if (claim.outcome == InstanceChannel::Claim::Outcome::Failed) {
        QTextStream(stderr) << "verdolin: " << claim.error << "\n";
        return 1;
    }
    // The normal way out, so that what waits for the disk is written.
    QuitSignals quitSignals;
    quitSignals.install();
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &application,
                     &QCoreApplication::quit);
    warnWithoutX11();

    LinuxServices::installProcessWide();
    LinuxServices::installInputSources();
    SettingsStartup::run();
    AppSettings& settings = AppSettings::shared();
    SettingsStartup::installTranslator(application, settings.store());
    LinuxServices::installDesktop();

    LinuxServices services;
    LanguageService::Setup languageSetup;
    languageSetup.names = services.names();
    languageSetup.interfaceLocale = SettingsStartup::shownLocale(settings.store());
    languageSetup.preferredLanguages = PreferredLanguages::system();
    LanguageService languages(services.engine(), languageSetup);
    languages.setRepairLanguages(
        [&settings](const QSet<QString>& codes) { settings.repairLanguages(codes); });

    TranslatorModel::registerTypes();
    AppModel::registerQmlTypes();
    TranslatorModel::Services translator;
    translator.settings = &settings;
    translator.languages = &languages;
    translator.engine = &services.engine();
    translator.recognizers = services.recognizers();
    translator.clock = services.clock();
    AppModel::installShared(std::make_unique<AppModel>(
        settings, languages, std::make_unique<HistoryModel>(), std::move(translator)));
    AppModel& app = AppModel::shared();
    app.setPermissions(&PermissionWatcher::shared());
    app.setVersion(AboutInfo::version(QStringLiteral(VERDOLIN_VERSION),
                                      QStringLiteral(VERDOLIN_BUILD_NUMBER)));
    // The desktop's palette before ours replaces it: "system" falls back to its lightness.
    std::unique_ptr<ColorSchemeSource> colorScheme;
    if (hasSessionBus())
        colorScheme = std::make_unique<PortalColorScheme>(QDBusConnection::sessionBus());
    Theme::installShared(
        std::make_unique<Theme>(settings, colorScheme.get(), QGuiApplication::palette()));

    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    std::unique_ptr<X11WindowSystem> windowSystem;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        windowSystem = std::make_unique<X11WindowSystem>();
    TranslatorWindowController::Services windowServices;
    windowServices.app = &app;
    windowServices.windowSystem = windowSystem.get();
    windowServices.build = [&engine]() -> QWindow* {
        engine.load(QUrl(QStringLiteral("qrc:/Verdolin/Ui/TranslatorWindow.qml")));
        const QList<QObject*> roots = engine.rootObjects();
        return roots.isEmpty() ? nullptr : qobject_cast<QWindow*>(roots.constLast());
    };
    windowServices.pointer = [] { return QCursor::pos(); };
    windowServices.screens = screens;
    windowServices.stopSpeech = [] { SpeechService::shared().stop(); };
    TranslatorWindowController window(windowServices);

    QtSystemTray tray(icon);

    QtUpdateNetwork updateNetwork;
    SodiumUpdateVerifier updateVerifier;
    PackageKitFileInstaller updateInstaller;
    Updater::Services updaterServices;
    updaterServices.network = &updateNetwork;
    updaterServices.verifier = &updateVerifier;
    updaterServices.installer = &updateInstaller;
    updaterServices.store = &settings.store();
    updaterServices.clock = services.clock();
    updaterServices.now = [] { return QDateTime::currentDateTimeUtc(); };
    updaterServices.feed = updateFeed();
    updaterServices.currentVersion = QStringLiteral(VERDOLIN_VERSION);
    updaterServices.downloadFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/verdolin/updates");
    Updater updater(updaterServices);
    UpdateController updates(updater, settings, settings.store());
    app.setUpdates(&updates);

    AppDelegate::Services delegateServices;
    delegateServices.app = &app;
    delegateServices.window = &window;
    delegateServices.hotKeys = &HotKeyManager::shared();
    delegateServices.doubleCopy = &DoubleCopyMonitor::shared();
    delegateServices.permissions = &PermissionWatcher::shared();
    delegateServices.tray = &tray;
    delegateServices.updates = &updates;
    delegateServices.capture = [](std::function<void()> finished) {
        return SelectionCapture::shared().capture(std::move(finished));
    };
    delegateServices.clipboardText = []() -> std::optional<QString> {
        const QString text = QGuiApplication::clipboard()->text();
        return text.isEmpty() ? std::nullopt : std::optional(text);
    };
    delegateServices.beep = [] { QApplication::beep(); };
    delegateServices.showAbout = showAbout;
    delegateServices.openSupport = [] { QDesktopServices::openUrl(SupportLinks::url()); };
    delegateServices.quit = [] { QCoreApplication::quit(); };
    delegateServices.clock = services.clock();
    AppDelegate delegate(delegateServices);

    QObject::connect(claim.channel.get(), &InstanceChannel::argumentsReceived, &delegate,
                     [&delegate](const QStringList& forwarded) {
                         const LaunchArguments later = LaunchArguments::parse(forwarded);
                         if (later.error)
                             qCWarning(desktopLog)
                                 << "a later start asked for" << forwarded << "-" << *later.error;
                         else
                             delegate.handle(later.requests);
                     });
    // Asking for the session bus where none runs would start one through dbus-launch.
    std::unique_ptr<DBusTranslateService> textService;
    if (hasSessionBus()) {
        textService = std::make_unique<DBusTranslateService>(
            QDBusConnection::sessionBus(),
            [&delegate](const QString& text) { delegate.translateText(text); });
        textService->start();
    } else {
        qCInfo(desktopLog) << "no session bus: the text service is reachable only as "
                              "verdolin --translate-text";
    }

    QObject::connect(&application, &QGuiApplication::applicationStateChanged, &delegate,
                     [&delegate](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive)
                             delegate.becameActive();
                     });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate, [&] {
        window.setTerminating();
        window.saveGeometry();
        app.model()->commitPendingHistory();
        app.history()->store().flush();
    });

    const bool login = AppDelegate::launchedAsLoginItem(launch.login, LoginItem::shared().status(),
                                                        settings.showInMenuBar(), uptime());
    LoginItem::shared().reRegisterIfMoved();
    // A selection is mostly translated minutes after the last one: the user's own pair stays
    // warm in both directions, started a little after launch so that start-up does not wait.
    const auto keepPairWarm = [&services, &settings, &languages] {
        const QString mine = settings.myLanguage();
        const QString second = settings.secondLanguage();
        services.prepareLexicons({mine, second});
        auto directions = std::make_shared<QList<std::pair<EngineLanguage, EngineLanguage>>>();
        auto pending = std::make_shared<int>(2);
        for (const auto& [from, to] : {std::pair(second, mine), std::pair(mine, second)}) {
            Futures::whenFinished(languages.resolvePair(from, to), &languages,
                                  [&services, directions,
                                   pending](const QFuture<std::optional<ResolvedPair>>& resolved) {
                                      const auto pair = resolved.resultCount() > 0
                                                            ? resolved.result()
                                                            : std::nullopt;
                                      if (pair && pair->status == PairStatus::installed)
                                          directions->append({pair->source, pair->target});
                                      if (--*pending == 0)
                                          services.engine().keepWarm(*directions);
                                  });
        }
    };
    Futures::whenFinished(languages.load(), &languages,
                          [&languages, keepPairWarm](const QFuture<void>&) {
                              QTimer::singleShot(pairWarmUpDelay, &languages, keepPairWarm);
                          });
    QObject::connect(&settings, &AppSettings::myLanguageChanged, &languages, keepPairWarm);
    QObject::connect(&settings, &AppSettings::secondLanguageChanged, &languages, keepPairWarm);
    delegate.start(login);
    if (!launch.requests.isEmpty())
        delegate.handle(launch.requests);
    return application.exec();
}
