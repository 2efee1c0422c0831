#include "app/capture/SelectionCapture.h"

#include <QLoggingCategory>
#include <QPromise>
#include <QThreadPool>

#include <condition_variable>
#include <mutex>

Q_LOGGING_CATEGORY(lcCapture, "verdolin.capture")

namespace {

std::atomic<qint64> runningWorkers{0};

// Only one copy keystroke is in flight at a time in the whole process: overlapping copies
// would take each other's clipboard changes for their own.
std::mutex copyLock;

std::unique_ptr<SelectionCapture>& sharedCapture() {
    static std::unique_ptr<SelectionCapture> capture;
    return capture;
}

// Workers block on short sleeps and X round trips; they get threads of their own rather than
// the global pool's, which the translation work uses. Each capture holds two: the worker and
// its time-out.
QThreadPool& captureThreads() {
    static QThreadPool pool;
    static const bool configured = [] {
        pool.setMaxThreadCount(32);
        pool.setExpiryTimeout(10000);
        return true;
    }();
    Q_UNUSED(configured);
    return pool;
}

bool isBlank(const QString& text) {
    for (const QChar character : text) {
        if (!character.isSpace())
            return false;
    }
    return true;
}

} // namespace

// What the worker and the time-out of one capture share. Whichever of them delivers first is
// the only one heard.
struct SelectionCapture::Run {
    std::function<void()> finished;

    std::mutex onceLock;
    bool done = false;
    QPromise<CaptureResult> promise;

    std::mutex stateLock;
    std::condition_variable workerEnded;
    bool ended = false;
    bool cancelled = false;

    bool deliver(const CaptureResult& result) {
        std::lock_guard lock(onceLock);
        if (done)
            return false;
        done = true;
        promise.addResult(result);
        promise.finish();
        return true;
    }

    bool isCancelled() {
        std::lock_guard lock(stateLock);
        return cancelled;
    }
};

SelectionCapture::SelectionCapture(Services services)
    : m_services(std::move(services)) {
    if (!m_services.clock)
        m_services.clock = std::make_shared<CaptureClock>();
}

SelectionCapture& SelectionCapture::shared() {
    std::unique_ptr<SelectionCapture>& capture = sharedCapture();
    if (!capture)
        capture = std::make_unique<SelectionCapture>(Services{});
    return *capture;
}

void SelectionCapture::installShared(Services services) {
    sharedCapture() = std::make_unique<SelectionCapture>(std::move(services));
}

qint64 SelectionCapture::running() {
    return runningWorkers.load();
}

QFuture<CaptureResult> SelectionCapture::capture(std::function<void()> finished) {
    const Services& s = m_services;
    if (!s.permissions || !s.keyboard || !s.selection || !s.pasteboard
        || !s.permissions->accessibility()) {
        if (finished)
            finished();
        QPromise<CaptureResult> promise;
        promise.start();
        promise.addResult(CaptureResult::noPermission());
        promise.finish();
        return promise.future();
    }

    // Counted from the request, before the worker can spend any of it.
    const CaptureClock::TimePoint deadline = s.clock->now() + timeout;
    ++runningWorkers;
    auto run = std::make_shared<Run>();
    run->finished = std::move(finished);
    run->promise.start();
    QFuture<CaptureResult> future = run->promise.future();

    captureThreads().start([services = m_services, run] {
        const CaptureResult result = work(services, *run);
        --runningWorkers;
        if (run->finished)
            run->finished();
        {
            std::lock_guard lock(run->stateLock);
            run->ended = true;
        }
        run->workerEnded.notify_all();
        run->deliver(result);
    });

    // The time-out gives up its thread as soon as the worker ends.
    captureThreads().start([run, deadline, clock = s.clock] {
        {
            std::unique_lock lock(run->stateLock);
            if (clock->waitUntil(lock, run->workerEnded, deadline, [&] { return run->ended; }))
                return;
            run->cancelled = true;
        }
        run->deliver(CaptureResult::empty());
    });
    return future;
}

CaptureResult SelectionCapture::work(const Services& services, Run& run) {
    const bool released = waitForModifierRelease(*services.keyboard, *services.clock);
    const std::optional<QString> selected = services.selection->selectedText();
    if (selected && !selected->isEmpty())
        return CaptureResult::captured(*selected);
    // No keystroke while the user still holds modifiers: the application would see another
    // combination.
    if (!released)
        return CaptureResult::empty();
    return selectedTextViaCopy(services, run);
}

bool SelectionCapture::waitForModifierRelease(KeyboardEvents& keyboard, CaptureClock& clock) {
    const CaptureClock::TimePoint deadline = clock.now() + modifierWait;
    while (keyboard.modifiersNow() != 0) {
        if (clock.now() >= deadline)
            return false;
        clock.sleepFor(modifierPoll);
    }
    return true;
}

CaptureResult SelectionCapture::selectedTextViaCopy(const Services& services, Run& run) {
    std::lock_guard copying(copyLock);
    // In a terminal the copy keystroke interrupts the running program.
    if (services.focusedWindow && services.focusedWindow->isTerminal())
        return CaptureResult::empty();

    Pasteboard& pasteboard = *services.pasteboard;
    pasteboard.watchChanges();
    const Pasteboard::Saved saved = pasteboard.snapshot();
    if (!saved.taken)
        return CaptureResult::clipboardBusy();
    quint64 lastSeen = pasteboard.changeCount();

    // The last point where a time-out stops the capture; past it the run always completes.
    if (run.isCancelled())
        return CaptureResult::empty();
    if (!services.keyboard->postCopyKeystroke())
        return CaptureResult::empty();

    CaptureClock& clock = *services.clock;
    bool changed = false;
    CaptureClock::TimePoint changedAt = clock.now();
    for (int poll = 0; poll < copyPolls; ++poll) {
        clock.sleepFor(copyPoll);
        const quint64 count = pasteboard.changeCount();
        if (count != lastSeen) {
            lastSeen = count;
            changed = true;
            changedAt = clock.now();
            continue;
        }
        if (!changed) {
            // Nothing was copied, so there is nothing to put back.
            if (poll >= copyGiveUpPoll)
                return CaptureResult::empty();
            continue;
        }
        if (clock.now() - changedAt >= copySettle && pasteboard.hasTypes())
            break;
    }

    const bool concealed = pasteboard.isConcealed();
    const std::optional<QString> text = pasteboard.plainText();
    CaptureResult result = concealed || !text || isBlank(*text) ? CaptureResult::empty()
                                                                : CaptureResult::captured(*text);
    result.clipboardLost = !putBack(pasteboard, saved.contents, lastSeen);
    return result;
}

bool SelectionCapture::putBack(Pasteboard& pasteboard, const ClipboardSnapshot& contents,
                               quint64 lastSeen) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Somebody else wrote meanwhile: their contents win over the saved ones.
        if (pasteboard.changeCount() != lastSeen)
            return true;
        if (pasteboard.restore(contents))
            return true;
    }
    qCWarning(lcCapture) << "the clipboard could not be put back after the copy";
    return false;
}
