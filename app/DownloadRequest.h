#pragma once

#include "app/EngineLanguage.h"

// The engine variants whose language data a translation found missing.
struct DownloadRequest {
    EngineLanguage source;
    EngineLanguage target;

    bool operator==(const DownloadRequest&) const = default;
};
