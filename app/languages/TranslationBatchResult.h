#pragma once

#include "app/languages/TranslationResponse.h"

#include <QList>
#include <QString>

#include <optional>

// What a batch request ends with: the responses, or a message the user can read.
struct TranslationBatchResult {
    QList<TranslationResponse> responses;
    std::optional<QString> error;

    bool ok() const { return !error.has_value(); }
    static TranslationBatchResult failure(const QString& message) { return {{}, message}; }
};
