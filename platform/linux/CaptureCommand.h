#pragma once

#include "app/CaptureResult.h"

#include <QByteArray>
#include <QList>

#include <functional>

// `verdolin capture`: one capture exactly as the shortcut makes it, for scripts. The text goes
// to standard output as it was captured; otherwise the result's name goes to standard error and
// the exit code is 1.
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
};
