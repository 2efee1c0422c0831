#pragma once

#include <QObject>
#include <QString>

// The system's speech synthesis as SpeechService drives it. Lives on the main thread and
// emits there; never blocks it on the speech system.
class SpeechSynthesizer : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts reading `text` with a voice of `languageCode` (a base code: "pt", "de").
    // The outcome arrives later: `started` then `finished`, or `failed` alone.
    virtual void speak(const QString& text, const QString& languageCode) = 0;
    // Stops a reading at once, not at a word boundary; `finished` follows when one was going.
    virtual void stop() = 0;

signals:
    void started();
    void finished();
    // A readable reason, for the user: no voice for the language, no speech service.
    void failed(const QString& message);
};
