#pragma once

#include "app/system/SpeechSynthesizer.h"
#include "platform/linux/speech/SpeechDispatcherWorker.h"

#include <QString>

#include <memory>

class QThread;

// Reads aloud through Qt TextToSpeech on Speech Dispatcher. The engine lives on a worker
// thread created with the first reading, so the window never waits for the speech system.
// Gives a readable failure when the daemon is not running, when no voice speaks the
// language (it never reads with another language's voice), and for good once the daemon hangs.
class SpeechDispatcherSynthesizer final : public SpeechSynthesizer {
    Q_OBJECT

public:
    explicit SpeechDispatcherSynthesizer(QObject* parent = nullptr);
    // Waits a bounded time for the worker to release the engine.
    ~SpeechDispatcherSynthesizer() override;

    void speak(const QString& text, const QString& languageCode) override;
    void stop() override;

private:
    void ensureWorker();
    void onStarted(quint64 reading);
    void onEnded(quint64 reading, const QString& failure);

    std::shared_ptr<SpeechDispatcherWorker::Shared> m_shared;
    QThread* m_thread = nullptr;
    SpeechDispatcherWorker* m_worker = nullptr;
    quint64 m_reading = 0;
    // The newest reading has not ended or been stopped.
    bool m_active = false;
};
