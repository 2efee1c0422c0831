#pragma once

#include "app/capture/CaptureClock.h"
#include "app/capture/CaptureResult.h"
#include "app/capture/ClipboardSnapshot.h"
#include "app/capture/FocusedWindow.h"
#include "app/capture/KeyboardEvents.h"
#include "app/capture/Pasteboard.h"
#include "app/capture/PermissionProbe.h"
#include "app/capture/SelectionSource.h"

#include <QFuture>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

// Reads what is selected in the focused application when the user asks for it: the highlighted
// text when there is one, otherwise a copy keystroke whose result is taken from the clipboard,
// which is then put back as it was. Never runs on the caller's thread; answers within about
// four seconds.
class SelectionCapture {
public:
    struct Services {
        std::shared_ptr<PermissionProbe> permissions;
        std::shared_ptr<KeyboardEvents> keyboard;
        std::shared_ptr<SelectionSource> selection;
        std::shared_ptr<FocusedWindow> focusedWindow;
        std::shared_ptr<Pasteboard> pasteboard;
        // What the waits below are measured on; none: the steady clock.
        std::shared_ptr<CaptureClock> clock;
    };

    // The longest a capture may take before it answers `empty`.
    static constexpr std::chrono::milliseconds timeout{4000};
    // How long the shortcut's modifier keys may still be held.
    static constexpr std::chrono::milliseconds modifierWait{1500};
    static constexpr std::chrono::milliseconds modifierPoll{20};
    // The wait for the copy: polls 5 ms apart; without a change by poll 120 the application
    // did not copy; after a change the clipboard must stay calm for 40 ms.
    static constexpr std::chrono::milliseconds copyPoll{5};
    static constexpr int copyPolls = 180;
    static constexpr int copyGiveUpPoll = 120;
    static constexpr std::chrono::milliseconds copySettle{40};

    explicit SelectionCapture(Services services);

    // The process-wide capture, with the services installed at start.
    static SelectionCapture& shared();
    static void installShared(Services services);

    // One capture. `finished` is called exactly once: at once (before this returns) when
    // capturing is not permitted, otherwise on the worker thread after the worker has ended
    // completely, clipboard restore included; it may come after the result when the time-out
    // answered first.
    QFuture<CaptureResult> capture(std::function<void()> finished = {});

    // Capture workers started and not yet finished, in the whole process.
    static qint64 running();

private:
    struct Run;

    // The worker's steps keep their own reference to the services, so a worker may outlive
    // the capture object that started it.
    static CaptureResult work(const Services& services, Run& run);
    static CaptureResult selectedTextViaCopy(const Services& services, Run& run);
    // Restores the saved clipboard unless another client wrote after `lastSeen`, trying twice;
    // false when it is lost.
    static bool putBack(Pasteboard& pasteboard, const ClipboardSnapshot& contents,
                        quint64 lastSeen);
    // Waits for the shortcut's modifiers to be released; false when still held at the deadline.
    static bool waitForModifierRelease(KeyboardEvents& keyboard, CaptureClock& clock);

    Services m_services;
};
