#pragma once

// The models of other folders as QML sees them, made by C++ only. Their enums of a namespace
// (Notice, SettingsTab) are registered by AppModel::registerQmlTypes.

#include "app/capture/PermissionWatcher.h"
#include "app/languages/LanguageService.h"
#include "app/settings/AppSettings.h"
#include "app/system/SpeechService.h"
#include "app/translation/HistoryModel.h"
#include "app/translation/TranslatorModel.h"
#include "app/updates/UpdateController.h"
#include "core/HistoryEntry.h"
#include "core/HotKeySpec.h"
#include "core/LangChoice.h"

#include <QQmlEngine>

struct HotKeySpecForeign {
    Q_GADGET
    QML_FOREIGN(HotKeySpec)
    QML_ANONYMOUS
};

struct TranslatorModelForeign {
    Q_GADGET
    QML_FOREIGN(TranslatorModel)
    QML_NAMED_ELEMENT(TranslatorModel)
    QML_UNCREATABLE("made by the application")
};

struct HistoryModelForeign {
    Q_GADGET
    QML_FOREIGN(HistoryModel)
    QML_NAMED_ELEMENT(HistoryModel)
    QML_UNCREATABLE("made by the application")
};

struct LanguageServiceForeign {
    Q_GADGET
    QML_FOREIGN(LanguageService)
    QML_NAMED_ELEMENT(LanguageService)
    QML_UNCREATABLE("made by the application")
};

struct AppSettingsForeign {
    Q_GADGET
    QML_FOREIGN(AppSettings)
    QML_NAMED_ELEMENT(AppSettings)
    QML_UNCREATABLE("made by the application")
};

struct SpeechServiceForeign {
    Q_GADGET
    QML_FOREIGN(SpeechService)
    QML_NAMED_ELEMENT(SpeechService)
    QML_UNCREATABLE("made by the application")
};

struct PermissionWatcherForeign {
    Q_GADGET
    QML_FOREIGN(PermissionWatcher)
    QML_NAMED_ELEMENT(PermissionWatcher)
    QML_UNCREATABLE("made by the application")
};

struct HistoryEntryForeign {
    Q_GADGET
    QML_FOREIGN(HistoryEntry)
    QML_ANONYMOUS
};

struct LangOptionForeign {
    Q_GADGET
    QML_FOREIGN(LangOption)
    QML_ANONYMOUS
};

struct LangChoiceForeign {
    Q_GADGET
    QML_FOREIGN(LangChoice)
    QML_VALUE_TYPE(langChoice)
};

struct DictEntryForeign {
    Q_GADGET
    QML_FOREIGN(DictEntry)
    QML_ANONYMOUS
};

struct UpdateControllerForeign {
    Q_GADGET
    QML_FOREIGN(UpdateController)
    QML_NAMED_ELEMENT(UpdateController)
    QML_UNCREATABLE("made by the application")
};

struct UpdaterForeign {
    Q_GADGET
    QML_FOREIGN(Updater)
    QML_NAMED_ELEMENT(Updater)
    QML_UNCREATABLE("made by the application")
};
