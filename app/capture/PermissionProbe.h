#pragma once

// Whether the desktop lets this process read selections and listen to key presses.
class PermissionProbe {
public:
    PermissionProbe() = default;
    virtual ~PermissionProbe() = default;
    PermissionProbe(const PermissionProbe&) = delete;
    PermissionProbe& operator=(const PermissionProbe&) = delete;

    // Selections can be read and keystrokes posted.
    virtual bool accessibility() = 0;
    // Key presses in other applications can be listened to.
    virtual bool inputMonitoring() = 0;
};
