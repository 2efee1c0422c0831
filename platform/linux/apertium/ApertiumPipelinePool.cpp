#include "platform/linux/apertium/ApertiumPipelinePool.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPromise>
#include <QThreadPool>

#include <algorithm>

namespace {

Q_LOGGING_CATEGORY(lcPool, "verdolin.apertium.pool")

// Batches block on their pipelines for as long as a translation takes, so they get threads
// of their own rather than the application's shared pool.
QThreadPool& workers() {
    static QThreadPool pool;
    static const bool configured = [] {
        pool.setMaxThreadCount(4);
        return true;
    }();
    Q_UNUSED(configured);
    return pool;
}

} // namespace

struct ApertiumPipelinePool::Slot {
    QString modeFile;
    // Held while a batch uses `pipeline`.
    std::mutex use;
    std::unique_ptr<Pipeline> pipeline;
    // Guarded by the pool's mutex.
    std::chrono::steady_clock::time_point lastUsed;
    int users = 0;
};

std::shared_ptr<ApertiumPipelinePool> ApertiumPipelinePool::create(Options options) {
    return std::shared_ptr<ApertiumPipelinePool>(new ApertiumPipelinePool(std::move(options)));
}

ApertiumPipelinePool::ApertiumPipelinePool(Options options)
    : m_options(std::move(options)) {}

ApertiumPipelinePool::~ApertiumPipelinePool() = default;

QString ApertiumPipelinePool::cancelledMessage() {
    return QCoreApplication::translate("ApertiumEngine", "The translation was cancelled.");
}

QFuture<TranslationBatchResult>
ApertiumPipelinePool::translate(const QString& modeFile, const QList<TranslationRequest>& requests,
                                std::shared_ptr<const std::atomic<bool>> cancelled) {
    return translate(QStringList{modeFile}, requests, std::move(cancelled));
}

QFuture<TranslationBatchResult>
ApertiumPipelinePool::translate(const QStringList& modeFiles,
                                const QList<TranslationRequest>& requests,
                                std::shared_ptr<const std::atomic<bool>> cancelled) {
    auto promise = std::make_shared<QPromise<TranslationBatchResult>>();
    QFuture<TranslationBatchResult> future = promise->future();
    promise->start();
    // The task keeps the pool alive, so the pool never waits for its own threads.
    workers().start([self = shared_from_this(), modeFiles, requests, cancelled, promise] {
        promise->addResult(self->run(modeFiles, requests, *cancelled));
        promise->finish();
    });
    return future;
}

TranslationBatchResult ApertiumPipelinePool::run(const QStringList& modeFiles,
                                                 const QList<TranslationRequest>& requests,
                                                 const std::atomic<bool>& cancelled) {
    if (cancelled.load() || modeFiles.isEmpty())
        return TranslationBatchResult::failure(cancelledMessage());
    QList<std::shared_ptr<Slot>> legs;
    for (const QString& file : modeFiles)
        legs.append(acquire(file));
    TranslationBatchResult result;
    QList<TranslationRequest> legRequests = requests;
    for (qsizetype leg = 0; leg < legs.size(); ++leg) {
        if (leg > 0) {
            // The intermediate text goes on to the next leg and nowhere else.
            legRequests.clear();
            for (const TranslationResponse& response : std::as_const(result.responses))
                legRequests.append(
                    {response.targetText, response.clientIdentifier.value_or(QString())});
        }
        result = runLeg(*legs[leg], legRequests, cancelled);
        if (!result.ok() || cancelled.load())
            break;
    }
    for (const std::shared_ptr<Slot>& slot : std::as_const(legs))
        release(slot);
    if (cancelled.load())
        return TranslationBatchResult::failure(cancelledMessage());
    return result;
}

TranslationBatchResult ApertiumPipelinePool::runLeg(Slot& slot,
                                                    const QList<TranslationRequest>& requests,
                                                    const std::atomic<bool>& cancelled) {
    TranslationBatchResult result;
    const std::lock_guard use(slot.use);
    if (!slot.pipeline && m_options.factory)
        slot.pipeline = m_options.factory(slot.modeFile);
    if (!slot.pipeline) {
        return TranslationBatchResult::failure(QCoreApplication::translate(
            "ApertiumEngine", "The translation engine could not be started."));
    }
    // A part of the pipeline may have ended while it waited: start it afresh rather than fail
    // the request.
    if (const std::optional<QString> error = slot.pipeline->start())
        return TranslationBatchResult::failure(*error);
    for (const TranslationRequest& request : requests) {
        if (cancelled.load())
            break;
        Pipeline::Answer answer = slot.pipeline->translate(request.sourceText, &cancelled);
        if (cancelled.load())
            break;
        if (!answer.text) {
            qCWarning(lcPool) << "request failed on" << slot.modeFile << answer.error;
            return TranslationBatchResult::failure(
                answer.error.isEmpty() ? QCoreApplication::translate(
                    "ApertiumEngine", "The translation engine stopped.")
                                       : answer.error);
        }
        result.responses.append({request.clientIdentifier, *answer.text});
    }
    return result;
}

