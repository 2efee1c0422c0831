#include "platform/linux/apertium/ApertiumPipeline.h"

#include "platform/linux/apertium/ApertiumFormat.h"
#include "platform/linux/apertium/ApertiumModeCommand.h"
#include "platform/linux/common/ChildRun.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/wait.h>
#include <utility>

Q_LOGGING_CATEGORY(lcApertium, "verdolin.apertium", QtInfoMsg)

namespace {

constexpr auto kPollSlice = std::chrono::milliseconds(50);
constexpr auto kChildCheckInterval = std::chrono::milliseconds(250);
// A broken chain waits this long at most to name the stage that ended.
constexpr auto kEndedStageWait = std::chrono::milliseconds(500);
// The most an answer may grow over its request (see kDefaultMaxAnswerBytes).
constexpr qsizetype kAnswerGrowth = 4;

QString tr(const char* text) {
    return QCoreApplication::translate("ApertiumPipeline", text);
}

// The stage commands of a mode, from `apertium-wblank-mode -z`, which must have ended within
// `timeout` by `clock`; `giveUp` is asked while waiting.
std::optional<QList<QStringList>> loadStages(const QString& modeFile,
                                             std::chrono::milliseconds timeout,
                                             const SteadyClock& clock,
                                             const std::function<bool()>& giveUp, QString* why) {
    const ChildRun run =
        ChildRun::toEnd({QStringLiteral("apertium-wblank-mode"), QStringLiteral("-z"), modeFile},
                        clock() + timeout, clock, giveUp);
    switch (run.ending) {
    case ChildRun::Ending::Exited:
        break;
    case ChildRun::Ending::StartFailed:
        *why = run.error == ENOENT ? QCoreApplication::translate(
                   "ApertiumPipeline", "apertium-wblank-mode is not installed")
                                   : QString::fromLocal8Bit(std::strerror(run.error));
        return std::nullopt;
    case ChildRun::Ending::Stopped:
        *why = QCoreApplication::translate("ApertiumPipeline", "it was stopped");
        return std::nullopt;
    case ChildRun::Ending::TimedOut:
        *why = QCoreApplication::translate("ApertiumPipeline",
                                           "apertium-wblank-mode gave no answer within %1 seconds")
                   .arg(std::chrono::duration<double>(timeout).count());
        return std::nullopt;
    case ChildRun::Ending::ReadFailed:
        *why = QCoreApplication::translate("ApertiumPipeline", "the mode file could not be read");
        return std::nullopt;
    }
    if (!WIFEXITED(run.status) || WEXITSTATUS(run.status) != 0) {
        *why = QCoreApplication::translate("ApertiumPipeline", "the mode file could not be read");
        return std::nullopt;
    }
    auto stages = ApertiumModeCommand::parse(QString::fromLocal8Bit(run.output));
    if (!stages) {
        *why = QCoreApplication::translate(
            "ApertiumPipeline", "the mode file has a form this program does not understand");
    }
    return stages;
}

QByteArray nonceMarker() {
    const quint64 nonce = QRandomGenerator::global()->generate64();
    return QByteArrayLiteral("[/NONCE:") + QByteArray::number(nonce, 16) + ']';
}

} // namespace

ApertiumPipeline::ApertiumPipeline(QString modeFile)
    : m_modeFile(std::move(modeFile)) {}

ApertiumPipeline::~ApertiumPipeline() {
    stop();
}

