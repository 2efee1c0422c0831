#include "core/SerialQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

TEST(SerialQueue, RunsItemsInSubmissionOrderOnOneOtherThread) {
    SerialQueue queue(QStringLiteral("com.korvane.verdolin.test"));
    std::mutex mutex;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    for (int i = 0; i < 500; ++i) {
        queue.async([&, i] {
            std::lock_guard lock(mutex);
            order.push_back(i);
            threads.push_back(std::this_thread::get_id());
        });
    }
    queue.flush();

    std::lock_guard lock(mutex);
    ASSERT_EQ(order.size(), 500u);
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(order[i], i);
    for (const std::thread::id& id : threads) {
        EXPECT_EQ(id, threads.front());
        EXPECT_NE(id, std::this_thread::get_id());
    }
}

TEST(SerialQueue, FlushWaitsForAnItemStillBlocked) {
    SerialQueue queue(QStringLiteral("com.korvane.verdolin.test"));
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> ran = false;
    queue.async([released] { released.wait(); });
    queue.async([&] { ran = true; });

    auto flushed = std::async(std::launch::async, [&] { queue.flush(); });
    // The flush cannot have returned: the first item is still waiting for us.
    EXPECT_EQ(flushed.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    EXPECT_FALSE(ran.load());
    release.set_value();
    flushed.get();
    EXPECT_TRUE(ran.load());
}

TEST(SerialQueue, FlushFromOwnItemReturnsInsteadOfDeadlocking) {
    SerialQueue queue(QStringLiteral("com.korvane.verdolin.test"));
    std::atomic<int> finished = 0;
    queue.async([&] {
        queue.flush();
        ++finished;
    });
    queue.async([&] { ++finished; });
    queue.flush();
    EXPECT_EQ(finished.load(), 2);
}

TEST(SerialQueue, DestructorRunsEverythingStillQueued) {
    std::atomic<int> count = 0;
    std::promise<void> release;
    {
        SerialQueue queue(QStringLiteral("com.korvane.verdolin.test"));
        queue.async([future = release.get_future().share()] { future.wait(); });
        for (int i = 0; i < 1000; ++i)
            queue.async([&] { ++count; });
        release.set_value();
    }
    EXPECT_EQ(count.load(), 1000);
}

TEST(SerialQueue, AThrowingItemDoesNotStopTheQueue) {
    SerialQueue queue(QStringLiteral("com.korvane.verdolin.test"));
    std::atomic<bool> ran = false;
    queue.async([] { throw std::runtime_error("disk gone"); });
    queue.async([&] { ran = true; });
    queue.flush();
    EXPECT_TRUE(ran.load());
}

// Holds the last reference to the queue; dropping it on the worker thread must not try to
// join that very thread.
struct LastReference {
    std::shared_ptr<SerialQueue> queue;
    std::promise<void>* dropped;
    ~LastReference() {
        queue.reset();
        dropped->set_value();
    }
};

TEST(SerialQueue, LastReferenceDroppedByOwnItemDoesNotDeadlock) {
    std::promise<void> release;
    std::promise<void> dropped;
    auto queue = std::make_shared<SerialQueue>(QStringLiteral("com.korvane.verdolin.test"));
    queue->async([future = release.get_future().share()] { future.wait(); });
    auto holder = std::make_shared<LastReference>(queue, &dropped);
    queue->async([holder] {});
    holder.reset();
    queue.reset();
    release.set_value();
    dropped.get_future().wait();
    SUCCEED();
}

} // namespace
