#pragma once

#include <QHashFunctions>
#include <QString>

#include <optional>

// One side of a translation as the user chose it: a fixed language code, or automatic
// (detect the source / let the direction rule pick the target).
struct LangChoice {
    // A normalised code, or absent for automatic.
    std::optional<QString> code;

    static LangChoice automatic();
    // The code is kept as given; callers pass an already normalised code.
    static LangChoice fixed(const QString& code);

    bool isAutomatic() const { return !code.has_value(); }

    bool operator==(const LangChoice&) const = default;
};

size_t qHash(const LangChoice& choice, size_t seed = 0) noexcept;
