#pragma once

#include "app/languages/TranslationSession.h"
#include "platform/linux/apertium/ApertiumPipelinePool.h"

#include <QList>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>

// A session for one installed direction: its batches go to the pool's pipeline for the mode,
// or through the pipelines of a chain of modes, one after the other.
class ApertiumSession final : public TranslationSession {
public:
    ApertiumSession(std::shared_ptr<ApertiumPipelinePool> pool, QStringList modeFiles);

    QFuture<TranslationBatchResult>
    translations(const QList<TranslationRequest>& requests) override;
    void cancel() override;

    QStringList modeFiles() const { return m_modeFiles; }

private:
    const std::shared_ptr<ApertiumPipelinePool> m_pool;
    const QStringList m_modeFiles;
    std::mutex m_mutex;
    // One flag per batch not yet finished; cancel() raises them all.
    QList<std::weak_ptr<std::atomic<bool>>> m_pending;
};
