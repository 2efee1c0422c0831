#include "app/system/LoginItem.h"

#include "app/settings/DefaultsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QPromise>
#include <QThreadPool>

struct LoginItem::State {
    Setup setup;
    // Keeps the background repair and the user's switch from interleaving their steps.
    QMutex mutex;
};

namespace {

class Unavailable final : public LoginRegistration {
public:
    Status status() const override { return Status::notRegistered; }
    std::optional<QString> registerApp() override {
        return QCoreApplication::translate("LoginItem",
                                           "Starting at login is not available on this system.");
    }
    std::optional<QString> unregisterApp() override { return std::nullopt; }
};

std::shared_ptr<LoginRegistration>& installed() {
    static std::shared_ptr<LoginRegistration> registration = std::make_shared<Unavailable>();
    return registration;
}

// `folder` and its canonical form, so that a symbolic link on the way does not hide a match.
QStringList spellings(const QString& folder) {
    QStringList forms;
    if (!QDir::isAbsolutePath(folder))
        return forms;
    forms.append(QDir::cleanPath(folder));
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (!canonical.isEmpty() && canonical != forms.first())
        forms.append(canonical);
    return forms;
}

bool isUnder(const QString& path, const QStringList& folders) {
    for (const QString& folder : folders) {
        for (const QString& base : spellings(folder)) {
            if (base == u"/" || path.startsWith(base + u'/'))
                return true;
        }
    }
    return false;
}

// A copy in a folder configured by CMake is a developer's build.
bool isInBuildTree(const QString& path) {
    QString folder = path;
    while (true) {
        const qsizetype slash = folder.lastIndexOf(u'/');
        if (slash < 0)
            return false;
        folder.truncate(slash);
        if (QFileInfo::exists(folder + QStringLiteral("/CMakeCache.txt")))
            return true;
        if (folder.isEmpty())
            return false;
    }
}

// Only an installed copy is worth starting at login; a build, a copy in a temporary folder or
// one run from anywhere else would leave a dead entry behind once it is gone.
bool isWorthRegistering(const QString& path, const LoginItem::Setup& setup) {
    if (!QDir::isAbsolutePath(path))
        return false;
    const QString clean = QDir::cleanPath(path);
    if (isUnder(clean, setup.temporaryFolders) || isInBuildTree(clean))
        return false;
    QStringList installedFolders{QStringLiteral("/usr"), QStringLiteral("/opt")};
    if (QDir::isAbsolutePath(setup.homePath)) {
        installedFolders.append(setup.homePath + QStringLiteral("/.local"));
        installedFolders.append(setup.homePath + QStringLiteral("/Applications"));
    }
    return isUnder(clean, installedFolders);
}

void repair(const LoginItem::Setup& setup, const QString& path) {
    LoginRegistration& registration = *setup.registration;
    if (registration.status() != LoginItem::Status::enabled)
        return;
    DefaultsStore& defaults = *setup.defaults;
    const std::optional<QString> registered = defaults.string(LoginItem::pathKey);
    if (!registered) {
        // Enabled by a version that did not record the path.
        defaults.setString(LoginItem::pathKey, path);
        return;
    }
    if (*registered == path)
        return;
    (void)registration.unregisterApp();
    if (registration.registerApp())
        (void)registration.registerApp();
    if (registration.status() == LoginItem::Status::enabled)
        defaults.setString(LoginItem::pathKey, path);
}

} // namespace

LoginItem::LoginItem(Setup setup)
    : m_state(std::make_shared<State>()) {
    Q_ASSERT(setup.registration && setup.defaults);
    m_state->setup = std::move(setup);
}

LoginItem& LoginItem::shared() {
    static LoginItem item(
        Setup{installed(), &DefaultsStore::standard(),
              QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString(),
              QDir::homePath(), defaultTemporaryFolders()});
    return item;
}

void LoginItem::installSystem(std::shared_ptr<LoginRegistration> registration) {
    if (registration)
        installed() = std::move(registration);
}

QStringList LoginItem::defaultTemporaryFolders() {
    return {QDir::tempPath(), QStringLiteral("/tmp"), QStringLiteral("/var/tmp")};
}

LoginItem::Status LoginItem::status() const {
    return m_state->setup.registration->status();
}

std::optional<QString> LoginItem::set(bool enabled) {
    QMutexLocker lock(&m_state->mutex);
    const Setup& setup = m_state->setup;
    if (!enabled)
        return setup.registration->unregisterApp();
    if (std::optional<QString> error = setup.registration->registerApp())
        return error;
    setup.defaults->setString(pathKey, setup.executablePath);
    return std::nullopt;
}

QFuture<void> LoginItem::reRegisterIfMoved() {
    auto promise = std::make_shared<QPromise<void>>();
    QFuture<void> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([state = m_state, promise] {
        const QString path = state->setup.executablePath;
        if (isWorthRegistering(path, state->setup)) {
            QMutexLocker lock(&state->mutex);
            repair(state->setup, path);
        }
        promise->finish();
    });
    return future;
}
