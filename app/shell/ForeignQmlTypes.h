#pragma once

// The models of other folders as QML sees them, made by C++ only. Their enums of a namespace
// (Notice, SettingsTab) are registered by AppModel::registerQmlTypes.

#include "app/languages/LanguageService.h"
#include "app/settings/AppSettings.h"
#include "app/translation/HistoryModel.h"
#include "app/translation/TranslatorModel.h"

#include "core/HotKeySpec.h"

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
