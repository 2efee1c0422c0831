#include "platform/linux/portal/PortalColorScheme.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPortal, "verdolin.portal")

namespace {

// Read answers with a variant holding the value in a second variant; a signal's value, and
// a portal that fixed that, have one level. A third level is not a valid answer.
QVariant unwrap(QVariant value) {
    for (int level = 0; level < 2 && value.metaType() == QMetaType::fromType<QDBusVariant>();
         ++level)
        value = value.value<QDBusVariant>().variant();
    return value;
}

} // namespace

PortalColorScheme::PortalColorScheme(QDBusConnection bus, QObject* parent)
    : ColorSchemeSource(parent)
    , m_bus(std::move(bus)) {
    if (!m_bus.isConnected()) {
        qCInfo(lcPortal) << "no session bus, so no desktop colour scheme";
        return;
    }
    // Listen before asking, so a change made while the answer is on its way is not missed;
    // both come from the portal in the order it sent them.
    //
    // QtDBus finds the slot's types by name, and QDBusVariant has none until first used: without
    // this the first connection in the process fails.
    qRegisterMetaType<QDBusVariant>();
    if (!m_bus.connect(kService, kPath, kInterface, "SettingChanged", "ssv", this,
                       SLOT(onSettingChanged(QString, QString, QDBusVariant))))
        qCWarning(lcPortal) << "cannot follow changes of the colour scheme";

    // ReadOne is newer than Debian 12's portal, which has only Read. Asked without waiting:
    // starting the portal by activation can take seconds.
    QDBusMessage read = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Read");
    read << QString(kNamespace) << QString(kKey);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(read), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusMessage reply = finished->reply();
                if (reply.type() != QDBusMessage::ReplyMessage) {
                    // Common on desktops without a portal or its appearance settings.
                    qCInfo(lcPortal) << "no colour scheme from the portal:" << reply.errorName()
                                     << reply.errorMessage();
                    return;
                }
                setFrom(reply.arguments().value(0));
            });
}

void PortalColorScheme::onSettingChanged(const QString& group, const QString& key,
                                         const QDBusVariant& value) {
    if (group == QLatin1String(kNamespace) && key == QLatin1String(kKey))
        setFrom(value.variant());
}

void PortalColorScheme::setFrom(const QVariant& value) {
    const QVariant inner = unwrap(value);
    if (inner.metaType() == QMetaType::fromType<uint>()) {
        switch (inner.toUInt()) {
        case 0:
            return setPreference(Preference::none);
        case 1:
            return setPreference(Preference::dark);
        case 2:
            return setPreference(Preference::light);
        }
    }
    // A value from a later version of the portal, or a broken one: let the palette decide.
    if (!m_malformedLogged) {
        m_malformedLogged = true;
        qCWarning(lcPortal) << "unexpected colour scheme from the portal:" << inner;
    }
    setPreference(Preference::none);
}

void PortalColorScheme::setPreference(Preference preference) {
    if (preference == m_preference)
        return;
    m_preference = preference;
    emit preferenceChanged();
}
