#pragma once

#include <QString>

// How an offer to download a pair's language data ended.
struct PrepareResult {
    enum class Outcome {
        installed, // the data is on this computer now
        failed,    // the system refused or the download failed; `message` says why
        cancelled, // the user cancelled
        manual,    // nothing can install here; `command` is what the user can run instead
    };

    Outcome outcome = Outcome::failed;
    QString message;
    QString command;
};
