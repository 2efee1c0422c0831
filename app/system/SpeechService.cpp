#include "app/system/SpeechService.h"

#include <QCoreApplication>

namespace {

const char* const noSynthesizerMessage = "Speech is not available on this computer.";

// Heap-held and never destroyed by static destruction: a QObject whose synthesizer owns a
// worker thread must go while QCoreApplication still exists, so the application's post
// routine deletes it. Without an application it simply lives until the process ends.
SpeechService* sharedService = nullptr;

void deleteSharedService() {
    delete sharedService;
    sharedService = nullptr;
}

} // namespace

SpeechService::SpeechService(std::unique_ptr<SpeechSynthesizer> synthesizer, QObject* parent)
    : QObject(parent) {
    replaceSynthesizer(std::move(synthesizer));
}

SpeechService::~SpeechService() {
    if (m_synthesizer) {
        // No outcome may reach a half-destroyed service.
        disconnect(m_synthesizer.get(), nullptr, this, nullptr);
        m_synthesizer->stop();
    }
}

SpeechService& SpeechService::shared() {
    if (!sharedService) {
        sharedService = new SpeechService(nullptr);
        qAddPostRoutine(deleteSharedService);
    }
    return *sharedService;
}

void SpeechService::installShared(std::unique_ptr<SpeechSynthesizer> synthesizer) {
    shared().replaceSynthesizer(std::move(synthesizer));
}

void SpeechService::toggle(const QString& text, const QString& languageCode) {
    if (m_speaking) {
        stop();
        return;
    }
    if (!m_synthesizer) {
        setLastError(QString::fromUtf8(noSynthesizerMessage));
        return;
    }
    ++m_outstanding;
    setSpeaking(true);
    m_synthesizer->speak(text, languageCode);
}

void SpeechService::stop() {
    // The button goes back at once, even if the synthesizer reports the end later.
    setSpeaking(false);
    if (m_synthesizer)
        m_synthesizer->stop();
}

void SpeechService::replaceSynthesizer(std::unique_ptr<SpeechSynthesizer> synthesizer) {
    if (m_synthesizer) {
        disconnect(m_synthesizer.get(), nullptr, this, nullptr);
        m_synthesizer->stop();
    }
    m_synthesizer = std::move(synthesizer);
    m_outstanding = 0;
    setSpeaking(false);
    if (!m_synthesizer)
        return;
    SpeechSynthesizer* synth = m_synthesizer.get();
    connect(synth, &SpeechSynthesizer::started, this, &SpeechService::onStarted);
    connect(synth, &SpeechSynthesizer::finished, this, [this] { onEnded(QString()); });
    connect(synth, &SpeechSynthesizer::failed, this,
            [this](const QString& message) { onEnded(message); });
}

void SpeechService::onStarted() {
    // Outcomes arrive in the order of the readings, so with one reading outstanding this is the
    // newest one; an earlier, stopped reading cannot clear the error.
    if (m_outstanding == 1 && m_speaking)
        setLastError(QString());
}

void SpeechService::onEnded(const QString& failure) {
    if (m_outstanding == 0)
        return;
    const bool newest = --m_outstanding == 0;
    if (!newest)
        return;
    // A stopped reading that fails on its way out is not worth telling.
    if (!failure.isEmpty() && m_speaking)
        setLastError(failure);
    setSpeaking(false);
}

void SpeechService::setSpeaking(bool speaking) {
    if (m_speaking == speaking)
        return;
    m_speaking = speaking;
    emit isSpeakingChanged();
}

void SpeechService::setLastError(const QString& message) {
    if (m_lastError == message)
        return;
    m_lastError = message;
    emit lastErrorChanged();
}
