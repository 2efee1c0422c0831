#include "platform/linux/apertium/ApertiumPipelinePool.h"

#include "platform/linux/apertium/ApertiumSession.h"

#include <gtest/gtest.h>

#include <condition_variable>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Pipelines that answer "<text>" at once, fail on "fail", and hold "block" until released
// or cancelled, with a record of what was made and closed.
struct Workshop {
    std::mutex mutex;
    std::condition_variable changed;
    QStringList created;
    QStringList closed;
    QStringList translated;
    QStringList started;
    int blocked = 0;
    bool released = false;
    Clock::time_point now{};

    void advance(std::chrono::milliseconds step) {
        const std::lock_guard lock(mutex);
        now += step;
    }
    void waitUntilBlocked(int count) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return blocked >= count; });
    }
    void release() {
        const std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
};

class FakePipeline final : public ApertiumPipelinePool::Pipeline {
public:
    FakePipeline(std::shared_ptr<Workshop> workshop, QString modeFile)
        : m_workshop(std::move(workshop))
        , m_modeFile(std::move(modeFile)) {
        const std::lock_guard lock(m_workshop->mutex);
        m_workshop->created.append(m_modeFile);
    }
    ~FakePipeline() override {
        const std::lock_guard lock(m_workshop->mutex);
        m_workshop->closed.append(m_modeFile);
    }

    Answer translate(const QString& text, const std::atomic<bool>* cancelled) override {
        {
            const std::lock_guard lock(m_workshop->mutex);
            m_workshop->translated.append(text);
        }
        if (text == QStringLiteral("fail"))
            return {std::nullopt, QStringLiteral("A stage of %1 stopped.").arg(m_modeFile)};
        if (text == QStringLiteral("block")) {
            std::unique_lock lock(m_workshop->mutex);
            ++m_workshop->blocked;
            m_workshop->changed.notify_all();
            // Cancellation is polled, as the real pipeline does.
            while (!m_workshop->released && !(cancelled && cancelled->load()))
                m_workshop->changed.wait_for(lock, 1ms);
            if (!m_workshop->released)
                return {std::nullopt, QStringLiteral("interrupted")};
        }
        return {u'<' + text + u'>', {}};
    }

    std::optional<QString> start() override {
        const std::lock_guard lock(m_workshop->mutex);
        m_workshop->started.append(m_modeFile);
        return std::nullopt;
    }

private:
    std::shared_ptr<Workshop> m_workshop;
    QString m_modeFile;
};

class ApertiumPipelinePoolTest : public testing::Test {
protected:
    std::shared_ptr<ApertiumPipelinePool> makePool(int maxWarm = 3) {
        ApertiumPipelinePool::Options options;
        options.factory = [workshop = m_workshop](const QString& modeFile) {
            return std::make_unique<FakePipeline>(workshop, modeFile);
        };
        options.clock = [workshop = m_workshop] {
            const std::lock_guard lock(workshop->mutex);
            return workshop->now;
        };
        options.idleTimeout = 5min;
        options.maxWarm = maxWarm;
        return ApertiumPipelinePool::create(options);
    }

    static QList<TranslationRequest> requests(const QStringList& texts) {
        QList<TranslationRequest> list;
        for (qsizetype i = 0; i < texts.size(); ++i)
            list.append({texts[i], QString::number(i)});
        return list;
    }

    TranslationBatchResult run(ApertiumSession& session, const QStringList& texts) {
        return session.translations(requests(texts)).result();
    }

    QStringList created() { return seen(&Workshop::created); }
    QStringList closed() { return seen(&Workshop::closed); }
    QStringList seen(QStringList Workshop::*list) {
        const std::lock_guard lock(m_workshop->mutex);
        return (*m_workshop).*list;
    }

    std::shared_ptr<Workshop> m_workshop = std::make_shared<Workshop>();
};

TEST_F(ApertiumPipelinePoolTest, AnswersEveryRequestOnOneWarmPipelineAndFailsOnlyAFailedBatch) {
    ApertiumSession session(makePool(), QStringLiteral("eng-spa.mode"));
    const TranslationBatchResult first = run(session, {"Hello.", "", "World."});
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first.responses,
              (QList<TranslationResponse>{{QStringLiteral("0"), QStringLiteral("<Hello.>")},
                                          {QStringLiteral("1"), QStringLiteral("<>")},
                                          {QStringLiteral("2"), QStringLiteral("<World.>")}}));
    const TranslationBatchResult failed = run(session, {"one", "fail", "three"});
    EXPECT_EQ(failed.error, QStringLiteral("A stage of eng-spa.mode stopped."));
    EXPECT_TRUE(failed.responses.isEmpty());
    EXPECT_TRUE(run(session, {}).ok());
    EXPECT_TRUE(run(session, {"four"}).ok());
    EXPECT_EQ(created(), QStringList{"eng-spa.mode"});
}

// A cancel ends the session's running batch and drops its queued one; another session's batch
// queued on the same direction is answered, and a batch after the cancel runs.
TEST_F(ApertiumPipelinePoolTest, CancellingDropsOnlyTheSessionsPendingBatches) {
    const auto pool = makePool();
    ApertiumSession session(pool, QStringLiteral("eng-spa.mode"));
    ApertiumSession other(pool, QStringLiteral("eng-spa.mode"));
    ApertiumSession waiting(pool, QStringLiteral("eng-spa.mode"));

    QFuture<TranslationBatchResult> running = session.translations(requests({"a", "block", "c"}));
    m_workshop->waitUntilBlocked(1);
    QFuture<TranslationBatchResult> queued = other.translations(requests({"x"}));
    QFuture<TranslationBatchResult> dropped = waiting.translations(requests({"p", "q"}));
    waiting.cancel();
    session.cancel();

    EXPECT_EQ(running.result().error, ApertiumPipelinePool::cancelledMessage());
    EXPECT_FALSE(dropped.result().ok());
    EXPECT_EQ(queued.result().responses.size(), 1);
    EXPECT_TRUE(run(session, {"later"}).ok());
    EXPECT_EQ(seen(&Workshop::translated), (QStringList{"a", "block", "x", "later"}));
}

