#include "core/SupportNudge.h"

namespace SupportNudge {

bool shouldShow(qint64 successfulTranslations, bool done) {
    return successfulTranslations >= threshold && !done;
}

qint64 increment(qint64 successfulTranslations) {
    // Checked before adding so that a huge stored value cannot overflow.
    if (successfulTranslations >= threshold - 1)
        return threshold;
    return successfulTranslations + 1;
}

} // namespace SupportNudge
