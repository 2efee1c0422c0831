#pragma once

#include "app/shortcuts/GlobalHotKeys.h"
#include "app/shortcuts/GlobalKeyMonitor.h"

#include <functional>
#include <optional>

// Holds every combination but the refused one, which another program has; counts releases and
// keeps the press handler for the test to call.
class FakeHotKeys final : public GlobalHotKeys {
public:
    int grab(const HotKeySpec& spec) override {
        const bool taken = spec.code == refused.code && spec.mods == refused.mods;
        const int status = taken ? 10 : nextStatus;
        if (status == 0)
            held = spec;
        return status;
    }
    void release() override { ++releases, held.reset(); }
    void setPressHandler(std::function<void()> handler) override { press = std::move(handler); }

    HotKeySpec refused;
    int nextStatus = 0, releases = 0;
    std::optional<HotKeySpec> held;
    std::function<void()> press;
};

// Hands the test the handler the monitor listens with.
class ScriptedKeys final : public GlobalKeyMonitor {
public:
    bool start(std::function<void(const KeyDownEvent&)> h) override {
        handler = std::move(h);
        return true;
    }
    void stop() override { handler = {}; }
    std::function<void(const KeyDownEvent&)> handler;
};
