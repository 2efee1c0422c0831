#include "app/shell/StatusRow.h"

StatusRow StatusRow::choose(const TranslationPhase& phase, std::optional<Notice> notice,
                            bool inputEmpty, bool truncated,
                            const std::function<QString(const QString&)>& name) {
    const auto pair = [&] {
        return name(phase.source) + QStringLiteral(" → ") + name(phase.target);
    };
    switch (phase.kind) {
    case TranslationPhase::Kind::failed:
        return {Kind::failed, tr("Could not translate: ") + phase.message};
    case TranslationPhase::Kind::unsupported:
        return {Kind::unsupported, tr("This pair is not available offline: ") + pair()};
    case TranslationPhase::Kind::needsDownload:
        return {Kind::needsDownload, tr("Languages are not downloaded: ") + pair()};
    case TranslationPhase::Kind::idle:
    case TranslationPhase::Kind::working:
    case TranslationPhase::Kind::done:
        break;
    }
    if (notice == Notice::clipboardBusy && inputEmpty)
        return {Kind::clipboardBusy, tr("The clipboard holds files or large data, so it was left "
                                        "untouched. Paste the text here with Ctrl+V.")};
    if (notice == Notice::nothingSelected && inputEmpty)
        return {Kind::nothingSelected,
                tr("Nothing was selected. Select some text and press the shortcut again.")};
    // The copy went through but took the user's clipboard with it: worth saying either way.
    if (notice == Notice::clipboardLost)
        return {Kind::clipboardLost,
                tr("Your clipboard could not be put back after copying the selection.")};
    if (truncated)
        return {Kind::truncated, tr("Only the first 20,000 characters are translated.")};
    return {};
}

QString StatusRow::tone() const {
    switch (kind) {
    case Kind::none:
        return {};
    case Kind::failed:
        return QStringLiteral("red");
    case Kind::unsupported:
    case Kind::clipboardLost:
    case Kind::truncated:
        return QStringLiteral("orange");
    case Kind::needsDownload:
    case Kind::clipboardBusy:
    case Kind::nothingSelected:
        break;
    }
    return QStringLiteral("blue");
}

QString StatusRow::icon() const {
    switch (kind) {
    case Kind::needsDownload:
        return QStringLiteral("go-down");
    case Kind::clipboardBusy:
        return QStringLiteral("edit-paste");
    case Kind::nothingSelected:
        return QStringLiteral("insert-text");
    case Kind::truncated:
        return QStringLiteral("edit-cut");
    default:
        return QStringLiteral("dialog-warning");
    }
}
