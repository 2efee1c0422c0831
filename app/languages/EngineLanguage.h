#pragma once

#include <QHash>
#include <QMetaType>
#include <QObject>
#include <QString>

// One language as the translation engine knows it: a base language, possibly narrowed by a
// region, script or variant (en-US, ca-valencia).
struct EngineLanguage {
    Q_GADGET
    Q_PROPERTY(QString identifier MEMBER identifier)
    Q_PROPERTY(QString languageCode MEMBER languageCode)
    Q_PROPERTY(QString engineCode MEMBER engineCode)

public:
    // BCP 47 form of the whole language: "es", "en-US", "ca-valencia", "ca-valencia-x-uni".
    QString identifier;
    // The base language's code: "es", "en", "ca"; empty when the engine has none for it.
    QString languageCode;
    // Likely-subtag forms of `identifier`: "en" / "en-Latn-US" for en-US.
    QString minimalIdentifier;
    QString maximalIdentifier;
    // The engine's own name for it (an Apertium mode side: "spa", "eng_US", "cat_valencia").
    QString engineCode;

    bool operator==(const EngineLanguage&) const = default;
};

inline size_t qHash(const EngineLanguage& language, size_t seed = 0) {
    return qHashMulti(seed, language.identifier, language.engineCode);
}

Q_DECLARE_METATYPE(EngineLanguage)
