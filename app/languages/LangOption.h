#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QObject>
#include <QString>

// One language the user can pick: a base code and its name in the interface language.
struct LangOption {
    Q_GADGET
    Q_PROPERTY(QString code MEMBER code CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)

public:
    QString code;
    QString name;

    bool operator==(const LangOption&) const = default;
};

inline size_t qHash(const LangOption& option, size_t seed = 0) noexcept {
    return qHashMulti(seed, option.code, option.name);
}

Q_DECLARE_METATYPE(LangOption)
