#include "app/settings/SettingsStartup.h"

#include "app/settings/AppSettings.h"
#include "core/SettingsMigration.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTranslator>

Q_LOGGING_CATEGORY(lcStartup, "verdolin.settings.startup")

namespace SettingsStartup {

void migrateLegacySettings(DefaultsStore& store) {
    const QVariantMap current = store.dictionary();
    const QVariantMap copy = SettingsMigration::keysToCopy(
        store.persistentDomain(QString(DefaultsStore::legacyDomain)), current);

    QList<std::pair<QString, QVariant>> entries;
    for (auto it = copy.cbegin(); it != copy.cend(); ++it)
        entries.append({it.key(), it.value()});
    if (!current.contains(SettingsMigration::doneKey))
        entries.append({QString(SettingsMigration::doneKey), true});
    // Copied keys and the mark reach the disk together: an interrupted copy is never taken
    // for settings of the current version.
    if (!entries.isEmpty())
        store.setObjects(entries);
    if (!copy.isEmpty())
        qCInfo(lcStartup) << "copied" << copy.size() << "earlier settings";
}

void applyInterfaceLanguage(DefaultsStore& store) {
    const QString language = store.string(AppSettings::interfaceLanguageKey).value_or(QString());
    if (language == u"en" || language == u"ru")
        store.setStringList(interfaceLanguagesKey, {language});
    else
        store.remove(interfaceLanguagesKey);
}

QLocale interfaceLocale(const DefaultsStore& store) {
    const QStringList chosen = store.stringList(interfaceLanguagesKey).value_or(QStringList());
    if (!chosen.isEmpty() && !chosen.first().isEmpty())
        return QLocale(chosen.first());
    return QLocale::system();
}

QLocale shownLocale(const DefaultsStore& store) {
    const QLocale chosen = interfaceLocale(store);
    return chosen.language() == QLocale::Russian ? chosen : QLocale(QLocale::English);
}

bool installTranslator(QCoreApplication& application, const DefaultsStore& store,
                       const QString& directory) {
    const QLocale locale = interfaceLocale(store);
    QLocale::setDefault(locale);
    auto* translator = new QTranslator(&application);
    if (!translator->load(locale, QStringLiteral("verdolin"), QStringLiteral("_"), directory)) {
        qCDebug(lcStartup) << "no translation for" << locale.uiLanguages();
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

void run() {
    DefaultsStore& store = DefaultsStore::standard();
    migrateLegacySettings(store);
    applyInterfaceLanguage(store);
}

} // namespace SettingsStartup
