#pragma once

#include <memory>
#include <mutex>

// Gives the interface T one process-wide implementation: T::unavailable() until the system's
// is installed. Whoever took one keeps it alive after a replacement. Safe from any thread.
template <typename T>
class ProcessWide {
public:
    static std::shared_ptr<T> shared() {
        Slot& current = slot();
        const std::lock_guard lock(current.mutex);
        return current.instance;
    }

    // Called at start with the system's; a later call replaces it, a null one is ignored.
    static void installShared(std::shared_ptr<T> instance) {
        if (!instance)
            return;
        Slot& current = slot();
        const std::lock_guard lock(current.mutex);
        current.instance = std::move(instance);
    }

protected:
    ProcessWide() = default;
    ~ProcessWide() = default;

private:
    struct Slot {
        std::mutex mutex;
        std::shared_ptr<T> instance = T::unavailable();
    };

    static Slot& slot() {
        static Slot current;
        return current;
    }
};
