#pragma once

#include <QString>

#include <functional>
#include <memory>

// A private worker thread that runs work items one at a time, in the order they were
// submitted, so that callers never wait for slow work unless they ask to.
class SerialQueue {
public:
    // The label names the queue in reverse-DNS form ("com.korvane.verdolin.history").
    explicit SerialQueue(const QString& label);
    // Runs every item still queued, then ends the thread.
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const QString& label() const { return m_label; }

    // Queues one item and returns at once.
    void async(std::function<void()> work);

    // Returns when every item queued before the call has run. Called from one of this
    // queue's own items it returns at once, since waiting there could never end.
    void flush();

private:
    struct State;

    QString m_label;
    std::shared_ptr<State> m_state;
};
