#pragma once

#include <QMetaType>

// A hint about the last capture, shown above the translator's input.
enum class Notice {
    nothingSelected,
    clipboardBusy,
    // The copy's clipboard could not be replaced by what the user had there before.
    clipboardLost,
};

Q_DECLARE_METATYPE(Notice)
