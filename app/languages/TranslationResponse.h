#pragma once

#include <QString>

#include <optional>

// One translated segment. Order and completeness of a batch's responses are not promised.
struct TranslationResponse {
    std::optional<QString> clientIdentifier;
    QString targetText;

    bool operator==(const TranslationResponse&) const = default;
};
