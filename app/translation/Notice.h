#pragma once

#include <QObject>

namespace Notices {
Q_NAMESPACE

// A hint about the last capture, shown above the translator's input.
enum class Notice {
    nothingSelected,
    clipboardBusy,
    // The copy's clipboard could not be replaced by what the user had there before.
    clipboardLost,
    // QML reads enum values only by names that begin with a capital letter.
    NothingSelected = nothingSelected,
    ClipboardBusy = clipboardBusy,
    ClipboardLost = clipboardLost,
};
Q_ENUM_NS(Notice)

} // namespace Notices

using Notice = Notices::Notice;
