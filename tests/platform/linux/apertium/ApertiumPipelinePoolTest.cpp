#include "platform/linux/apertium/ApertiumPipelinePool.h"

#include "platform/linux/apertium/ApertiumSession.h"

#include <gtest/gtest.h>

#include <condition_variable>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Pipelines that answer "<text>" at once, fail on a text with "fail" in it, die (and stay dead
// until started again) on one with "die", and hold one with "block" until released or
// cancelled; `only`, when set, limits those to one mode. What was made, started and closed is
// recorded.
struct Workshop {
    std::mutex mutex;
    std::condition_variable changed;
    QStringList created;
    QStringList closed;
    QStringList translated;
    QStringList started;
    int blocked = 0;
    bool released = false;
    QString only;
    Clock::time_point now{};

    void advance(std::chrono::milliseconds step) {
        const std::lock_guard lock(mutex);
        now += step;
    }
    void waitUntilBlocked(int count) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return blocked >= count; });
    }
    void release() { wake(true); }
    void wake(bool release = false) {
        const std::lock_guard lock(mutex);
        released = released || release;
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
        bool mine = false;
        {
            const std::lock_guard lock(m_workshop->mutex);
            m_workshop->translated.append(text);
            mine = m_workshop->only.isEmpty() || m_workshop->only == m_modeFile;
        }
        if (m_dead || (mine && text.contains(QStringLiteral("die"))))
            m_dead = true;
        if (m_dead || (mine && text.contains(QStringLiteral("fail"))))
            return {std::nullopt, QStringLiteral("A stage of %1 stopped.").arg(m_modeFile)};
        if (mine && text.contains(QStringLiteral("block"))) {
            std::unique_lock lock(m_workshop->mutex);
            ++m_workshop->blocked;
            m_workshop->changed.notify_all();
            // A cancel comes with no event of its own: the test wakes this after one.
            m_workshop->changed.wait(
                lock, [&] { return m_workshop->released || (cancelled && cancelled->load()); });
            if (!m_workshop->released)
                return {std::nullopt, QStringLiteral("interrupted")};
        }
        return {u'<' + text + u'>', {}};
    }

    std::optional<QString> start() override {
        const std::lock_guard lock(m_workshop->mutex);
        m_workshop->started.append(m_modeFile);
        m_dead = false;
        return std::nullopt;
    }

private:
    bool m_dead = false;
    std::shared_ptr<Workshop> m_workshop;
    QString m_modeFile;
};

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

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
    ApertiumSession session(makePool(), {"eng-spa.mode"});
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
    ApertiumSession session(pool, {"eng-spa.mode"});
    ApertiumSession other(pool, {"eng-spa.mode"});
    ApertiumSession waiting(pool, {"eng-spa.mode"});

    QFuture<TranslationBatchResult> running = session.translations(requests({"a", "block", "c"}));
    m_workshop->waitUntilBlocked(1);
    QFuture<TranslationBatchResult> queued = other.translations(requests({"x"}));
    QFuture<TranslationBatchResult> dropped = waiting.translations(requests({"p", "q"}));
    waiting.cancel();
    session.cancel();
    m_workshop->wake();

    EXPECT_EQ(running.result().error, ApertiumPipelinePool::cancelledMessage());
    EXPECT_FALSE(dropped.result().ok());
    EXPECT_EQ(queued.result().responses.size(), 1);
    EXPECT_TRUE(run(session, {"later"}).ok());
    EXPECT_EQ(seen(&Workshop::translated), (QStringList{"a", "block", "x", "later"}));
}

