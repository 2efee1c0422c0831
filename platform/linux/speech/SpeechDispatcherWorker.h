#pragma once

#include "platform/linux/speech/SpeechVoiceChoice.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTextToSpeech>
#include <QVoice>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>

class QTimer;

// Drives QTextToSpeech on Speech Dispatcher from a worker thread of its own: the engine takes
// seconds to start and a hung daemon can block it. Every reading carries a number; the
// outcome signals name it.
class SpeechDispatcherWorker : public QObject {
    Q_OBJECT

public:
    // What the caller's thread and the worker both read without waiting for each other.
    struct Shared {
        // Readings up to this one were stopped by the caller: they are not started any more
        // and their outcomes do not matter.
        std::atomic<quint64> stoppedUpTo{0};
        // The daemon hung once: reading aloud stays off for the rest of the session.
        std::atomic<bool> unavailable{false};
    };

    explicit SpeechDispatcherWorker(std::shared_ptr<Shared> shared, QObject* parent = nullptr);
    ~SpeechDispatcherWorker() override;

    // Why every reading fails once the daemon hung.
    static QString unavailableMessage();

    // The longest a reading of `text` may stay unfinished before the daemon counts as stuck.
    static std::chrono::milliseconds readingBudget(const QString& text);

public slots:
    void speak(quint64 reading, const QString& text, const QString& languageCode);
    void stop(quint64 reading);
    // Releases the engine in this thread and ends the thread's event loop.
    void shutDown();

signals:
    void started(quint64 reading);
    void finished(quint64 reading);
    void failed(quint64 reading, const QString& message);

private:
    struct Pending {
        quint64 reading;
        QString text;
        QVoice voice;
        QString languageName;
    };

    bool wasStopped(quint64 reading) const;
    // Empty when the engine is ready, else why not.
    QString ensureEngine();
    void loadVoices();
    void begin(const Pending& pending);
    void endCurrent();
    void beginPending();
    void onStateChanged(QTextToSpeech::State state);
    void onStuck();
    void onStopTick();
    void giveUp();

    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<QTextToSpeech> m_engine;
    std::optional<QList<QVoice>> m_voices;
    QList<SpeechVoiceChoice::Voice> m_choices;

    std::optional<quint64> m_current;
    bool m_sawSpeaking = false;
    bool m_stopping = false;
    int m_stopTicks = 0;
    // A reading asked for while the stopped one was still winding down.
    std::optional<Pending> m_pending;
    QTimer* m_watchdog;
    QTimer* m_stopPoll;
};