ApertiumPipeline::Result ApertiumPipeline::translate(const QString& text,
                                                     const std::atomic<bool>* cancelled) {
    std::lock_guard lock(m_mutex);
    if (text.isEmpty()) {
        return {QString(), {}};
    }

    QString why;
    if (m_running && !m_pendingMarker.isEmpty()) {
        // The stages are still busy with a cancelled request; its answer must not be
        // mistaken for the start of this one.
        QByteArray discarded;
        switch (exchange({}, m_pendingMarker, m_pendingLimit, cancelled, &discarded, &why)) {
        case Outcome::Answered:
            m_pendingMarker.clear();
            break;
        case Outcome::Cancelled:
            return {std::nullopt, tr("The translation was cancelled.")};
        case Outcome::Interrupted:
            stopLocked();
            return {std::nullopt, tr("The translation was stopped.")};
        case Outcome::Dead:
            stopLocked();
            break;
        }
    }
    if (m_running && m_served >= m_restartAfter) {
        qCDebug(lcApertium) << "restarting" << modeName() << "after" << m_served.load()
                            << "requests";
        stopLocked();
    }
    if (!m_running) {
        if (auto error = startLocked(cancelled)) {
            if (m_interrupt) {
                return {std::nullopt, tr("The translation was stopped.")};
            }
            if (cancelled != nullptr && cancelled->load()) {
                return {std::nullopt, tr("The translation was cancelled.")};
            }
            return {std::nullopt, *error};
        }
    }

    const QByteArray nonce = nonceMarker();
    const QByteArray request = ApertiumFormat::deformat(text).toUtf8() + '\0' + nonce + '\0';
    const QByteArray marker = '\0' + nonce + '\0';
    QByteArray answer;
    switch (exchange(request, marker, answerLimit(request.size()), cancelled, &answer, &why)) {
    case Outcome::Answered:
        ++m_served;
        return {ApertiumFormat::reformat(QString::fromUtf8(answer)), {}};
    case Outcome::Cancelled:
        return {std::nullopt, tr("The translation was cancelled.")};
    case Outcome::Interrupted:
        stopLocked();
        return {std::nullopt, tr("The translation was stopped.")};
    case Outcome::Dead:
        break;
    }
    qCWarning(lcApertium) << modeName() << "failed:" << why;
    stopLocked();
    return {
        std::nullopt,
        tr("The translator for %1 stopped working (%2). Please try again.").arg(modeName(), why)};
}

std::optional<QString> ApertiumPipeline::start() {
    std::lock_guard lock(m_mutex);
    if (m_running) {
        QString why;
        if (!stageExited(&why)) {
            return std::nullopt;
        }
        qCInfo(lcApertium) << "restarting" << modeName() << "because" << why;
        stopLocked();
    }
    return startLocked(nullptr);
}

void ApertiumPipeline::stop() {
    m_interrupt = true;
    std::lock_guard lock(m_mutex);
    stopLocked();
    m_interrupt = false;
}

bool ApertiumPipeline::isRunning() const {
    return m_running;
}

int ApertiumPipeline::requestsServed() const {
    return m_served;
}

QList<pid_t> ApertiumPipeline::stagePids() const {
    std::lock_guard lock(m_mutex);
    return m_process.pids();
}

void ApertiumPipeline::setRestartAfter(int requests) {
    std::lock_guard lock(m_mutex);
    m_restartAfter = std::max(1, requests);
}

void ApertiumPipeline::setMaxAnswerBytes(qsizetype bytes) {
    std::lock_guard lock(m_mutex);
    m_maxAnswerBytes = std::max<qsizetype>(1, bytes);
}

void ApertiumPipeline::setClock(SteadyClock clock) {
    std::lock_guard lock(m_mutex);
    m_clock = std::move(clock);
}

qsizetype ApertiumPipeline::answerLimit(qsizetype requestBytes) const {
    return std::max(m_maxAnswerBytes, kAnswerGrowth * requestBytes);
}

std::optional<QString> ApertiumPipeline::startLocked(const std::atomic<bool>* cancelled) {
    QString why;
    const auto giveUp = [&] {
        return m_interrupt.load() || (cancelled != nullptr && cancelled->load());
    };
    const auto stages = loadStages(m_modeFile, kModeLoadTimeout, m_clock, giveUp, &why);
    if (!stages) {
        return tr("The translator for %1 could not be started: %2.").arg(modeName(), why);
    }
    if (const auto failure = m_process.start(*stages)) {
        const QString reason =
            failure->error == ENOENT && failure->stage >= 0
                ? tr("the program %1 is missing").arg(stages->at(failure->stage).constFirst())
                : QString::fromLocal8Bit(std::strerror(failure->error));
        stopLocked();
        return tr("The translator for %1 could not be started: %2.").arg(modeName(), reason);
    }
    for (const QStringList& argv : *stages) {
        m_programs.append(QFileInfo(argv.constFirst()).fileName());
    }
    m_running = true;
    qCDebug(lcApertium) << "started" << modeName() << "with" << stages->size() << "stages";
    return std::nullopt;
}

