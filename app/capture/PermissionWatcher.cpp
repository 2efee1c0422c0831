#include "app/capture/PermissionWatcher.h"

#include <QGuiApplication>

namespace {

std::shared_ptr<PermissionProbe>& installedProbe() {
    static std::shared_ptr<PermissionProbe> probe;
    return probe;
}

// Without a probe nothing can be captured.
class NoPermissions final : public PermissionProbe {
public:
    bool accessibility() override { return false; }
    bool inputMonitoring() override { return false; }
};

} // namespace

PermissionWatcher::PermissionWatcher(std::shared_ptr<PermissionProbe> probe,
                                     DefaultsStore& defaults, QObject* parent)
    : QObject(parent)
    , m_probe(probe ? std::move(probe) : std::make_shared<NoPermissions>())
    , m_defaults(defaults)
    , m_wasGranted(defaults.boolean(QString(wasGrantedKey))) {
    m_timer.setInterval(pollInterval);
    connect(&m_timer, &QTimer::timeout, this, &PermissionWatcher::refresh);
    if (qGuiApp) {
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive)
                        refresh();
                });
    }
    refresh();
    // Allowed before and not now: the user should look at it.
    if (!m_accessibility && m_wasGranted)
        setNeedsAttention(true);
}

PermissionWatcher::~PermissionWatcher() = default;

PermissionWatcher& PermissionWatcher::shared() {
    // Kept for the life of the process: its timer must not outlive the application object.
    static PermissionWatcher* watcher =
        new PermissionWatcher(installedProbe(), DefaultsStore::standard());
    return *watcher;
}

void PermissionWatcher::installShared(std::shared_ptr<PermissionProbe> probe) {
    installedProbe() = std::move(probe);
}

void PermissionWatcher::setNeedsAttention(bool needsAttention) {
    if (m_needsAttention == needsAttention)
        return;
    m_needsAttention = needsAttention;
    emit needsAttentionChanged(needsAttention);
}

void PermissionWatcher::setWasGranted(bool wasGranted) {
    m_wasGranted = wasGranted;
    m_defaults.setBool(QString(wasGrantedKey), wasGranted);
    emit wasGrantedChanged(wasGranted);
}

void PermissionWatcher::refresh() {
    const bool accessibility = m_probe->accessibility();
    const bool inputMonitoring = m_probe->inputMonitoring();
    if (m_accessibility != accessibility) {
        m_accessibility = accessibility;
        emit accessibilityChanged(accessibility);
    }
    if (m_inputMonitoring != inputMonitoring) {
        m_inputMonitoring = inputMonitoring;
        emit inputMonitoringChanged(inputMonitoring);
    }
    if (!accessibility) {
        if (!m_timer.isActive())
            m_timer.start();
        return;
    }
    if (!m_wasGranted)
        setWasGranted(true);
    setNeedsAttention(false);
    m_timer.stop();
}

void PermissionWatcher::request() {
    refresh();
}

void PermissionWatcher::resetAndRequest() {
    request();
}
