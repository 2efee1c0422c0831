#include "platform/linux/composition/LinuxServices.h"

#include "app/capture/PermissionWatcher.h"
#include "app/dictionary/DictionaryPackages.h"
#include "app/dictionary/DictionaryService.h"
#include "app/settings/InputSources.h"
#include "app/shortcuts/DoubleCopyMonitor.h"
#include "app/shortcuts/HotKeyManager.h"
#include "app/shortcuts/SystemHotKeys.h"
#include "app/system/LoginItem.h"
#include "app/system/SoftwareCentre.h"
#include "app/system/SpeechService.h"
#include "platform/linux/apertium/ApertiumEngine.h"
#include "platform/linux/common/BootTimeClock.h"
#include "platform/linux/desktop/DesktopHotKeys.h"
#include "platform/linux/desktop/DesktopSoftwareCentre.h"
#include "platform/linux/desktop/IcuLanguageNames.h"
#include "platform/linux/desktop/XdgAutostart.h"
#include "platform/linux/detection/ApertiumLexicons.h"
#include "platform/linux/detection/Cld2Recognizer.h"
#include "platform/linux/detection/LexiconRecognizer.h"
#include "platform/linux/dictionaries/FileDictionarySource.h"
#include "platform/linux/packages/CachedPackageCatalog.h"
#include "platform/linux/packages/DebianDictionaryPackages.h"
#include "platform/linux/packages/SystemPackageCatalog.h"
#include "platform/linux/speech/SpeechDispatcherSynthesizer.h"
#include "platform/linux/x11/ClipboardOwner.h"
#include "platform/linux/x11/PrimarySelectionReader.h"
#include "platform/linux/x11/TerminalDetector.h"
#include "platform/linux/x11/X11GlobalHotKeys.h"
#include "platform/linux/x11/X11KeyListener.h"
#include "platform/linux/x11/X11KeyboardEvents.h"
#include "platform/linux/x11/X11Pasteboard.h"
#include "platform/linux/x11/X11PermissionProbe.h"
#include "platform/linux/x11/XkbInputSources.h"

#include <QEventLoop>
#include <QFutureWatcher>

#include <mutex>

struct LinuxServices::CatalogSlot {
    std::mutex mutex;
    std::shared_ptr<PackageCatalog> catalog;

    // Only a cache is made here: the package manager is looked for on the first miss.
    std::shared_ptr<PackageCatalog> get() {
        const std::lock_guard lock(mutex);
        if (!catalog) {
            catalog = std::make_shared<CachedPackageCatalog>(CachedPackageCatalog::Options{
                .make = [] { return SystemPackageCatalog::create(); }});
        }
        return catalog;
    }
};

LinuxServices::LinuxServices()
    : LinuxServices(Options{}) {}

LinuxServices::LinuxServices(Options options)
    : m_options(options)
    , m_lexicons(std::make_shared<ApertiumLexicons>())
    , m_names(std::make_shared<IcuLanguageNames>())
    , m_clock(std::make_shared<BootTimeClock>())
    , m_catalog(std::make_shared<CatalogSlot>()) {
    DictionaryPackages::installShared(
        std::make_shared<DebianDictionaryPackages>(DebianDictionaryPackages::Options{
            .catalog = [slot = m_catalog] { return slot->get(); },
            .installed = [] { DictionaryService::shared().reload(); }}));
}

LinuxServices::~LinuxServices() = default;

void LinuxServices::installProcessWide() {
    LoginItem::installSystem(std::make_shared<XdgAutostart>());
    SpeechService::installShared(std::make_unique<SpeechDispatcherSynthesizer>());
    DictionaryService::installShared(std::make_shared<FileDictionarySource>());
    SoftwareCentre::installShared(std::make_shared<DesktopSoftwareCentre>());
}

void LinuxServices::installDesktop() {
    HotKeyManager::installShared(std::make_shared<X11GlobalHotKeys>());
    SystemHotKeys::installSystem(std::make_unique<DesktopHotKeys>());
    const auto owner = std::make_shared<ClipboardOwner>();
    SelectionCapture::Services capture = LinuxServices::capture({}, owner);
    const quint32 injector = capture.keyboard->injectorId();
    SelectionCapture::installShared(std::move(capture));
    DoubleCopyMonitor::installShared(
        std::make_shared<X11KeyListener>(QByteArray(), QList<quint32>{injector}),
        SelectionCapture::running, std::make_shared<BootTimeClock>());
    PermissionWatcher::installShared(std::make_shared<X11PermissionProbe>());
}

void LinuxServices::installInputSources() {
    InputSources::installSystem(std::make_unique<XkbInputSources>());
}

SelectionCapture::Services LinuxServices::capture(const QByteArray& displayName,
                                                  std::shared_ptr<ClipboardOwner> owner) {
    SelectionCapture::Services services;
    services.permissions = std::make_shared<X11PermissionProbe>(displayName);
    services.keyboard = std::make_shared<X11KeyboardEvents>(displayName);
    services.selection = std::make_shared<PrimarySelectionReader>(displayName);
    services.focusedWindow = std::make_shared<TerminalDetector>(displayName);
    services.pasteboard = std::make_shared<X11Pasteboard>(displayName, std::move(owner));
    return services;
}

ApertiumEngine& LinuxServices::engine() {
    if (!m_engine) {
        ApertiumEngine::Options options;
        options.catalog = m_catalog->get();
        m_engine = std::make_unique<ApertiumEngine>(options);
    }
    return *m_engine;
}

bool LinuxServices::hasEngine() const {
    return m_engine != nullptr;
}

QStringList LinuxServices::packagesFor(const DownloadRequest& request) {
    if (!m_engine)
        return {};
    QFuture<PackageCatalog::Listing> listing = m_catalog->get()->packages();
    if (!listing.isFinished()) {
        QEventLoop loop;
        QFutureWatcher<PackageCatalog::Listing> watcher;
        QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(listing);
        if (!listing.isFinished())
            loop.exec();
    }
    if (listing.resultCount() == 0)
        return {};
    return m_engine->packagesFor(listing.result(), request.source, request.target);
}

LanguageRecognizerFactory LinuxServices::recognizers() const {
    LexiconRecognizer::Options options;
    options.timeout = m_options.lexiconTimeout;
    return lexiconRecognizerFactory(m_lexicons, options);
}

LanguageRecognizerFactory LinuxServices::plainRecognizers() {
    return cld2RecognizerFactory();
}

void LinuxServices::prepareLexicons(const QStringList& codes) {
    m_lexicons->startLoading(codes);
}

std::shared_ptr<const LanguageNames> LinuxServices::names() const {
    return m_names;
}

std::shared_ptr<DelayClock> LinuxServices::clock() const {
    return m_clock;
}
