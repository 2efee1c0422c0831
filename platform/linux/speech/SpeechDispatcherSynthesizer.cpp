#include "platform/linux/speech/SpeechDispatcherSynthesizer.h"

#include <QThread>

using namespace std::chrono_literals;

namespace {

// Long enough for the engine to close a healthy connection; a hung daemon is left behind.
constexpr auto shutdownWait = 3s;

} // namespace

SpeechDispatcherSynthesizer::SpeechDispatcherSynthesizer(QObject* parent)
    : SpeechSynthesizer(parent)
    , m_shared(std::make_shared<SpeechDispatcherWorker::Shared>()) {}

SpeechDispatcherSynthesizer::~SpeechDispatcherSynthesizer() {
    if (!m_thread)
        return;
    m_shared->stoppedUpTo.store(m_reading);
    QMetaObject::invokeMethod(m_worker, &SpeechDispatcherWorker::shutDown, Qt::QueuedConnection);
    if (m_thread->wait(QDeadlineTimer(shutdownWait))) {
        // The worker went with the thread's finished signal.
        delete m_thread;
        return;
    }
    // The engine is stuck in the daemon: destroying a running thread would abort the
    // process, so thread and worker are left to the end of the process.
    disconnect(m_worker, nullptr, this, nullptr);
}

void SpeechDispatcherSynthesizer::ensureWorker() {
    if (m_thread)
        return;
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("speech"));
    m_worker = new SpeechDispatcherWorker(m_shared);
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &SpeechDispatcherWorker::started, this,
            &SpeechDispatcherSynthesizer::onStarted);
    connect(m_worker, &SpeechDispatcherWorker::finished, this,
            [this](quint64 reading) { onEnded(reading, QString()); });
    connect(m_worker, &SpeechDispatcherWorker::failed, this, &SpeechDispatcherSynthesizer::onEnded);
    m_thread->start();
}

void SpeechDispatcherSynthesizer::speak(const QString& text, const QString& languageCode) {
    stop();
    const quint64 reading = ++m_reading;
    m_active = true;
    if (m_shared->unavailable.load()) {
        // The worker may be blocked in the hung daemon: answer from here.
        QMetaObject::invokeMethod(
            this,
            [this, reading] { onEnded(reading, SpeechDispatcherWorker::unavailableMessage()); },
            Qt::QueuedConnection);
        return;
    }
    ensureWorker();
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, reading, text, languageCode] {
            worker->speak(reading, text, languageCode);
        },
        Qt::QueuedConnection);
}

void SpeechDispatcherSynthesizer::stop() {
    if (!m_active)
        return;
    m_active = false;
    m_shared->stoppedUpTo.store(m_reading);
    const quint64 reading = m_reading;
    if (m_worker) {
        QMetaObject::invokeMethod(
            m_worker, [worker = m_worker, reading] { worker->stop(reading); },
            Qt::QueuedConnection);
    }
    emit finished();
}

void SpeechDispatcherSynthesizer::onStarted(quint64 reading) {
    if (m_active && reading == m_reading)
        emit started();
}

void SpeechDispatcherSynthesizer::onEnded(quint64 reading, const QString& failure) {
    if (!m_active || reading != m_reading)
        return;
    m_active = false;
    if (failure.isEmpty())
        emit finished();
    else
        emit failed(failure);
}
