#pragma once

#include "app/languages/EngineLanguage.h"

#include <QMetaType>
#include <QObject>

// The engine variants whose language data a translation found missing.
struct DownloadRequest {
    Q_GADGET
    Q_PROPERTY(EngineLanguage source MEMBER source)
    Q_PROPERTY(EngineLanguage target MEMBER target)

public:
    EngineLanguage source;
    EngineLanguage target;

    bool operator==(const DownloadRequest&) const = default;
};

Q_DECLARE_METATYPE(DownloadRequest)
