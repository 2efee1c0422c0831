#include "core/SerialQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

const QString label = QStringLiteral("com.korvane.verdolin.test");

// An item that holds the queue up until the promise is kept.
std::function<void()> heldUntil(std::promise<void>& release) {
    return [future = release.get_future().share()] { future.wait(); };
}

TEST(SerialQueue, RunsItemsInSubmissionOrderOnOneOtherThread) {
    SerialQueue queue(label);
    std::vector<int> order, expected(500);
    std::vector<std::thread::id> threads;
    for (int i = 0; i < 500; ++i) {
        queue.async([&, i] {
            order.push_back(i);
            threads.push_back(std::this_thread::get_id());
        });
    }
    queue.flush();
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(std::count(threads.begin(), threads.end(), threads.front()), 500);
    EXPECT_NE(threads.front(), std::this_thread::get_id());
}

TEST(SerialQueue, FlushWaitsForAnItemStillBlocked) {
    SerialQueue queue(label);
    std::promise<void> release;
    std::atomic<bool> ran = false;
    queue.async(heldUntil(release));
    queue.async([&] { ran = true; });

    auto flushed = std::async(std::launch::async, [&] { queue.flush(); });
    // The flush cannot have returned: the first item is still waiting for us.
    EXPECT_EQ(flushed.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    EXPECT_FALSE(ran.load());
    release.set_value();
    flushed.get();
    EXPECT_TRUE(ran.load());
}

TEST(SerialQueue, FlushFromOwnItemOrAThrowingItemDoesNotStopTheQueue) {
    SerialQueue queue(label);
    std::atomic<int> finished = 0;
    queue.async([&] {
        queue.flush();
        ++finished;
    });
    queue.async([] { throw std::runtime_error("disk gone"); });
    queue.async([&] { ++finished; });
    queue.flush();
    EXPECT_EQ(finished.load(), 2);
}

TEST(SerialQueue, DestructorRunsEverythingStillQueued) {
    std::atomic<int> count = 0;
    std::promise<void> release;
    {
        SerialQueue queue(label);
        queue.async(heldUntil(release));
        for (int i = 0; i < 1000; ++i)
            queue.async([&] { ++count; });
        release.set_value();
    }
    EXPECT_EQ(count.load(), 1000);
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
    std::promise<void> release, dropped;
    auto queue = std::make_shared<SerialQueue>(label);
    queue->async(heldUntil(release));
    auto holder = std::make_shared<LastReference>(queue, &dropped);
    queue->async([holder] {});
    holder.reset();
    queue.reset();
    release.set_value();
    dropped.get_future().wait();
}

} // namespace
