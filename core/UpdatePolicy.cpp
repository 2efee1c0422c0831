#include "core/UpdatePolicy.h"

UpdatePolicy::UpdatePolicy(bool checksAutomatically, double interval, bool downloadsAutomatically)
    : checksAutomatically(checksAutomatically)
    , interval(interval)
    , downloadsAutomatically(downloadsAutomatically) {}

UpdatePolicy::UpdatePolicy(UpdateFrequency frequency, bool autoInstall)
    : checksAutomatically(frequency != UpdateFrequency::never)
    , interval(::interval(frequency).value_or(*::interval(UpdateFrequency::weekly)))
    , downloadsAutomatically(autoInstall && checksAutomatically) {}
