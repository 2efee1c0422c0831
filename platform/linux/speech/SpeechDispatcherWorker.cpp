#include "platform/linux/speech/SpeechDispatcherWorker.h"

#include "platform/linux/speech/SpeechDispatcherProbe.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <QTimer>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

// The daemon answers its handshake at once when it is well; a second means it is not.
constexpr auto probeTimeout = 1s;
// A reading may take this long on top of its words before it counts as stuck.
constexpr auto stuckMargin = 20s;
// Far slower than any voice reads, so that only a hung reading runs past it.
constexpr int slowestWordsPerMinute = 60;
// Scripts without spaces between words still take time per character.
constexpr int charactersPerWord = 2;
// After a stop the daemon normally reports the end within a fraction of a second.
constexpr auto stopPollInterval = 250ms;
constexpr auto stopTimeout = 10s;

const char* const engineName = "speechd";

QString languageName(const QString& code) {
    const QLocale::Language language = QLocale(code).language();
    if (language == QLocale::C || language == QLocale::AnyLanguage)
        return QStringLiteral("“%1”").arg(code);
    return QLocale::languageToString(language);
}

QString notRunningMessage() {
    return QCoreApplication::translate(
        "SpeechDispatcherWorker",
        "Speech Dispatcher is not running, so the text cannot be read aloud.");
}

} // namespace

SpeechDispatcherWorker::SpeechDispatcherWorker(std::shared_ptr<Shared> shared, QObject* parent)
    : QObject(parent)
    , m_shared(std::move(shared))
    , m_watchdog(new QTimer(this))
    , m_stopPoll(new QTimer(this)) {
    m_watchdog->setSingleShot(true);
    connect(m_watchdog, &QTimer::timeout, this, &SpeechDispatcherWorker::onStuck);
    m_stopPoll->setInterval(stopPollInterval);
    connect(m_stopPoll, &QTimer::timeout, this, &SpeechDispatcherWorker::onStopTick);
}

SpeechDispatcherWorker::~SpeechDispatcherWorker() = default;

QString SpeechDispatcherWorker::unavailableMessage() {
    return QCoreApplication::translate(
        "SpeechDispatcherWorker",
        "Speech Dispatcher stopped responding; reading aloud is off until Verdolin restarts.");
}

