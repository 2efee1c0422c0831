#include "core/UpdateFrequency.h"

#include <QHashFunctions>

QString rawValue(UpdateFrequency frequency) {
    switch (frequency) {
    case UpdateFrequency::daily:
        return QStringLiteral("daily");
    case UpdateFrequency::weekly:
        return QStringLiteral("weekly");
    case UpdateFrequency::monthly:
        return QStringLiteral("monthly");
    case UpdateFrequency::never:
        return QStringLiteral("never");
    }
    return QStringLiteral("weekly");
}

std::optional<double> interval(UpdateFrequency frequency) {
    switch (frequency) {
    case UpdateFrequency::daily:
        return 86400.0;
    case UpdateFrequency::weekly:
        return 604800.0;
    case UpdateFrequency::monthly:
        return 2592000.0;
    case UpdateFrequency::never:
        return std::nullopt;
    }
    return std::nullopt;
}

UpdateFrequency updateFrequencyFromStored(const std::optional<QString>& stored) {
    if (stored) {
        for (const UpdateFrequency frequency : allUpdateFrequencies) {
            if (rawValue(frequency) == *stored)
                return frequency;
        }
    }
    return defaultUpdateFrequency;
}

size_t qHash(UpdateFrequency frequency, size_t seed) noexcept {
    return ::qHash(static_cast<int>(frequency), seed);
}
