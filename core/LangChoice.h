#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <optional>

// One side of a translation as the user chose it: a fixed language code, or automatic
// (detect the source / let the direction rule pick the target).
struct LangChoice {
    Q_GADGET
    Q_PROPERTY(bool isAutomatic READ isAutomatic)
    Q_PROPERTY(QString code READ codeOrEmpty)

public:
    // A normalised code, or absent for automatic.
    std::optional<QString> code;

    static LangChoice automatic();
    // The code is kept as given; callers pass an already normalised code.
    static LangChoice fixed(const QString& code);

    bool isAutomatic() const { return !code.has_value(); }
    QString codeOrEmpty() const { return code.value_or(QString()); }

    bool operator==(const LangChoice&) const = default;
};

size_t qHash(const LangChoice& choice, size_t seed = 0) noexcept;

Q_DECLARE_METATYPE(LangChoice)
