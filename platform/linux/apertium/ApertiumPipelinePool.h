#pragma once

#include "app/languages/TranslationBatchResult.h"
#include "app/languages/TranslationRequest.h"
#include "platform/linux/common/SteadyClock.h"

#include <QFuture>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

// Warm translation pipelines, one per direction, shared by every session of an engine.
// Batches run on worker threads; batches of one direction take turns on its pipeline.
// A warm direction costs about 100 MiB, so only a few stay warm and idle ones are closed,
// except the kept directions: the user's own pair stays warm while the application runs.
class ApertiumPipelinePool : public std::enable_shared_from_this<ApertiumPipelinePool> {
public:
    // What the pool needs of a pipeline; the real one runs Apertium's stages.
    class Pipeline {
    public:
        struct Answer {
            std::optional<QString> text;
            QString error; // readable by the user
        };
        Pipeline() = default;
        virtual ~Pipeline() = default;
        Pipeline(const Pipeline&) = delete;
        Pipeline& operator=(const Pipeline&) = delete;
        // Blocking; never called for one pipeline from two threads at once.
        virtual Answer translate(const QString& text, const std::atomic<bool>* cancelled) = 0;
        // Blocking, like translate. Starts the pipeline unless it runs, and afresh when a part
        // of it has ended; the readable reason when it cannot.
        virtual std::optional<QString> start() = 0;
    };

    using Factory = std::function<std::unique_ptr<Pipeline>(const QString& modeFile)>;

    struct Options {
        Factory factory;
        SteadyClock clock = realSteadyClock();
        std::chrono::milliseconds idleTimeout = std::chrono::minutes(5);
        int maxWarm = 3;
    };

    static std::shared_ptr<ApertiumPipelinePool> create(Options options);
    ~ApertiumPipelinePool();
    ApertiumPipelinePool(const ApertiumPipelinePool&) = delete;
    ApertiumPipelinePool& operator=(const ApertiumPipelinePool&) = delete;

    // Translates every request through the mode's pipeline on a worker thread, in order.
    // The first failed request fails the batch with its message; once `cancelled` is set the
    // batch stops and yields no answers.
    QFuture<TranslationBatchResult> translate(const QString& modeFile,
                                              const QList<TranslationRequest>& requests,
                                              std::shared_ptr<const std::atomic<bool>> cancelled);
    // The same through a chain of modes: each request's answer from one mode is the next
    // mode's request. Every pipeline of the chain is held for the whole batch, so the warm
    // limit never closes one leg while the other works.
    QFuture<TranslationBatchResult> translate(const QStringList& modeFiles,
                                              const QList<TranslationRequest>& requests,
                                              std::shared_ptr<const std::atomic<bool>> cancelled);

    // Replaces the kept directions. A kept pipeline is never closed, neither when idle nor by
    // the warm limit, which closes only the others (so kept directions alone may exceed it).
    // Each kept direction is started now on a worker thread, or afresh if a part of it has
    // ended; the future finishes when every start has. A dropped direction closes when idle.
    QFuture<void> keepWarm(const QStringList& modeFiles);

    // Closes the pipelines nobody has used for the idle time-out, except kept ones.
    void closeIdle();

    // The mode files whose pipelines are open, least recently used first.
    QStringList warmDirections() const;

    static QString cancelledMessage();

private:
    struct Slot;

    explicit ApertiumPipelinePool(Options options);
    std::shared_ptr<Slot> acquire(const QString& modeFile);
    void release(const std::shared_ptr<Slot>& slot);
    bool isKept(const QString& modeFile) const;
    void warm(const QString& modeFile);
    // Takes out of the map, under the lock, what `closeIdle` or the warm limit closes.
    QList<std::shared_ptr<Slot>> takeClosable(bool limitOnly);
    TranslationBatchResult run(const QStringList& modeFiles,
                               const QList<TranslationRequest>& requests,
                               const std::atomic<bool>& cancelled);
    TranslationBatchResult runLeg(Slot& slot, const QList<TranslationRequest>& requests,
                                  const std::atomic<bool>& cancelled);

    const Options m_options;
    mutable std::mutex m_mutex;
    std::map<QString, std::shared_ptr<Slot>> m_slots;
    QSet<QString> m_kept;
};
