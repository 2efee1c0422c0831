#pragma once

#include "app/appearance/ColorSchemeSource.h"

#include <QDBusConnection>
#include <QDBusVariant>
#include <QString>
#include <QVariant>

// The light/dark choice that xdg-desktop-portal's Settings publish as
// org.freedesktop.appearance color-scheme: read once without waiting for the answer, then
// followed through SettingChanged. Without a portal it stays unknown.
class PortalColorScheme : public ColorSchemeSource {
    Q_OBJECT

public:
    static constexpr const char* kService = "org.freedesktop.portal.Desktop";
    static constexpr const char* kPath = "/org/freedesktop/portal/desktop";
    static constexpr const char* kInterface = "org.freedesktop.portal.Settings";
    static constexpr const char* kNamespace = "org.freedesktop.appearance";
    static constexpr const char* kKey = "color-scheme";

    explicit PortalColorScheme(QDBusConnection bus, QObject* parent = nullptr);

    Preference preference() const override { return m_preference; }

private slots:
    // Connected by name: QtDBus delivers D-Bus signals only to string-based slots.
    void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void setFrom(const QVariant& value);
    void setPreference(Preference preference);

    QDBusConnection m_bus;
    Preference m_preference = Preference::unknown;
    bool m_malformedLogged = false;
};
