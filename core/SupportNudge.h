#pragma once

#include <QtGlobal>

// When the one-time support request becomes due, and how the counter behind it grows.
namespace SupportNudge {

inline constexpr qint64 threshold = 100;

// Due once the count reaches the threshold, until the user has acted on it.
bool shouldShow(qint64 successfulTranslations, bool done);

// The next count, never above the threshold whatever was stored before.
qint64 increment(qint64 successfulTranslations);

} // namespace SupportNudge
