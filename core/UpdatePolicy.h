#pragma once

#include "core/UpdateFrequency.h"

// The updater's three settings, derived from the user's frequency and auto-install choice.
struct UpdatePolicy {
    bool checksAutomatically = false;
    double interval = 0;
    bool downloadsAutomatically = false;

    UpdatePolicy(bool checksAutomatically, double interval, bool downloadsAutomatically);
    // never keeps a valid weekly interval (the updater always needs one) and never downloads.
    UpdatePolicy(UpdateFrequency frequency, bool autoInstall);

    bool operator==(const UpdatePolicy&) const = default;
};
