#pragma once

#include <QMetaType>

// A hint about the last capture, shown above the translator's input.
enum class Notice {
    nothingSelected,
    clipboardBusy,
};

Q_DECLARE_METATYPE(Notice)
