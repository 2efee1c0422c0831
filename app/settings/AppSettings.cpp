#include "app/settings/AppSettings.h"

#include "app/settings/InputSources.h"
#include "app/settings/PreferredLanguages.h"
#include "core/LanguageDefaults.h"
#include "core/SupportNudge.h"

#include <limits>

namespace {

QString systemChoice() {
    return QStringLiteral("system");
}

// Booleans that default to true are taken only when the stored value is a Boolean.
bool storedBoolOrTrue(const DefaultsStore& store, QLatin1StringView key) {
    const QVariant value = store.object(key);
    return value.typeId() == QMetaType::Bool ? value.toBool() : true;
}

bool fitsUnsigned32(qint64 value) {
    return value >= 0 && value <= std::numeric_limits<quint32>::max();
}

HotKeySpec storedHotKey(const DefaultsStore& store) {
    const HotKeySpec fallback = HotKeySpec::defaultSpec();
    if (!store.contains(AppSettings::hotKeyCodeKey))
        return fallback;
    const qint64 code = store.integer(AppSettings::hotKeyCodeKey);
    const qint64 mods = store.integer(AppSettings::hotKeyModsKey);
    // No shortcut the rules produce lies outside 32 bits; treat such a value as never stored.
    if (!fitsUnsigned32(code) || !fitsUnsigned32(mods))
        return fallback;
    return HotKeySpec{static_cast<quint32>(code), static_cast<quint32>(mods),
                      store.string(AppSettings::hotKeyLabelKey).value_or(fallback.label)};
}

} // namespace

