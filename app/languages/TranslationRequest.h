#pragma once

#include <QString>

// One text segment handed to the engine; the identifier comes back with its translation.
struct TranslationRequest {
    QString sourceText;
    QString clientIdentifier;

    bool operator==(const TranslationRequest&) const = default;
};
