#pragma once

#include "app/capture/SelectionCapture.h"
#include "app/languages/DownloadRequest.h"
#include "app/languages/LanguageNames.h"
#include "app/translation/DelayClock.h"
#include "core/LanguageRecognizer.h"
#include "platform/linux/detection/LexiconRecognizer.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class ApertiumEngine;
class ApertiumLexicons;
class ClipboardOwner;

// The Linux services behind the app's interfaces, made in one place for the command line and the
// desktop application: which binding serves which interface, and what is shared between them.
// Heavy services (the engine and its package catalog, the lexicons' analysers) start on first
// use. Lives on the main thread for the whole process.
class LinuxServices {
public:
    struct Options {
        // How long detection waits for the lexicons. The window answers at once; a command runs
        // once and may wait for the analysers to start.
        std::chrono::milliseconds lexiconTimeout = LexiconRecognizer::evidenceTimeout;
    };

    // Installs the process-wide dictionary packages, which install through the engine's package
    // catalog.
    LinuxServices();
    explicit LinuxServices(Options options);
    ~LinuxServices();
    LinuxServices(const LinuxServices&) = delete;
    LinuxServices& operator=(const LinuxServices&) = delete;

    // The process-wide services that need nothing started: opening at login, read-aloud (the
    // daemon is reached on the first reading), the dictionaries (read when first asked) and the
    // software centre (looked for when asked).
    static void installProcessWide();
    // The keyboard layouts, for the first language pair; before the settings' start-up.
    static void installInputSources();
    // The desktop application's triggers and capture on the X display of the application: the
    // global shortcut, the desktop's own shortcuts, the capture with one clipboard owner for
    // the whole process, double copy (blind to our own keystrokes) and the permission watcher.
    static void installDesktop();

    // The capture's services on one X display (empty name: DISPLAY). Restored clipboards are
    // served by `owner`, which has to live as long as they should.
    static SelectionCapture::Services capture(const QByteArray& displayName,
                                              std::shared_ptr<ClipboardOwner> owner);

    // The translation engine, made on first use with a package catalog that asks apt and
    // PackageKit only when their answer may have changed.
    ApertiumEngine& engine();
    bool hasEngine() const;
    // The pair packages that would make a request translatable (two for a chain whose legs are
    // both missing), if the engine was made and the package manager offers them. Waits for the
    // listing in a local event loop.
    QStringList packagesFor(const DownloadRequest& request);

    // Recognisers checked against the lexicons, and plain CLD2 for when they cannot matter.
    LanguageRecognizerFactory recognizers() const;
    static LanguageRecognizerFactory plainRecognizers();

    // Starts the analysers of the user's languages in the background.
    void prepareLexicons(const QStringList& codes);

    std::shared_ptr<const LanguageNames> names() const;
    std::shared_ptr<DelayClock> clock() const;

private:
    // The system's package catalog, made on first use; shared with the dictionary packages,
    // which may outlive these services.
    struct CatalogSlot;

    Options m_options;
    std::shared_ptr<ApertiumLexicons> m_lexicons;
    std::shared_ptr<const LanguageNames> m_names;
    std::shared_ptr<DelayClock> m_clock;
    std::shared_ptr<CatalogSlot> m_catalog;
    std::unique_ptr<ApertiumEngine> m_engine;
};