AppSettings::AppSettings(DefaultsStore& store, const QStringList& preferredLanguages,
                         const QStringList& inputSourceLanguages, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_languageDefaults(
          LanguageDefaults::prefs(preferredLanguages, inputSourceLanguages, knownLanguageCodes())) {
    m_myLanguage = store.string(myLanguageKey).value_or(m_languageDefaults.my);
    m_secondLanguage = store.string(secondLanguageKey).value_or(m_languageDefaults.second);
    m_hotKey = storedHotKey(store);
    m_doubleCopy = store.boolean(doubleCopyKey);
    m_showInDock = storedBoolOrTrue(store, showInDockKey);
    m_showInMenuBar = storedBoolOrTrue(store, showInMenuBarKey);
    m_keepOnTop = storedBoolOrTrue(store, keepOnTopKey);
    m_saveHistory = storedBoolOrTrue(store, saveHistoryKey);
    m_showDefinitions = storedBoolOrTrue(store, showDefinitionsKey);
    m_customDictionaries = store.boolean(customDictionariesKey);
    m_dictionaryIDs = store.stringList(dictionaryIDsKey).value_or(QStringList());
    m_setupDismissed = store.boolean(setupDismissedKey);
    m_onboardingDone = store.boolean(onboardingDoneKey);
    m_interfaceLanguage = store.string(interfaceLanguageKey).value_or(systemChoice());
    m_appearanceMode = store.string(appearanceModeKey).value_or(systemChoice());
    m_updateFrequency = updateFrequencyFromStored(store.string(updateFrequencyKey));
    m_autoInstallUpdates = store.boolean(autoInstallUpdatesKey);
    m_showSupportNudge = SupportNudge::shouldShow(store.integer(successfulTranslationsKey),
                                                  store.boolean(supportNudgeDoneKey));
}

AppSettings& AppSettings::shared() {
    static AppSettings settings(DefaultsStore::standard(), PreferredLanguages::system(),
                                InputSources::system().languages());
    return settings;
}

const QSet<QString>& AppSettings::knownLanguageCodes() {
    return LanguageDefaults::knownLanguageCodes();
}

void AppSettings::assignBool(bool& field, bool value, QLatin1StringView key,
                             void (AppSettings::*changed)()) {
    if (field != value) {
        field = value;
        emit(this->*changed)();
    }
    m_store.setBool(key, value);
}

void AppSettings::assignString(QString& field, const QString& value, QLatin1StringView key,
                               void (AppSettings::*changed)()) {
    if (field != value) {
        field = value;
        emit(this->*changed)();
    }
    m_store.setString(key, value);
}

void AppSettings::setMyLanguage(const QString& value) {
    assignString(m_myLanguage, value, myLanguageKey, &AppSettings::myLanguageChanged);
}

void AppSettings::setSecondLanguage(const QString& value) {
    assignString(m_secondLanguage, value, secondLanguageKey, &AppSettings::secondLanguageChanged);
}

void AppSettings::chooseMyLanguage(const QString& code) {
    const QString old = m_myLanguage;
    if (code.isEmpty() || code == old)
        return;
    setMyLanguage(code);
    if (m_secondLanguage == code)
        setSecondLanguage(old);
}

void AppSettings::chooseSecondLanguage(const QString& code) {
    const QString old = m_secondLanguage;
    if (code.isEmpty() || code == old)
        return;
    setSecondLanguage(code);
    if (m_myLanguage == code)
        setMyLanguage(old);
}

void AppSettings::setHotKey(const HotKeySpec& value) {
    if (m_hotKey != value) {
        m_hotKey = value;
        emit hotKeyChanged();
    }
    saveHotKey();
}

void AppSettings::setDoubleCopy(bool value) {
    assignBool(m_doubleCopy, value, doubleCopyKey, &AppSettings::doubleCopyChanged);
}

void AppSettings::setShowInDock(bool value) {
    assignBool(m_showInDock, value, showInDockKey, &AppSettings::showInDockChanged);
}

void AppSettings::setShowInMenuBar(bool value) {
    assignBool(m_showInMenuBar, value, showInMenuBarKey, &AppSettings::showInMenuBarChanged);
}

void AppSettings::setKeepOnTop(bool value) {
    assignBool(m_keepOnTop, value, keepOnTopKey, &AppSettings::keepOnTopChanged);
}

void AppSettings::setSaveHistory(bool value) {
    assignBool(m_saveHistory, value, saveHistoryKey, &AppSettings::saveHistoryChanged);
}

void AppSettings::setShowDefinitions(bool value) {
    assignBool(m_showDefinitions, value, showDefinitionsKey, &AppSettings::showDefinitionsChanged);
}

void AppSettings::setCustomDictionaries(bool value) {
    assignBool(m_customDictionaries, value, customDictionariesKey,
               &AppSettings::customDictionariesChanged);
}

void AppSettings::setDictionaryIDs(const QStringList& value) {
    if (m_dictionaryIDs != value) {
        m_dictionaryIDs = value;
        emit dictionaryIDsChanged();
    }
    m_store.setStringList(dictionaryIDsKey, value);
}

void AppSettings::setSetupDismissed(bool value) {
    assignBool(m_setupDismissed, value, setupDismissedKey, &AppSettings::setupDismissedChanged);
}

void AppSettings::setOnboardingDone(bool value) {
    assignBool(m_onboardingDone, value, onboardingDoneKey, &AppSettings::onboardingDoneChanged);
}

void AppSettings::setInterfaceLanguage(const QString& value) {
    assignString(m_interfaceLanguage, value, interfaceLanguageKey,
                 &AppSettings::interfaceLanguageChanged);
}

void AppSettings::setAppearanceMode(const QString& value) {
    assignString(m_appearanceMode, value, appearanceModeKey, &AppSettings::appearanceModeChanged);
}

void AppSettings::setUpdateFrequency(UpdateFrequency value) {
    if (m_updateFrequency != value) {
        m_updateFrequency = value;
        emit updateFrequencyChanged();
    }
    m_store.setString(updateFrequencyKey, rawValue(value));
}

void AppSettings::setAutoInstallUpdates(bool value) {
    assignBool(m_autoInstallUpdates, value, autoInstallUpdatesKey,
               &AppSettings::autoInstallUpdatesChanged);
}

void AppSettings::setShowSupportNudge(bool value) {
    if (m_showSupportNudge != value) {
        m_showSupportNudge = value;
        emit showSupportNudgeChanged();
    }
}

void AppSettings::finishSupportNudge() {
    m_store.setBool(supportNudgeDoneKey, true);
    setShowSupportNudge(false);
}

void AppSettings::saveHotKey() {
    // One write, so that a crash cannot leave a code with another shortcut's modifiers.
    m_store.setObjects({
        {hotKeyCodeKey, QVariant::fromValue(qint64(m_hotKey.code))},
        {hotKeyModsKey, QVariant::fromValue(qint64(m_hotKey.mods))},
        {hotKeyLabelKey, m_hotKey.label},
    });
}

void AppSettings::repairLanguages(const QSet<QString>& supported) {
    const LanguagePrefs repaired = LanguageDefaults::repair(
        LanguagePrefs{m_myLanguage, m_secondLanguage}, m_languageDefaults, supported);
    if (repaired.my != m_myLanguage)
        setMyLanguage(repaired.my);
    if (repaired.second != m_secondLanguage)
        setSecondLanguage(repaired.second);
}

void AppSettings::recordSuccessfulTranslation() {
    if (m_store.boolean(supportNudgeDoneKey))
        return;
    // Read and written under the file's lock: other processes count at the same time.
    const QVariant count = m_store.update(successfulTranslationsKey, [](const QVariant& stored) {
        // Once at the threshold the value stays the same and the write is skipped.
        return QVariant::fromValue(SupportNudge::increment(DefaultsStore::integerValue(stored)));
    });
    setShowSupportNudge(count.toLongLong() >= SupportNudge::threshold);
}
