#pragma once

#include "app/languages/TranslationSession.h"
#include "platform/linux/apertium/ApertiumPipelinePool.h"

#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

// A session for one installed direction: its batches go to the pool's pipeline for the mode.
class ApertiumSession final : public TranslationSession {
public:
    ApertiumSession(std::shared_ptr<ApertiumPipelinePool> pool, QString modeFile);

    QFuture<TranslationBatchResult>
    translations(const QList<TranslationRequest>& requests) override;
    void cancel() override;

    QString modeFile() const { return m_modeFile; }

private:
    const std::shared_ptr<ApertiumPipelinePool> m_pool;
    const QString m_modeFile;
    std::mutex m_mutex;
    // One flag per batch not yet finished; cancel() raises them all.
    QList<std::weak_ptr<std::atomic<bool>>> m_pending;
};
