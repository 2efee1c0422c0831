#pragma once

#include <QtGlobal>

// Carried by every keystroke the capture synthesises ("TRSL" read big-endian), so that the
// double-copy trigger can tell them from the user's own.
inline constexpr quint32 captureEventMarker = 0x5452534C;
