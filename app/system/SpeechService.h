#pragma once

#include "app/system/SpeechSynthesizer.h"

#include <QObject>
#include <QString>

#include <memory>

// Reads a text aloud with the system's speech synthesis and says whether it is reading.
// Main thread only.
class SpeechService : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isSpeaking READ isSpeaking NOTIFY isSpeakingChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)

public:
    // Without a synthesizer every reading fails with a readable message.
    explicit SpeechService(std::unique_ptr<SpeechSynthesizer> synthesizer,
                           QObject* parent = nullptr);
    ~SpeechService() override;

    // The process-wide service; until installShared() it has no synthesizer.
    static SpeechService& shared();
    // Called once at start with the system's synthesizer; a later call replaces it.
    static void installShared(std::unique_ptr<SpeechSynthesizer> synthesizer);

    bool isSpeaking() const { return m_speaking; }
    // Why the last reading could not start or ended early; empty after a good start.
    QString lastError() const { return m_lastError; }

    // Stops a reading in progress; otherwise starts reading `text` in `languageCode`.
    Q_INVOKABLE void toggle(const QString& text, const QString& languageCode);
    // Stops at once (the window hides or closes).
    Q_INVOKABLE void stop();

signals:
    void isSpeakingChanged();
    void lastErrorChanged();

private:
    void replaceSynthesizer(std::unique_ptr<SpeechSynthesizer> synthesizer);
    void onStarted();
    // `failure` is empty for a reading that finished.
    void onEnded(const QString& failure);
    void setSpeaking(bool speaking);
    void setLastError(const QString& message);

    std::unique_ptr<SpeechSynthesizer> m_synthesizer;
    // Readings asked for whose finished or failed has not arrived yet (each ends in exactly
    // one), so that the end of a stopped reading does not end a newer one.
    int m_outstanding = 0;
    bool m_speaking = false;
    QString m_lastError;
};
