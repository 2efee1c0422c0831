#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

// Where a translation run stands, or how it ended.
struct TranslationPhase {
    Q_GADGET
    Q_PROPERTY(Kind kind MEMBER kind)
    Q_PROPERTY(QString message MEMBER message)
    Q_PROPERTY(QString source MEMBER source)
    Q_PROPERTY(QString target MEMBER target)

public:
    enum class Kind {
        idle,          // nothing to show
        working,       // a run is pending or in progress
        done,          // the result holds a translation
        failed,        // `message` says why
        needsDownload, // `source` and `target` are possible after a download
        unsupported,   // `source` and `target` cannot be translated here
    };
    Q_ENUM(Kind)

    Kind kind = Kind::idle;
    QString message;
    QString source;
    QString target;

    static TranslationPhase idle() { return {}; }
    static TranslationPhase working() { return {Kind::working, {}, {}, {}}; }
    static TranslationPhase done() { return {Kind::done, {}, {}, {}}; }
    static TranslationPhase failed(const QString& message) {
        return {Kind::failed, message, {}, {}};
    }
    static TranslationPhase needsDownload(const QString& source, const QString& target) {
        return {Kind::needsDownload, {}, source, target};
    }
    static TranslationPhase unsupported(const QString& source, const QString& target) {
        return {Kind::unsupported, {}, source, target};
    }

    bool operator==(const TranslationPhase&) const = default;
};

Q_DECLARE_METATYPE(TranslationPhase)