// Closes a pipeline idle for the time-out but never one in use; its session then starts afresh.
TEST_F(ApertiumPipelinePoolTest, ClosesPipelinesIdleForTheTimeOutButNeverOneInUse) {
    const auto pool = makePool();
    ApertiumSession session(pool, QStringLiteral("eng-spa.mode"));
    ApertiumSession busy(pool, QStringLiteral("spa-eng.mode"));
    ASSERT_TRUE(run(session, {"warm"}).ok());
    QFuture<TranslationBatchResult> held = busy.translations(requests({"block"}));
    m_workshop->waitUntilBlocked(1);

    m_workshop->advance(4min + 59s);
    pool->closeIdle();
    EXPECT_TRUE(closed().isEmpty());
    m_workshop->advance(1s);
    pool->closeIdle();
    EXPECT_EQ(pool->warmDirections(), QStringList{"spa-eng.mode"});
    EXPECT_EQ(closed(), QStringList{"eng-spa.mode"});

    m_workshop->release();
    EXPECT_TRUE(held.result().ok());
    ASSERT_TRUE(run(session, {"again"}).ok());
    EXPECT_EQ(created(), (QStringList{"eng-spa.mode", "spa-eng.mode", "eng-spa.mode"}));
}

TEST_F(ApertiumPipelinePoolTest, KeepsAtMostAFewDirectionsWarmClosingTheLeastRecentlyUsed) {
    const auto pool = makePool(2);
    ApertiumSession engSpa(pool, QStringLiteral("eng-spa.mode"));
    ApertiumSession spaEng(pool, QStringLiteral("spa-eng.mode"));
    ApertiumSession spaCat(pool, QStringLiteral("spa-cat.mode"));

    ASSERT_TRUE(run(engSpa, {"1"}).ok());
    m_workshop->advance(1s);
    ASSERT_TRUE(run(spaEng, {"2"}).ok());
    m_workshop->advance(1s);
    ASSERT_TRUE(run(engSpa, {"3"}).ok());
    m_workshop->advance(1s);
    ASSERT_TRUE(run(spaCat, {"4"}).ok());

    EXPECT_EQ(pool->warmDirections(), (QStringList{"eng-spa.mode", "spa-cat.mode"}));
    EXPECT_EQ(closed(), QStringList{"spa-eng.mode"});
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

struct KeptCase {
    const char* name;
    int maxWarm;
    QStringList kept;
    QStringList used; // a second apart, after the kept ones are started
    QStringList keptLater;
    QStringList warmAfterUse;
    QStringList warmAfterIdle;
    QStringList started; // on each keepWarm of a kept pipeline, and before each use of any
};

// Kept directions start without a request and outlast the idle time-out and the warm limit,
// which closes the others first; a direction dropped from the kept ones closes when idle.
TEST_F(ApertiumPipelinePoolTest, KeptDirectionsStayWarmAndTheOthersClose) {
    const KeptCase cases[] = {
        {"idle_closes_only_unkept", 3, {"a"}, {"b"}, {"a"}, {"a", "b"}, {"a"}, {"a", "a", "b"}},
        {"limit_closes_unkept_first",
         2,
         {"a"},
         {"a", "b", "c"},
         {"a"},
         {"a", "c"},
         {"a"},
         {"a", "a", "a", "b", "c"}},
        {"kept_beyond_limit",
         1,
         {"a", "b"},
         {"c"},
         {"a", "b"},
         {"a", "b"},
         {"a", "b"},
         {"a", "a", "b", "b", "c"}},
        {"dropped_closes_when_idle", 3, {"a", "b"}, {}, {"b"}, {"a", "b"}, {"b"}, {"a", "b", "b"}},
        {"nothing_kept", 3, {}, {"a"}, {}, {"a"}, {}, {"a"}},
    };
    for (const KeptCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_workshop = std::make_shared<Workshop>();
        const auto pool = makePool(c.maxWarm);
        pool->keepWarm(c.kept).waitForFinished();
        EXPECT_EQ(sorted(created()), c.kept);
        for (const QString& mode : c.used) {
            m_workshop->advance(1s);
            ApertiumSession session(pool, mode);
            ASSERT_TRUE(run(session, {"x"}).ok());
        }
        EXPECT_EQ(sorted(pool->warmDirections()), c.warmAfterUse);
        pool->keepWarm(c.keptLater).waitForFinished();
        m_workshop->advance(5min);
        pool->closeIdle();
        EXPECT_EQ(sorted(pool->warmDirections()), c.warmAfterIdle);
        EXPECT_EQ(sorted(seen(&Workshop::started)), c.started);
        EXPECT_EQ(seen(&Workshop::translated).size(), c.used.size());
    }
}

TEST_F(ApertiumPipelinePoolTest, ABatchOutlivesItsSessionAndPool) {
    QFuture<TranslationBatchResult> future;
    {
        auto session =
            std::make_shared<ApertiumSession>(makePool(), QStringLiteral("eng-spa.mode"));
        future = session->translations(requests({"block", "b"}));
        m_workshop->waitUntilBlocked(1);
    }
    m_workshop->release();
    EXPECT_EQ(future.result().responses.size(), 2);
}

} // namespace
