#include "platform/linux/desktop/DesktopSoftwareCentre.h"

#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>

namespace {

Q_LOGGING_CATEGORY(lcSoftwareCentre, "verdolin.desktop.software")

bool isKde(const QString& desktop) {
    return desktop.split(u':').contains(QStringLiteral("KDE"), Qt::CaseInsensitive);
}

} // namespace

DesktopSoftwareCentre::DesktopSoftwareCentre(QString desktop)
    : m_desktop(std::move(desktop)) {}

bool DesktopSoftwareCentre::available() const {
    return command({}).has_value();
}

QString DesktopSoftwareCentre::name() const {
    const std::optional<Command> found = command({});
    return found ? found->name : QString();
}

bool DesktopSoftwareCentre::openSearch(const QString& term) {
    const std::optional<Command> found = command(term);
    if (!found)
        return false;
    if (!QProcess::startDetached(found->program, found->arguments)) {
        qCWarning(lcSoftwareCentre) << found->program << "could not be started";
        return false;
    }
    return true;
}

std::optional<DesktopSoftwareCentre::Command>
DesktopSoftwareCentre::command(const QString& term) const {
    const QString gnome = QStandardPaths::findExecutable(QStringLiteral("gnome-software"));
    const QString discover = QStandardPaths::findExecutable(QStringLiteral("plasma-discover"));
    // Either can search on any desktop; the desktop's own fits in better.
    if (!discover.isEmpty() && (gnome.isEmpty() || isKde(m_desktop)))
        return Command{discover, {QStringLiteral("--search"), term}, QStringLiteral("Discover")};
    if (!gnome.isEmpty())
        return Command{
            gnome, {QStringLiteral("--search=") + term}, QStringLiteral("GNOME Software")};
    return std::nullopt;
}
