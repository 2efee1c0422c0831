#pragma once

#include "app/settings/DefaultsStore.h"
#include "core/HotKeySpec.h"
#include "core/LanguagePrefs.h"
#include "core/UpdateFrequency.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

// The user's preferences for the whole application. Every value is read from the store once,
// when the object is created; each assignment notifies (when the value changed) and writes
// the key at once. Changes made to the store by others later are not picked up.
class AppSettings : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString myLanguage READ myLanguage WRITE setMyLanguage NOTIFY myLanguageChanged)
    Q_PROPERTY(QString secondLanguage READ secondLanguage WRITE setSecondLanguage NOTIFY
                   secondLanguageChanged)
    Q_PROPERTY(HotKeySpec hotKey READ hotKey WRITE setHotKey NOTIFY hotKeyChanged)
    Q_PROPERTY(bool doubleCopy READ doubleCopy WRITE setDoubleCopy NOTIFY doubleCopyChanged)
    Q_PROPERTY(bool showInDock READ showInDock WRITE setShowInDock NOTIFY showInDockChanged)
    Q_PROPERTY(
        bool showInMenuBar READ showInMenuBar WRITE setShowInMenuBar NOTIFY showInMenuBarChanged)
    Q_PROPERTY(bool keepOnTop READ keepOnTop WRITE setKeepOnTop NOTIFY keepOnTopChanged)
    Q_PROPERTY(bool saveHistory READ saveHistory WRITE setSaveHistory NOTIFY saveHistoryChanged)
    Q_PROPERTY(bool showDefinitions READ showDefinitions WRITE setShowDefinitions NOTIFY
                   showDefinitionsChanged)
    Q_PROPERTY(bool customDictionaries READ customDictionaries WRITE setCustomDictionaries NOTIFY
                   customDictionariesChanged)
    Q_PROPERTY(QStringList dictionaryIDs READ dictionaryIDs WRITE setDictionaryIDs NOTIFY
                   dictionaryIDsChanged)
    Q_PROPERTY(bool setupDismissed READ setupDismissed WRITE setSetupDismissed NOTIFY
                   setupDismissedChanged)
    Q_PROPERTY(bool onboardingDone READ onboardingDone WRITE setOnboardingDone NOTIFY
                   onboardingDoneChanged)
    Q_PROPERTY(QString interfaceLanguage READ interfaceLanguage WRITE setInterfaceLanguage NOTIFY
                   interfaceLanguageChanged)
    Q_PROPERTY(QString appearanceMode READ appearanceMode WRITE setAppearanceMode NOTIFY
                   appearanceModeChanged)
    Q_PROPERTY(UpdateFrequency updateFrequency READ updateFrequency WRITE setUpdateFrequency NOTIFY
                   updateFrequencyChanged)
    // The frequency's stored name ("daily" … "never"), for QML, which cannot type the enum.
    Q_PROPERTY(QString updateFrequencyName READ updateFrequencyName WRITE setUpdateFrequencyName
                   NOTIFY updateFrequencyChanged)
    Q_PROPERTY(bool autoInstallUpdates READ autoInstallUpdates WRITE setAutoInstallUpdates NOTIFY
                   autoInstallUpdatesChanged)
    Q_PROPERTY(bool showSupportNudge READ showSupportNudge WRITE setShowSupportNudge NOTIFY
                   showSupportNudgeChanged)

