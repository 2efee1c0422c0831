#pragma once

#include "app/capture/CaptureResult.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <optional>

// `verdolin capture`: one capture exactly as the shortcut makes it, for scripts. The text goes
// to standard output as it was captured; otherwise the result's name goes to standard error and
// the exit code is 1. A clipboard that could not be put back is said on standard error, with
// exit code 1, even when the text was captured.
//
// A restored clipboard lives only as long as the process serving it, so the capture runs in a
// child process that stays behind, detached, until another program takes the clipboard, as
// xclip does. Call before any thread is started (it forks).
class CaptureCommand {
public:
    enum ExitCode { captured = 0, nothingCaptured = 1, usage = 2 };

    // `arguments` follow the word "capture".
    static int run(const QList<QByteArray>& arguments);

    // One capture in this process on `displayName` (empty: DISPLAY). `report` gets the result
    // once the capture has completely finished, restore included; then the call blocks for as
    // long as the restored clipboard is served.
    static void captureAndServe(const QByteArray& displayName,
                                const std::function<void(const CaptureResult&)>& report);

    static const char* resultName(CaptureResult::Kind kind);

    // What the command prints for a result, and its exit code.
    struct Output {
        int exitCode = nothingCaptured;
        QByteArray out;
        QByteArray err;
    };
    static Output outputOf(const CaptureResult& result);

    // The result as the capturing child hands it to the command through a pipe.
    static QByteArray encode(const CaptureResult& result);
    // Nothing when the message is incomplete.
    static std::optional<CaptureResult> decode(const QByteArray& message);
};
