// Time per capture on a private Xvfb with openbox, as the shortcut runs it: the highlighted-text
// path, and the copy path from a Qt text edit with a small and a large clipboard to save and
// put back; and xclip reading the highlighted text, as a script would. Run by hand:
// capture_bench [captures per case]

#include "app/capture/SelectionCapture.h"
#include "platform/linux/composition/LinuxServices.h"
#include "platform/linux/x11/ClipboardOwner.h"
#include "tests/platform/linux/x11/ScriptedClipboardOwner.h"
#include "tests/support/XvfbServer.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
    std::vector<double> answered;
    std::vector<double> finished;
};

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[static_cast<size_t>(p * double(values.size() - 1))];
}

void report(const char* name, const Timing& timing, int failures) {
    std::printf("%-44s median %7.2f ms  p95 %7.2f ms  (finished: median %7.2f ms)  failures %d\n",
                name, percentile(timing.answered, 0.5), percentile(timing.answered, 0.95),
                percentile(timing.finished, 0.5), failures);
}

void setSelectionOwnerNone(const QByteArray& display, const char* selection) {
    xcb_connection_t* c = xcb_connect(display.constData(), nullptr);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(std::strlen(selection)), selection), nullptr);
    xcb_set_selection_owner(c, XCB_WINDOW_NONE, atom->atom, XCB_CURRENT_TIME);
    std::free(atom);
    // A round trip, so that the request has been carried out before we go on.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const int captures = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    XvfbServer server;
    if (!server.isReady() || !server.startWindowManager()) {
        std::fprintf(stderr, "no Xvfb with openbox\n");
        return 1;
    }
    const QByteArray display = server.displayName().toLatin1();

    QProcess textEdit;
    textEdit.setProcessEnvironment(server.environment());
    textEdit.start(QStringLiteral(TEXT_EDIT_CLIENT), {QStringLiteral("the selected words")});
    QByteArray output;
    while (!output.contains("ready") && textEdit.waitForReadyRead(20000))
        output += textEdit.readAllStandardOutput();
    QProcess::execute(QStringLiteral("env"),
                      {QStringLiteral("DISPLAY=") + server.displayName(), QStringLiteral("xdotool"),
                       QStringLiteral("key"), QStringLiteral("ctrl+a")});
    QThread::msleep(200);

    auto owner = std::make_shared<ClipboardOwner>(display);
    SelectionCapture capture(LinuxServices::capture(display, owner));

    const auto measure = [&](const char* name, const std::function<void()>& before) {
        Timing timing;
        int failures = 0;
        for (int i = 0; i < captures; ++i) {
            if (before)
                before();
            std::promise<void> finished;
            const Clock::time_point start = Clock::now();
            QFuture<CaptureResult> future = capture.capture([&] { finished.set_value(); });
            const CaptureResult result = future.result();
            const Clock::time_point answered = Clock::now();
            finished.get_future().wait();
            const Clock::time_point ended = Clock::now();
            if (result != CaptureResult::captured(QStringLiteral("the selected words")))
                ++failures;
            timing.answered.push_back(
                std::chrono::duration<double, std::milli>(answered - start).count());
            timing.finished.push_back(
                std::chrono::duration<double, std::milli>(ended - start).count());
        }
        report(name, timing, failures);
    };

    measure("highlighted text (PRIMARY, Qt owner)", {});

    // The peer for the highlighted-text path: what a script would run to read it.
    Timing peer;
    int peerFailures = 0;
    for (int i = 0; i < captures; ++i) {
        QProcess xclip;
        xclip.setProcessEnvironment(server.environment());
        const Clock::time_point start = Clock::now();
        xclip.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                              QStringLiteral("primary")});
        const bool done = xclip.waitForFinished(5000);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (!done || xclip.readAllStandardOutput() != "the selected words")
            ++peerFailures;
        peer.answered.push_back(ms);
        peer.finished.push_back(ms);
    }
    report("peer: xclip -o -selection primary", peer, peerFailures);

    setSelectionOwnerNone(display, "PRIMARY");
    std::unique_ptr<ScriptedClipboardOwner> clipboard;
    measure("copy path, 30-byte clipboard", [&] {
        clipboard.reset();
        clipboard = std::make_unique<ScriptedClipboardOwner>(
            display, QStringList{"TARGETS", "UTF8_STRING"},
            QList<ScriptedClipboardOwner::Target>{
                {"UTF8_STRING", "UTF8_STRING", 8, "what the user had copied before", 0}});
    });
    const QByteArray image(8 * 1024 * 1024, 'x');
    measure("copy path, 8 MiB image + text clipboard", [&] {
        clipboard.reset();
        clipboard = std::make_unique<ScriptedClipboardOwner>(
            display, QStringList{"TARGETS", "UTF8_STRING", "image/png"},
            QList<ScriptedClipboardOwner::Target>{{"UTF8_STRING", "UTF8_STRING", 8, "caption", 0},
                                                  {"image/png", "image/png", 8, image, 0}});
    });
    clipboard.reset();
    textEdit.kill();
    textEdit.waitForFinished(3000);
    return 0;
}