void ApertiumPipeline::stopLocked() {
    m_running = false;
    m_process.stop();
    m_programs.clear();
    m_pendingMarker.clear();
    m_pendingLimit = 0;
    m_served = 0;
}

ApertiumPipeline::Outcome ApertiumPipeline::exchange(const QByteArray& request,
                                                     const QByteArray& marker, qsizetype limit,
                                                     const std::atomic<bool>* cancelled,
                                                     QByteArray* answer, QString* why) {
    QByteArray& inbox = m_process.inbox();
    qsizetype searchFrom = 0;
    auto lastProgress = m_clock();
    auto lastChildCheck = lastProgress;
    m_process.send(request);

    for (;;) {
        const qsizetype found = inbox.indexOf(marker, searchFrom);
        if (found >= 0 && !m_process.hasUnsent()) {
            *answer = inbox.left(found);
            inbox.remove(0, found + marker.size());
            if (!inbox.isEmpty()) {
                qCWarning(lcApertium)
                    << modeName() << "sent" << inbox.size() << "bytes after an answer";
                inbox.clear();
            }
            return Outcome::Answered;
        }
        searchFrom = std::max<qsizetype>(0, inbox.size() - marker.size() + 1);

        if (m_interrupt) {
            return Outcome::Interrupted;
        }
        if (cancelled != nullptr && cancelled->load()) {
            if (!m_process.hasUnsent()) {
                m_pendingMarker = marker;
                m_pendingLimit = limit;
                return Outcome::Cancelled;
            }
            // Half a request can never be answered: start afresh next time.
            stopLocked();
            return Outcome::Cancelled;
        }

        bool progress = false;
        switch (m_process.pump(kPollSlice, limit)) {
        case NulFramedProcess::Io::Idle:
            break;
        case NulFramedProcess::Io::Progress:
            progress = true;
            break;
        case NulFramedProcess::Io::Full:
            // The answer may end in what just came: take it before calling it too long.
            if (inbox.indexOf(marker, searchFrom) >= 0) {
                continue;
            }
            *why = tr("it sent more than %1 without ending the answer")
                       .arg(QLocale().formattedDataSize(limit, 0));
            return Outcome::Dead;
        case NulFramedProcess::Io::InputClosed:
            *why = whyBroken(tr("its first stage stopped reading"));
            return Outcome::Dead;
        case NulFramedProcess::Io::OutputEnded:
            *why = whyBroken(tr("its last stage ended"));
            return Outcome::Dead;
        case NulFramedProcess::Io::Failed:
            *why = QString::fromLocal8Bit(std::strerror(m_process.lastError()));
            return Outcome::Dead;
        }

        const auto now = m_clock();
        if (progress) {
            lastProgress = now;
        } else if (now - lastProgress > kStallTimeout) {
            *why = tr("no answer for %1 seconds")
                       .arg(std::chrono::duration<double>(kStallTimeout).count());
            return Outcome::Dead;
        }
        if (now - lastChildCheck >= kChildCheckInterval) {
            lastChildCheck = now;
            if (stageExited(why)) {
                return Outcome::Dead;
            }
        }
    }
}

bool ApertiumPipeline::stageExited(QString* why) {
    const auto stage = m_process.endedStage(std::chrono::milliseconds(0));
    if (!stage) {
        return false;
    }
    *why = tr("%1 ended").arg(m_programs.value(*stage));
    return true;
}

QString ApertiumPipeline::whyBroken(const QString& fallback) {
    const auto stage = m_process.endedStage(kEndedStageWait);
    return stage ? tr("%1 ended").arg(m_programs.value(*stage)) : fallback;
}

QString ApertiumPipeline::modeName() const {
    return QFileInfo(m_modeFile).completeBaseName();
}
