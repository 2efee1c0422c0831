#include "platform/linux/dbus/DBusTranslateService.h"

#include <QDBusConnectionInterface>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcDBus, "verdolin.dbus")

DBusTranslateService::DBusTranslateService(QDBusConnection bus,
                                           std::function<void(const QString&)> translate,
                                           QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_translate(std::move(translate)) {}

DBusTranslateService::~DBusTranslateService() {
    if (!m_started)
        return;
    m_bus.unregisterService(kService);
    m_bus.unregisterObject(kPath);
}

bool DBusTranslateService::start() {
    if (!m_bus.isConnected()) {
        qCInfo(lcDBus) << "no session bus, so no" << kService
                       << "service:" << m_bus.lastError().message();
        return false;
    }
    if (!m_bus.registerObject(kPath, this, QDBusConnection::ExportScriptableSlots)) {
        qCWarning(lcDBus) << "cannot offer" << kPath << m_bus.lastError().message();
        return false;
    }
    // The object first: a caller that sees the name finds the method.
    if (!m_bus.registerService(kService)) {
        qCWarning(lcDBus) << kService << "is taken on the session bus by another program";
        m_bus.unregisterObject(kPath);
        return false;
    }
    m_started = true;
    return true;
}

void DBusTranslateService::TranslateText(const QString& text) {
    if (!text.isEmpty())
        m_translate(text);
}
