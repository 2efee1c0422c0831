#include "platform/linux/desktop/DesktopHotKeys.h"

#include "platform/linux/common/ChildProcess.h"
#include "platform/linux/desktop/GnomeKeyBindings.h"
#include "platform/linux/desktop/KdeGlobalShortcuts.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace {

std::optional<QString> runGsettings(const QStringList& arguments) {
    QProcess process;
    // Its output is read as UTF-8, whatever the user's locale, and it must start even when
    // that locale was never generated.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(ChildProcess::childLocale()));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral("gsettings"), arguments);
    if (!process.waitForStarted(2000))
        return std::nullopt;
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool names(const QString& desktops, QLatin1StringView desktop) {
    for (const QString& entry : desktops.split(u':', Qt::SkipEmptyParts)) {
        if (entry.contains(desktop, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

DesktopHotKeys::DesktopHotKeys()
    : DesktopHotKeys(systemEnvironment()) {}

DesktopHotKeys::DesktopHotKeys(Environment environment)
    : m_environment(std::move(environment)) {
    if (!m_environment.gsettings)
        m_environment.gsettings = [](const QStringList&) { return std::optional<QString>(); };
}

DesktopHotKeys::Environment DesktopHotKeys::systemEnvironment() {
    Environment environment;
    environment.currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    if (environment.currentDesktop.isEmpty())
        environment.currentDesktop = qEnvironmentVariable("DESKTOP_SESSION");
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (!config.isEmpty())
        environment.kdeShortcutsFile = config + QStringLiteral("/kglobalshortcutsrc");
    environment.gsettings = runGsettings;
    return environment;
}

QList<ReservedHotKey> DesktopHotKeys::read() const {
    // Another desktop's settings may be installed without being in force.
    if (names(m_environment.currentDesktop, QLatin1StringView("KDE")))
        return readKde();
    if (names(m_environment.currentDesktop, QLatin1StringView("GNOME")))
        return readGnome();
    return {};
}

QList<ReservedHotKey> DesktopHotKeys::readGnome() const {
    QList<ReservedHotKey> reserved;
    for (const QString& schema : GnomeKeyBindings::schemas()) {
        const std::optional<QString> listing =
            m_environment.gsettings({QStringLiteral("list-recursively"), schema});
        if (!listing)
            continue;
        reserved += GnomeKeyBindings::bindingsOfListing(*listing, gnomeName());
        for (const QString& path : GnomeKeyBindings::customBindingPaths(*listing)) {
            const std::optional<QString> binding = m_environment.gsettings(
                {QStringLiteral("get"), GnomeKeyBindings::customSchema() + u':' + path,
                 QStringLiteral("binding")});
            if (!binding)
                continue;
            for (const QString& accelerator : GnomeKeyBindings::strings(*binding)) {
                if (const auto spec = GnomeKeyBindings::parseAccelerator(accelerator))
                    reserved.append(ReservedHotKey{spec->code, spec->mods, gnomeName()});
            }
        }
    }
    return reserved;
}

QList<ReservedHotKey> DesktopHotKeys::readKde() const {
    QFile file(m_environment.kdeShortcutsFile);
    if (m_environment.kdeShortcutsFile.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    return KdeGlobalShortcuts::shortcutsOfConfig(QString::fromUtf8(file.readAll()), kdeName());
}