// Closes a pipeline idle for the time-out but never one in use; its session then starts afresh.
TEST_F(ApertiumPipelinePoolTest, ClosesPipelinesIdleForTheTimeOutButNeverOneInUse) {
    const auto pool = makePool();
    ApertiumSession session(pool, {"eng-spa.mode"});
    ApertiumSession busy(pool, {"spa-eng.mode"});
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

// At most a few directions stay warm, the least recently used closing first. Kept directions
// start without a request and outlast the idle time-out and the warm limit, which closes the
// others first; a direction dropped from the kept ones closes when idle.
TEST_F(ApertiumPipelinePoolTest, KeptDirectionsStayWarmAndTheOthersClose) {
    // clang-format off
    const KeptCase cases[] = {
        {"least_recently_used_closes", 2, {}, {"a", "b", "a", "c"}, {}, {"a", "c"}, {},
         {"a", "a", "b", "c"}},
        {"idle_closes_only_unkept", 3, {"a"}, {"b"}, {"a"}, {"a", "b"}, {"a"}, {"a", "a", "b"}},
        {"limit_closes_unkept_first", 2, {"a"}, {"a", "b", "c"}, {"a"}, {"a", "c"}, {"a"},
         {"a", "a", "a", "b", "c"}},
        {"kept_beyond_limit", 1, {"a", "b"}, {"c"}, {"a", "b"}, {"a", "b"}, {"a", "b"},
         {"a", "a", "b", "b", "c"}},
        {"dropped_closes_when_idle", 3, {"a", "b"}, {}, {"b"}, {"a", "b"}, {"b"}, {"a", "b", "b"}},
        {"nothing_kept", 3, {}, {"a"}, {}, {"a"}, {}, {"a"}},
    };
    // clang-format on
    for (const KeptCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_workshop = std::make_shared<Workshop>();
        const auto pool = makePool(c.maxWarm);
        pool->keepWarm(c.kept).waitForFinished();
        EXPECT_EQ(sorted(created()), c.kept);
        for (const QString& mode : c.used) {
            m_workshop->advance(1s);
            ApertiumSession session(pool, {mode});
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

// A chain's legs answer in turn, each request's first answer going on to the second leg; a
// failure in either fails the batch, and a leg that died is started afresh for the next one.
TEST_F(ApertiumPipelinePoolTest, AChainFeedsEachLegsAnswersToTheNext) {
    const auto pool = makePool(2);
    ApertiumSession direct(pool, {"x-a.mode"});
    ASSERT_TRUE(run(direct, {"warm"}).ok());
    ApertiumSession chain(pool, {"a-b.mode", "b-c.mode"});
    const TranslationBatchResult first = run(chain, {"one", "", "two"});
    EXPECT_EQ(first.responses,
              (QList<TranslationResponse>{{QStringLiteral("0"), QStringLiteral("<<one>>")},
                                          {QStringLiteral("1"), QStringLiteral("<<>>")},
                                          {QStringLiteral("2"), QStringLiteral("<<two>>")}}));
    // Both legs count against the warm limit: the direct pipeline made room.
    EXPECT_EQ(sorted(pool->warmDirections()), (QStringList{"a-b.mode", "b-c.mode"}));
    EXPECT_EQ(closed(), QStringList{"x-a.mode"});

    m_workshop->only = QStringLiteral("b-c.mode");
    EXPECT_EQ(run(chain, {"ok", "die"}).error, QStringLiteral("A stage of b-c.mode stopped."));
    EXPECT_EQ(run(chain, {"again"}).responses.value(0).targetText, QStringLiteral("<<again>>"));
    EXPECT_EQ(created(), (QStringList{"x-a.mode", "a-b.mode", "b-c.mode"}));

    // A cancel reaches the second leg mid-request and the chain answers the next batch.
    QFuture<TranslationBatchResult> held = chain.translations(requests({"block"}));
    m_workshop->waitUntilBlocked(1);
    chain.cancel();
    m_workshop->wake();
    EXPECT_EQ(held.result().error, ApertiumPipelinePool::cancelledMessage());
    EXPECT_TRUE(run(chain, {"after"}).ok());
}

TEST_F(ApertiumPipelinePoolTest, ABatchOutlivesItsSessionAndPool) {
    QFuture<TranslationBatchResult> future;
    {
        auto session = std::make_shared<ApertiumSession>(makePool(), QStringList{"eng-spa.mode"});
        future = session->translations(requests({"block", "b"}));
        m_workshop->waitUntilBlocked(1);
    }
    m_workshop->release();
    EXPECT_EQ(future.result().responses.size(), 2);
}

} // namespace
