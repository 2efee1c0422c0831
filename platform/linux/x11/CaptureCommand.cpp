#include "platform/linux/x11/CaptureCommand.h"

#include "app/capture/SelectionCapture.h"
#include "platform/linux/composition/LinuxServices.h"
#include "platform/linux/x11/ClipboardOwner.h"
#include "platform/linux/x11/XcbSelection.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sys/types.h>
#include <unistd.h>

namespace {

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

QByteArray readAll(int fd) {
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return bytes;
        bytes.append(buffer, n);
    }
}

// The serving child must not hold the caller's terminal or pipes: a shell reading the
// command's output would otherwise wait for the child too.
void detachFromCaller() {
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        if (null > STDERR_FILENO)
            ::close(null);
    }
}

} // namespace

const char* CaptureCommand::resultName(CaptureResult::Kind kind) {
    switch (kind) {
    case CaptureResult::Kind::text:
        return "text";
    case CaptureResult::Kind::empty:
        return "empty";
    case CaptureResult::Kind::clipboardBusy:
        return "clipboardBusy";
    case CaptureResult::Kind::noPermission:
        return "noPermission";
    }
    return "empty";
}

CaptureCommand::Output CaptureCommand::outputOf(const CaptureResult& result) {
    Output output;
    if (result.kind == CaptureResult::Kind::text) {
        output.exitCode = captured;
        output.out = result.text.toUtf8();
    } else {
        output.err = QByteArray(resultName(result.kind)) + '\n';
    }
    // Scripts must not take a capture that lost the user's clipboard for a normal one.
    if (result.clipboardLost) {
        output.exitCode = nothingCaptured;
        output.err += "clipboardLost: the clipboard could not be put back\n";
    }
    return output;
}

QByteArray CaptureCommand::encode(const CaptureResult& result) {
    QByteArray message;
    message.append(static_cast<char>(result.kind));
    message.append(result.clipboardLost ? '1' : '0');
    return message + result.text.toUtf8();
}

std::optional<CaptureResult> CaptureCommand::decode(const QByteArray& message) {
    if (message.size() < 2)
        return std::nullopt;
    CaptureResult result;
    result.kind = static_cast<CaptureResult::Kind>(message.at(0));
    result.clipboardLost = message.at(1) == '1';
    result.text = QString::fromUtf8(message.mid(2));
    return result;
}

void CaptureCommand::captureAndServe(const QByteArray& displayName,
                                     const std::function<void(const CaptureResult&)>& report) {
    auto owner = std::make_shared<ClipboardOwner>(displayName);
    SelectionCapture capture(LinuxServices::capture(displayName, owner));

    std::promise<void> finished;
    QFuture<CaptureResult> future = capture.capture([&finished] { finished.set_value(); });
    const CaptureResult result = future.result();
    finished.get_future().wait();
    report(result);
    if (owner->isOwner())
        owner->waitUntilReleased();
}

namespace {

// Why no X server answers, or nothing when one does: noPermission alone does not say.
QByteArray displayProblem() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0')
        return QByteArrayLiteral("DISPLAY is not set");
    xcb_window_t root = XCB_WINDOW_NONE;
    return XcbSelection::connect({}, &root)
               ? QByteArray()
               : QByteArrayLiteral("DISPLAY=") + name + QByteArrayLiteral(" does not answer");
}

} // namespace

int CaptureCommand::run(const QList<QByteArray>& arguments) {
    if (!arguments.isEmpty()) {
        const bool help = arguments.first() == "--help" || arguments.first() == "-h";
        std::fputs("Usage: verdolin capture\n"
                   "Reads the selection as the shortcut does and prints it; prints empty,\n"
                   "clipboardBusy or noPermission on standard error otherwise, and\n"
                   "clipboardLost when the clipboard could not be put back.\n",
                   help ? stdout : stderr);
        return help ? captured : usage;
    }

    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0) {
        std::fprintf(stderr, "verdolin capture: %s\n", std::strerror(errno));
        return nothingCaptured;
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        std::fprintf(stderr, "verdolin capture: %s\n", std::strerror(errno));
        return nothingCaptured;
    }
    if (child == 0) {
        ::close(channel[0]);
        ::setsid();
        detachFromCaller();
        captureAndServe({}, [&](const CaptureResult& result) {
            writeAll(channel[1], encode(result));
            ::close(channel[1]);
        });
        // Nothing of this process is needed any more; its threads need no orderly end.
        ::_exit(0);
    }

    ::close(channel[1]);
    const std::optional<CaptureResult> result = decode(readAll(channel[0]));
    ::close(channel[0]);
    if (!result) {
        std::fputs("verdolin capture: the capture ended without a result\n", stderr);
        return nothingCaptured;
    }
    Output output = outputOf(*result);
    if (result->kind == CaptureResult::Kind::noPermission) {
        const QByteArray problem = displayProblem();
        if (!problem.isEmpty())
            output.err += "verdolin capture: no X display is reachable (" + problem + ")\n";
    }
    std::fwrite(output.out.constData(), 1, static_cast<size_t>(output.out.size()), stdout);
    std::fflush(stdout);
    std::fwrite(output.err.constData(), 1, static_cast<size_t>(output.err.size()), stderr);
    return output.exitCode;
}
