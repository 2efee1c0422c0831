#pragma once

#include "platform/linux/detection/LexiconEvidence.h"
#include "platform/linux/detection/LtProcAnalyser.h"
#include "platform/linux/dictionaries/FileDictionarySource.h"

#include <QSet>
#include <QTimer>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>

// What the installed Apertium analysers and FreeDict dictionaries know of each language.
// A language's analyser is the `.automorf.bin` an installed mode of it starts with (the largest
// when several pairs have one); its headwords come from the dictd and StarDict dictionaries
// named "xxx-yyy" after the languages they translate between. Analysers start on first need
// and close after the idle time-out, as the translation pipelines do.
class ApertiumLexicons : public LexiconEvidence {
public:
    struct Options {
        QStringList modeFolders = defaultModeFolders();
        FileDictionarySource::Folders dictionaryFolders = FileDictionarySource::systemFolders();
        LtProcAnalyser::Options analyser;
        std::chrono::milliseconds idleTimeout = defaultIdleTimeout();
        // How often a timer looks for idle analysers; needs an event loop. Every use looks too.
        std::chrono::milliseconds idleCheckInterval = std::chrono::minutes(1);
    };

    static QStringList defaultModeFolders();
    static std::chrono::milliseconds defaultIdleTimeout();

    ApertiumLexicons();
    explicit ApertiumLexicons(Options options);
    ~ApertiumLexicons() override;

    bool hasLexicon(const QString& code) override;
    void startLoading(const QStringList& codes) override;
    std::optional<double> knownShare(const QString& code, const QStringList& tokens,
                                     QDeadlineTimer deadline) override;

    // Whether each token is known: every part holding a letter has an analysis, or the token
    // is a headword. Absent as for knownShare.
    std::optional<QList<bool>> known(const QString& code, const QStringList& tokens,
                                     QDeadlineTimer deadline);

    // Starts the analysers and reads the headwords of the languages now, and waits until the
    // analysers answer; true when all did before the deadline.
    bool prepare(const QStringList& codes, QDeadlineTimer deadline);

    // Ends the analysers nobody has asked for the idle time-out.
    void closeIdle();

    QStringList languages() const override;
    // The analyser of a language, null when it has none.
    LtProcAnalyser* analyser(const QString& code) const;
    // The dictionary files (.index, .ifo) whose headwords count for a language.
    QStringList headwordFiles(const QString& code) const;

private:
    struct Lexicon {
        std::unique_ptr<LtProcAnalyser> analyser;
        QStringList dictdIndexes;
        QStringList starDictIfos;
        std::once_flag headwordsRead;
        QSet<QString> headwords;
    };

    Lexicon* find(const QString& code) const;
    void closeIdleExcept(const Lexicon* inUse);
    static const QSet<QString>& headwords(Lexicon& lexicon);

    const std::chrono::milliseconds m_idleTimeout;
    // Filled by the constructor and unchanged afterwards, so reading needs no lock.
    std::map<QString, std::unique_ptr<Lexicon>> m_lexicons;
    std::unique_ptr<QTimer> m_idleTimer;
};
