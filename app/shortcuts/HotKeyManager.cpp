#include "app/shortcuts/HotKeyManager.h"

#include <QPointer>

namespace {

class NoGlobalHotKeys final : public GlobalHotKeys {
public:
    int grab(const HotKeySpec&) override { return HotKeyManager::noService; }
    void release() override {}
    void setPressHandler(std::function<void()>) override {}
};

std::shared_ptr<GlobalHotKeys>& pendingKeys() {
    static std::shared_ptr<GlobalHotKeys> keys;
    return keys;
}

} // namespace

HotKeyManager::HotKeyManager(std::shared_ptr<GlobalHotKeys> keys, QObject* parent)
    : QObject(parent)
    , m_keys(keys ? std::move(keys) : std::make_shared<NoGlobalHotKeys>()) {}

HotKeyManager::~HotKeyManager() {
    m_keys->setPressHandler({});
    if (m_registered)
        m_keys->release();
}

HotKeyManager& HotKeyManager::shared() {
    // Kept for the life of the process: the display connection behind it may be gone by the
    // time static objects are destroyed.
    static HotKeyManager* instance = new HotKeyManager(pendingKeys());
    return *instance;
}

void HotKeyManager::installShared(std::shared_ptr<GlobalHotKeys> keys) {
    pendingKeys() = std::move(keys);
}

int HotKeyManager::registerHotKey(const HotKeySpec& spec) {
    // The previous shortcut is gone from here on, whatever the new attempt gives.
    release();
    if (!m_handlerInstalled) {
        m_handlerInstalled = true;
        QPointer<HotKeyManager> self(this);
        m_keys->setPressHandler([self] {
            if (!self)
                return;
            // Never inside the service's own event handling: the trigger may open windows or
            // register again.
            QMetaObject::invokeMethod(
                self.data(),
                [self] {
                    if (self && self->onTrigger)
                        self->onTrigger();
                },
                Qt::QueuedConnection);
        });
    }
    const int status = m_keys->grab(spec);
    m_registered = status == 0;
    m_lastStatus = status;
    emit lastStatusChanged(status);
    return status;
}

void HotKeyManager::release() {
    if (m_registered) {
        m_keys->release();
        m_registered = false;
    }
}
