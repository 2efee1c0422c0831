#pragma once

#include "app/translation/Notice.h"
#include "app/translation/TranslationPhase.h"

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <optional>

// The one line under the translator's panes that says what went wrong or what is missing.
struct StatusRow {
    Q_DECLARE_TR_FUNCTIONS(StatusRow)

public:
    enum class Kind {
        none,
        failed,
        unsupported,
        needsDownload,
        clipboardBusy,
        nothingSelected,
        clipboardLost,
        truncated,
    };

    Kind kind = Kind::none;
    QString text;

    // What the translator's state asks for, the most pressing first: a failure, a pair that
    // cannot be had, a pair to download, then a notice about the capture (only while nothing
    // was captured, except a lost clipboard), then a cut input. `name` turns codes into names.
    static StatusRow choose(const TranslationPhase& phase, std::optional<Notice> notice,
                            bool inputEmpty, bool truncated,
                            const std::function<QString(const QString&)>& name);

    // The row's colour ("red", "orange" or "blue"; empty without a row) and icon name.
    QString tone() const;
    QString icon() const;

    bool operator==(const StatusRow&) const = default;
};