std::shared_ptr<ApertiumPipelinePool::Slot> ApertiumPipelinePool::acquire(const QString& modeFile) {
    QList<std::shared_ptr<Slot>> closing;
    std::shared_ptr<Slot> slot;
    {
        const std::lock_guard lock(m_mutex);
        std::shared_ptr<Slot>& entry = m_slots[modeFile];
        if (!entry) {
            entry = std::make_shared<Slot>();
            entry->modeFile = modeFile;
        }
        ++entry->users;
        entry->lastUsed = m_options.clock();
        slot = entry;
        closing = takeClosable(true);
    }
    // Closing ends processes; that happens outside the lock.
    return slot;
}

void ApertiumPipelinePool::release(const std::shared_ptr<Slot>& slot) {
    QList<std::shared_ptr<Slot>> closing;
    const std::lock_guard lock(m_mutex);
    --slot->users;
    slot->lastUsed = m_options.clock();
    closing = takeClosable(true);
}

QFuture<void> ApertiumPipelinePool::keepWarm(const QStringList& modeFiles) {
    QStringList files = modeFiles;
    files.removeDuplicates();
    {
        const std::lock_guard lock(m_mutex);
        m_kept = QSet<QString>(files.cbegin(), files.cend());
    }
    struct Starts {
        QPromise<void> promise;
        std::atomic<qsizetype> left;
    };
    auto starts = std::make_shared<Starts>();
    starts->left = files.size();
    starts->promise.start();
    QFuture<void> future = starts->promise.future();
    if (files.isEmpty())
        starts->promise.finish();
    for (const QString& file : files) {
        workers().start([self = shared_from_this(), file, starts] {
            self->warm(file);
            if (--starts->left == 0)
                starts->promise.finish();
        });
    }
    return future;
}

void ApertiumPipelinePool::warm(const QString& modeFile) {
    if (!isKept(modeFile) || !m_options.factory)
        return; // dropped before its turn
    const std::shared_ptr<Slot> slot = acquire(modeFile);
    {
        const std::lock_guard use(slot->use);
        if (!slot->pipeline)
            slot->pipeline = m_options.factory(modeFile);
        const std::optional<QString> error =
            slot->pipeline ? slot->pipeline->start()
                           : std::optional(QStringLiteral("no pipeline was made"));
        if (error)
            qCWarning(lcPool) << "could not keep" << modeFile << "warm:" << *error;
    }
    release(slot);
}

bool ApertiumPipelinePool::isKept(const QString& modeFile) const {
    const std::lock_guard lock(m_mutex);
    return m_kept.contains(modeFile);
}

void ApertiumPipelinePool::closeIdle() {
    QList<std::shared_ptr<Slot>> closing;
    {
        const std::lock_guard lock(m_mutex);
        closing = takeClosable(false);
    }
    for (const std::shared_ptr<Slot>& slot : closing)
        qCDebug(lcPool) << "closing idle pipeline" << slot->modeFile;
}

QList<std::shared_ptr<ApertiumPipelinePool::Slot>>
ApertiumPipelinePool::takeClosable(bool limitOnly) {
    QList<std::shared_ptr<Slot>> taken;
    if (limitOnly) {
        while (m_slots.size() > static_cast<size_t>(std::max(m_options.maxWarm, 0))) {
            auto oldest = m_slots.end();
            for (auto it = m_slots.begin(); it != m_slots.end(); ++it) {
                if (it->second->users == 0 && !m_kept.contains(it->first)
                    && (oldest == m_slots.end() || it->second->lastUsed < oldest->second->lastUsed))
                    oldest = it;
            }
            if (oldest == m_slots.end())
                break; // all busy or kept; trimmed when one is released
            taken.append(oldest->second);
            m_slots.erase(oldest);
        }
        return taken;
    }
    const auto now = m_options.clock();
    for (auto it = m_slots.begin(); it != m_slots.end();) {
        if (it->second->users == 0 && !m_kept.contains(it->first)
            && now - it->second->lastUsed >= m_options.idleTimeout) {
            taken.append(it->second);
            it = m_slots.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

QStringList ApertiumPipelinePool::warmDirections() const {
    QList<std::shared_ptr<Slot>> open;
    {
        const std::lock_guard lock(m_mutex);
        for (const auto& [file, slot] : m_slots)
            open.append(slot);
        std::stable_sort(open.begin(), open.end(),
                         [](const auto& a, const auto& b) { return a->lastUsed < b->lastUsed; });
    }
    QStringList files;
    for (const auto& slot : open)
        files.append(slot->modeFile);
    return files;
}
