#pragma once

#include <QList>
#include <QString>

#include <compare>
#include <optional>

// A dotted version such as "0.1.0" or "2.10", ordered component by component as numbers, so
// 0.10 is newer than 0.9 and 1.0 equals 1.0.0.
struct VersionNumber {
    QList<quint32> components;

    // Digits separated by dots; anything else (a suffix, an empty part, a sign) is none.
    static std::optional<VersionNumber> parse(const QString& text);

    quint32 major() const { return components.value(0); }
    // "0.1.0": digits and dots only, safe in a file name.
    QString toString() const;

    std::strong_ordering operator<=>(const VersionNumber& other) const;
    bool operator==(const VersionNumber& other) const;
};
