#pragma once

#include "app/languages/DownloadRequest.h"
#include "app/languages/LanguageService.h"
#include "app/languages/ResolvedPair.h"
#include "app/languages/TranslationEngine.h"
#include "app/languages/TranslationRequest.h"
#include "app/languages/TranslationResponse.h"
#include "app/translation/TranslationPhase.h"
#include "core/LangChoice.h"
#include "core/LanguagePrefs.h"
#include "core/LanguageRecognizer.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// One translation of one text, from trimming to the rebuilt result: detection, direction,
// the pair's availability and the engine. Used once: start(), then `decided`, `translating`
// when the pair is installed, and, unless cancelled, `finished`. A cancelled run emits nothing more
// and leaves nothing behind. Main thread only; receivers of its signals dispose of it with
// deleteLater().
class TranslationRun : public QObject {
    Q_OBJECT

public:
    // User-perceived characters.
    static constexpr qsizetype translationCap = 20000;
    static constexpr qsizetype detectionSample = 2000;

    struct Input {
        QString text;
        LangChoice from = LangChoice::automatic();
        LangChoice to = LangChoice::automatic();
        // The stored my and second language.
        LanguagePrefs prefs;
    };

    // The text as the run will translate it: trimmed and cut.
    struct Cut {
        QString body;
        QString sample; // what detection sees
        bool truncated = false;

        bool operator==(const Cut&) const = default;
    };

    // Known before the engine is asked.
    struct Decision {
        QString text; // the trimmed, cut text; what history records as the source
        bool truncated = false;
        std::optional<QString> detected;
        QString source;
        QString target;

        bool operator==(const Decision&) const = default;
    };

    struct Outcome {
        TranslationPhase phase;
        QString result; // the translation when done, else empty
        // The variants to download when the phase is needsDownload.
        std::optional<DownloadRequest> download;
        // The variants the language service chose, when it found any.
        std::optional<ResolvedPair> pair;

        bool operator==(const Outcome&) const = default;
    };

    static const QString& noEngineMessage();

    TranslationRun(TranslationEngine& engine, LanguageService& languages,
                   LanguageRecognizerFactory recognizers, QObject* parent = nullptr);

    void start(const Input& input);
    // Cooperative: whatever is pending is dropped and the engine is asked to stop.
    void cancel();
    bool isCancelled() const { return m_cancelled; }
    bool isFinished() const { return m_finished; }

    static Cut cut(const QString& text);
    // The codes detection may answer with: the engine's, or the known ones until it has loaded.
    static QSet<QString> detectionLanguages(const LanguageService& languages);
    // One request per source, identified by its position in decimal.
    static QList<TranslationRequest> requests(const QStringList& sources);
    // A position written in decimal with an optional sign; absent for anything else.
    static std::optional<qsizetype> parseIdentifier(const std::optional<QString>& identifier);
    // One text per source: its translation, or the source itself when none came back.
    static QStringList assemble(const QStringList& sources,
                                const QList<TranslationResponse>& responses);

signals:
    void decided(const TranslationRun::Decision& decision);
    // The pair is installed and the engine is about to be asked; work that should run
    // alongside the translation starts now.
    void translating();
    void finished(const TranslationRun::Outcome& outcome);

private:
    void continueWithLanguages();
    void continueWithPair(const std::optional<ResolvedPair>& pair);
    void translate(const ResolvedPair& pair);
    void conclude(Outcome outcome);

    TranslationEngine& m_engine;
    LanguageService& m_languages;
    LanguageRecognizerFactory m_recognizers;
    Decision m_decision;
    std::shared_ptr<TranslationSession> m_session;
    bool m_started = false;
    bool m_cancelled = false;
    bool m_finished = false;
};
