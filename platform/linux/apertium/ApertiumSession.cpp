#include "platform/linux/apertium/ApertiumSession.h"

#include <utility>

ApertiumSession::ApertiumSession(std::shared_ptr<ApertiumPipelinePool> pool, QStringList modeFiles)
    : m_pool(std::move(pool))
    , m_modeFiles(std::move(modeFiles)) {}

QFuture<TranslationBatchResult>
ApertiumSession::translations(const QList<TranslationRequest>& requests) {
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    {
        const std::lock_guard lock(m_mutex);
        m_pending.removeIf([](const auto& flag) { return flag.expired(); });
        m_pending.append(cancelled);
    }
    return m_pool->translate(m_modeFiles, requests, cancelled);
}

void ApertiumSession::cancel() {
    const std::lock_guard lock(m_mutex);
    for (const auto& pending : std::as_const(m_pending)) {
        if (const auto flag = pending.lock())
            flag->store(true);
    }
    m_pending.clear();
}