public:
    // Keys of the store this object owns.
    static constexpr QLatin1StringView myLanguageKey{"myLanguage"};
    static constexpr QLatin1StringView secondLanguageKey{"secondLanguage"};
    static constexpr QLatin1StringView hotKeyCodeKey{"hotKeyCode"};
    static constexpr QLatin1StringView hotKeyModsKey{"hotKeyMods"};
    static constexpr QLatin1StringView hotKeyLabelKey{"hotKeyLabel"};
    static constexpr QLatin1StringView doubleCopyKey{"doubleCopy"};
    static constexpr QLatin1StringView showInDockKey{"showInDock"};
    static constexpr QLatin1StringView showInMenuBarKey{"showInMenuBar"};
    static constexpr QLatin1StringView keepOnTopKey{"keepOnTop"};
    static constexpr QLatin1StringView saveHistoryKey{"saveHistory"};
    static constexpr QLatin1StringView showDefinitionsKey{"showDefinitions"};
    static constexpr QLatin1StringView customDictionariesKey{"customDictionaries"};
    static constexpr QLatin1StringView dictionaryIDsKey{"dictionaryIDs"};
    static constexpr QLatin1StringView setupDismissedKey{"setupDismissed"};
    static constexpr QLatin1StringView onboardingDoneKey{"onboardingDone"};
    static constexpr QLatin1StringView interfaceLanguageKey{"interfaceLanguage"};
    static constexpr QLatin1StringView appearanceModeKey{"appearanceMode"};
    static constexpr QLatin1StringView updateFrequencyKey{"updateFrequency"};
    static constexpr QLatin1StringView autoInstallUpdatesKey{"autoInstallUpdates"};
    static constexpr QLatin1StringView successfulTranslationsKey{"successfulTranslations"};
    static constexpr QLatin1StringView supportNudgeDoneKey{"supportNudgeDone"};

    // Reads every value from `store`, which must outlive this object. The first language pair
    // is derived from the two lists; nothing is written.
    AppSettings(DefaultsStore& store, const QStringList& preferredLanguages,
                const QStringList& inputSourceLanguages, QObject* parent = nullptr);

    // The application's settings on the standard store, created on first use (on the main
    // thread, after the start-up migration).
    static AppSettings& shared();

    // The languages assumed while the engine has not reported its own.
    static const QSet<QString>& knownLanguageCodes();

    DefaultsStore& store() const { return m_store; }
    // The pair derived from the system's preferences at creation; never stored.
    LanguagePrefs languageDefaults() const { return m_languageDefaults; }

    QString myLanguage() const { return m_myLanguage; }
    QString secondLanguage() const { return m_secondLanguage; }
    HotKeySpec hotKey() const { return m_hotKey; }
    bool doubleCopy() const { return m_doubleCopy; }
    bool showInDock() const { return m_showInDock; }
    bool showInMenuBar() const { return m_showInMenuBar; }
    bool keepOnTop() const { return m_keepOnTop; }
    bool saveHistory() const { return m_saveHistory; }
    bool showDefinitions() const { return m_showDefinitions; }
    bool customDictionaries() const { return m_customDictionaries; }
    QStringList dictionaryIDs() const { return m_dictionaryIDs; }
    bool setupDismissed() const { return m_setupDismissed; }
    bool onboardingDone() const { return m_onboardingDone; }
    QString interfaceLanguage() const { return m_interfaceLanguage; }
    QString appearanceMode() const { return m_appearanceMode; }
    UpdateFrequency updateFrequency() const { return m_updateFrequency; }
    bool autoInstallUpdates() const { return m_autoInstallUpdates; }
    QString updateFrequencyName() const { return rawValue(m_updateFrequency); }
    // An unknown name is weekly, as when read from the store.
    void setUpdateFrequencyName(const QString& name) {
        setUpdateFrequency(updateFrequencyFromStored(name));
    }
    bool showSupportNudge() const { return m_showSupportNudge; }

    void setMyLanguage(const QString& value);
    void setSecondLanguage(const QString& value);
    // Also writes the three shortcut keys.
    void setHotKey(const HotKeySpec& value);
    void setDoubleCopy(bool value);
    void setShowInDock(bool value);
    void setShowInMenuBar(bool value);
    void setKeepOnTop(bool value);
    void setSaveHistory(bool value);
    void setShowDefinitions(bool value);
    void setCustomDictionaries(bool value);
    void setDictionaryIDs(const QStringList& value);
    void setSetupDismissed(bool value);
    void setOnboardingDone(bool value);
    // Stored only; the interface language changes at the next start.
    void setInterfaceLanguage(const QString& value);
    void setAppearanceMode(const QString& value);
    void setUpdateFrequency(UpdateFrequency value);
    void setAutoInstallUpdates(bool value);
    // Only notifies: whether the request is due follows from the stored count.
    void setShowSupportNudge(bool value);

    // The language pickers: the two languages never become equal. Choosing the other one's
    // language swaps the two, and both changes are stored.
    Q_INVOKABLE void chooseMyLanguage(const QString& code);
    Q_INVOKABLE void chooseSecondLanguage(const QString& code);

    // Writes "hotKeyCode", "hotKeyMods" and "hotKeyLabel" of the current shortcut together.
    void saveHotKey();

    // Replaces members of the pair the engine cannot handle; writes only what changed.
    // An empty set means the engine's languages are not known yet and changes nothing.
    void repairLanguages(const QSet<QString>& supported);

    // The support nudge was answered (followed or declined): never shown again.
    Q_INVOKABLE void finishSupportNudge();
    // Counts one more translation towards the support request, up to its threshold; does
    // nothing once the user has acted on the request.
    void recordSuccessfulTranslation();

signals:
    void myLanguageChanged();
    void secondLanguageChanged();
    void hotKeyChanged();
    void doubleCopyChanged();
    void showInDockChanged();
    void showInMenuBarChanged();
    void keepOnTopChanged();
    void saveHistoryChanged();
    void showDefinitionsChanged();
    void customDictionariesChanged();
    void dictionaryIDsChanged();
    void setupDismissedChanged();
    void onboardingDoneChanged();
    void interfaceLanguageChanged();
    void appearanceModeChanged();
    void updateFrequencyChanged();
    void autoInstallUpdatesChanged();
    void showSupportNudgeChanged();

private:
    void assignBool(bool& field, bool value, QLatin1StringView key, void (AppSettings::*changed)());
    void assignString(QString& field, const QString& value, QLatin1StringView key,
                      void (AppSettings::*changed)());

    DefaultsStore& m_store;
    LanguagePrefs m_languageDefaults;
    QString m_myLanguage;
    QString m_secondLanguage;
    HotKeySpec m_hotKey;
    bool m_doubleCopy = false;
    bool m_showInDock = true;
    bool m_showInMenuBar = true;
    bool m_keepOnTop = true;
    bool m_saveHistory = true;
    bool m_showDefinitions = true;
    bool m_customDictionaries = false;
    QStringList m_dictionaryIDs;
    bool m_setupDismissed = false;
    bool m_onboardingDone = false;
    QString m_interfaceLanguage;
    QString m_appearanceMode;
    UpdateFrequency m_updateFrequency = defaultUpdateFrequency;
    bool m_autoInstallUpdates = false;
    bool m_showSupportNudge = false;
};
