#include "platform/linux/desktop/XdgAutostart.h"

#include "app/system/LoginItem.h"
#include "platform/linux/desktop/DesktopEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("XdgAutostart", text);
}

const QLatin1StringView executableName{"verdolin"};

} // namespace

QString XdgAutostart::defaultFolder() {
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    // Relative values are invalid and to be ignored.
    const QString base = QDir::isAbsolutePath(configHome)
                             ? configHome
                             : QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/autostart"));
}

XdgAutostart::XdgAutostart()
    : XdgAutostart(defaultFolder(), QCoreApplication::instance()
                                        ? QCoreApplication::applicationFilePath()
                                        : QString()) {}

XdgAutostart::XdgAutostart(const QString& folder, const QString& executablePath)
    : m_folder(folder)
    , m_executablePath(executablePath) {}

QString XdgAutostart::filePath() const {
    return m_folder + u'/' + fileName;
}

std::optional<QByteArray> XdgAutostart::entryFor(const QString& executablePath) {
    const std::optional<QString> exec =
        DesktopEntry::escapeValue(DesktopEntry::quoteExecArgument(executablePath) + u' '
                                  + DesktopEntry::quoteExecArgument(LoginItem::launchFlag));
    if (!exec)
        return std::nullopt;
    QString entry = QStringLiteral("[Desktop Entry]\n"
                                   "Type=Application\n"
                                   "Name=Verdolin\n"
                                   "Comment=Translate selected text offline\n");
    entry += QStringLiteral("Exec=") + *exec + u'\n';
    entry += QStringLiteral("Icon=com.korvane.Verdolin\n"
                            "Terminal=false\n"
                            "NoDisplay=false\n"
                            "X-GNOME-Autostart-enabled=true\n");
    return entry.toUtf8();
}

bool XdgAutostart::isOurProgram(const QString& program) const {
    const QString name = QFileInfo(program).fileName();
    return name == executableName
           || (!m_executablePath.isEmpty() && name == QFileInfo(m_executablePath).fileName());
}

std::optional<XdgAutostart::Launch> XdgAutostart::readLaunch(bool* disabled) const {
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QHash<QString, QString> keys = DesktopEntry::mainGroup(file.readAll());
    if (disabled) {
        *disabled =
            DesktopEntry::isTrue(keys.value(QStringLiteral("Hidden")))
            || DesktopEntry::isFalse(keys.value(QStringLiteral("X-GNOME-Autostart-enabled")));
    }
    const auto exec = keys.constFind(QStringLiteral("Exec"));
    if (exec == keys.cend())
        return std::nullopt;
    const std::optional<QStringList> arguments = DesktopEntry::execArguments(*exec);
    if (!arguments || arguments->isEmpty())
        return std::nullopt;
    return Launch{arguments->first(), arguments->indexOf(LoginItem::launchFlag, 1) > 0};
}

LoginRegistration::Status XdgAutostart::status() const {
    bool disabled = false;
    const std::optional<Launch> launch = readLaunch(&disabled);
    const bool ours = launch && launch->loginFlag && isOurProgram(launch->program);
    return ours && !disabled ? Status::enabled : Status::notRegistered;
}

std::optional<QString> XdgAutostart::registerApp() {
    if (!QDir::isAbsolutePath(m_executablePath))
        return tr("The location of the Verdolin program is unknown.");
    const std::optional<QByteArray> entry = entryFor(m_executablePath);
    if (!entry) {
        return tr("The Verdolin program lies in a folder whose name cannot be written into "
                  "an autostart entry: %1")
            .arg(m_executablePath);
    }
    if (!QDir().mkpath(m_folder))
        return tr("Could not create the folder %1.").arg(m_folder);
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly))
        return tr("Could not write %1: %2").arg(filePath(), file.errorString());
    if (file.write(*entry) != entry->size() || !file.commit())
        return tr("Could not write %1: %2").arg(filePath(), file.errorString());
    return std::nullopt;
}

std::optional<QString> XdgAutostart::unregisterApp() {
    const QFileInfo info(filePath());
    if (!info.exists() && !info.isSymLink())
        return std::nullopt;
    const std::optional<Launch> launch = readLaunch(nullptr);
    if (launch && !isOurProgram(launch->program))
        return std::nullopt;
    QFile file(filePath());
    if (!file.remove())
        return tr("Could not remove %1: %2").arg(filePath(), file.errorString());
    return std::nullopt;
}
