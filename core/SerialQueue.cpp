#include "core/SerialQueue.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

// Shared with the worker, so that the queue may even be destroyed from one of its own items:
// the worker then finishes the remaining items on its own and releases the state last.
struct SerialQueue::State {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> items;
    std::uint64_t submitted = 0;
    std::uint64_t finished = 0;
    bool stopping = false;
    std::thread worker;

    static void run(const std::shared_ptr<State>& state) {
        std::unique_lock lock(state->mutex);
        for (;;) {
            state->changed.wait(lock, [&] { return state->stopping || !state->items.empty(); });
            if (state->items.empty())
                return;
            std::function<void()> item = std::move(state->items.front());
            state->items.pop_front();
            lock.unlock();
            try {
                item();
            } catch (...) {
                // A failing item must neither end the queue nor leave a flush waiting forever.
            }
            // Released outside the lock: its captures may run arbitrary destructors.
            item = nullptr;
            lock.lock();
            ++state->finished;
            state->changed.notify_all();
        }
    }
};

SerialQueue::SerialQueue(const QString& label)
    : m_label(label)
    , m_state(std::make_shared<State>()) {
    m_state->worker = std::thread([state = m_state] { State::run(state); });
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
    }
    m_state->changed.notify_all();
    if (m_state->worker.get_id() == std::this_thread::get_id())
        m_state->worker.detach();
    else
        m_state->worker.join();
}

void SerialQueue::async(std::function<void()> work) {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->items.push_back(std::move(work));
        ++m_state->submitted;
    }
    m_state->changed.notify_all();
}

void SerialQueue::flush() {
    if (m_state->worker.get_id() == std::this_thread::get_id())
        return;
    std::unique_lock lock(m_state->mutex);
    const std::uint64_t target = m_state->submitted;
    m_state->changed.wait(lock, [&] { return m_state->finished >= target; });
}