std::chrono::milliseconds SpeechDispatcherWorker::readingBudget(const QString& text) {
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    const qsizetype words = text.split(spaces, Qt::SkipEmptyParts).size();
    const qsizetype units = std::max(words, text.size() / charactersPerWord);
    return std::chrono::duration_cast<std::chrono::milliseconds>(stuckMargin)
           + std::chrono::milliseconds(units * 60'000 / slowestWordsPerMinute);
}

bool SpeechDispatcherWorker::wasStopped(quint64 reading) const {
    return reading <= m_shared->stoppedUpTo.load();
}

void SpeechDispatcherWorker::speak(quint64 reading, const QString& text,
                                   const QString& languageCode) {
    if (wasStopped(reading))
        return;
    if (m_shared->unavailable.load()) {
        emit failed(reading, unavailableMessage());
        return;
    }
    if (text.trimmed().isEmpty()) {
        emit started(reading);
        emit finished(reading);
        return;
    }
    // The client library would block for long on a hung daemon, or start one: ask first.
    const std::optional<SpeechDispatcherProbe::Address> address =
        SpeechDispatcherProbe::addressFromEnvironment();
    if (!address || !SpeechDispatcherProbe::answers(*address, probeTimeout)) {
        emit failed(reading, notRunningMessage());
        return;
    }
    if (const QString problem = ensureEngine(); !problem.isEmpty()) {
        emit failed(reading, problem);
        return;
    }
    loadVoices();
    const QString name = languageName(languageCode);
    const std::optional<qsizetype> index = SpeechVoiceChoice::choose(m_choices, languageCode);
    if (!index) {
        // Another language's voice would read the text as gibberish.
        emit failed(reading, QCoreApplication::translate("SpeechDispatcherWorker",
                                                         "No voice on this computer reads %1.")
                                 .arg(name));
        return;
    }
    Pending next{reading, text, m_voices->at(*index), name};
    if (m_current) {
        // The daemon has not yet confirmed the end of the stopped reading; its late state
        // changes would otherwise be taken for the new one's.
        if (!m_stopping)
            stop(*m_current);
        m_pending = std::move(next);
        return;
    }
    begin(next);
}

void SpeechDispatcherWorker::stop(quint64 reading) {
    if (m_pending && m_pending->reading <= reading)
        m_pending.reset();
    if (!m_current || *m_current > reading || m_stopping)
        return;
    m_stopping = true;
    m_watchdog->stop();
    m_stopTicks = 0;
    m_stopPoll->start();
    m_engine->stop(QTextToSpeech::BoundaryHint::Immediate);
}

void SpeechDispatcherWorker::shutDown() {
    m_pending.reset();
    if (m_current && m_engine && !m_shared->unavailable.load())
        m_engine->stop(QTextToSpeech::BoundaryHint::Immediate);
    endCurrent();
    m_engine.reset();
    QThread::currentThread()->quit();
}

QString SpeechDispatcherWorker::ensureEngine() {
    if (m_engine)
        return {};
    auto engine = std::make_unique<QTextToSpeech>(QString::fromLatin1(engineName));
    if (engine->engine() != QLatin1String(engineName)) {
        return QCoreApplication::translate("SpeechDispatcherWorker",
                                           "The Speech Dispatcher plugin of Qt is not installed "
                                           "(package qt6-speech-speechd-plugin).");
    }
    if (engine->state() == QTextToSpeech::Error) {
        const QString reason = engine->errorString();
        return reason.isEmpty()
                   ? notRunningMessage()
                   : QCoreApplication::translate("SpeechDispatcherWorker",
                                                 "Speech Dispatcher cannot be used: %1")
                         .arg(reason);
    }
    connect(engine.get(), &QTextToSpeech::stateChanged, this,
            &SpeechDispatcherWorker::onStateChanged);
    m_engine = std::move(engine);
    return {};
}

void SpeechDispatcherWorker::loadVoices() {
    if (m_voices)
        return;
    // The engine lists only the voices of its current locale, so visit every locale once.
    QList<QVoice> voices;
    QSet<QString> seen;
    for (const QLocale& locale : m_engine->availableLocales()) {
        m_engine->setLocale(locale);
        for (const QVoice& voice : m_engine->availableVoices()) {
            if (!seen.contains(voice.name())) {
                seen.insert(voice.name());
                voices.append(voice);
            }
        }
    }
    m_choices.clear();
    m_choices.reserve(voices.size());
    for (const QVoice& voice : voices)
        m_choices.append({voice.name(), voice.locale()});
    m_voices = std::move(voices);
}

void SpeechDispatcherWorker::begin(const Pending& pending) {
    if (wasStopped(pending.reading))
        return;
    // A voice that does not take leaves the previous one in place: never read with that.
    m_engine->setVoice(pending.voice);
    if (m_engine->voice().name() != pending.voice.name()) {
        emit failed(pending.reading,
                    QCoreApplication::translate("SpeechDispatcherWorker",
                                                "The voice for %1 could not be selected.")
                        .arg(pending.languageName));
        return;
    }
    m_current = pending.reading;
    m_sawSpeaking = false;
    m_stopping = false;
    m_watchdog->start(readingBudget(pending.text));
    m_engine->say(pending.text);
}

void SpeechDispatcherWorker::endCurrent() {
    m_current.reset();
    m_sawSpeaking = false;
    m_stopping = false;
    m_watchdog->stop();
    m_stopPoll->stop();
}

void SpeechDispatcherWorker::beginPending() {
    if (!m_pending)
        return;
    const Pending next = std::move(*m_pending);
    m_pending.reset();
    begin(next);
}

void SpeechDispatcherWorker::onStateChanged(QTextToSpeech::State state) {
    if (!m_current)
        return;
    const quint64 reading = *m_current;
    switch (state) {
    case QTextToSpeech::Speaking:
        if (!m_sawSpeaking) {
            m_sawSpeaking = true;
            if (!m_stopping)
                emit started(reading);
        }
        break;
    case QTextToSpeech::Ready:
        // Ready before Speaking is the engine settling from an earlier state, not the end.
        if (m_sawSpeaking || m_stopping) {
            endCurrent();
            emit finished(reading);
            beginPending();
        }
        break;
    case QTextToSpeech::Error: {
        const QString reason = m_engine->errorString();
        endCurrent();
        emit failed(reading,
                    reason.isEmpty() ? QCoreApplication::translate(
                        "SpeechDispatcherWorker", "Speech Dispatcher could not read the text.")
                                     : reason);
        beginPending();
        break;
    }
    case QTextToSpeech::Paused:
        break;
    }
}

void SpeechDispatcherWorker::onStuck() {
    giveUp();
}

void SpeechDispatcherWorker::onStopTick() {
    if (!m_current) {
        m_stopPoll->stop();
        return;
    }
    if (m_engine->state() != QTextToSpeech::Speaking) {
        const quint64 reading = *m_current;
        endCurrent();
        emit finished(reading);
        beginPending();
        return;
    }
    if (++m_stopTicks * stopPollInterval >= stopTimeout)
        giveUp();
}

void SpeechDispatcherWorker::giveUp() {
    // Flag first: the stop below can block on a hung daemon, and the caller must fail new
    // readings at once meanwhile.
    m_shared->unavailable.store(true);
    const std::optional<quint64> reading = m_current;
    const bool wasStopping = m_stopping;
    endCurrent();
    if (reading)
        emit failed(*reading, unavailableMessage());
    if (m_pending) {
        const quint64 pending = m_pending->reading;
        m_pending.reset();
        emit failed(pending, unavailableMessage());
    }
    if (reading && !wasStopping)
        m_engine->stop(QTextToSpeech::BoundaryHint::Immediate);
}
