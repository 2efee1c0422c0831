#pragma once

#include "app/capture/PermissionProbe.h"

#include <QByteArray>

// X11 asks no permission: reading selections needs a reachable display with XTEST (the copy
// keystroke) and XFIXES (clipboard changes); listening to keys needs RECORD.
class X11PermissionProbe final : public PermissionProbe {
public:
    // An empty name means DISPLAY.
    explicit X11PermissionProbe(const QByteArray& displayName = {});

    bool accessibility() override;
    bool inputMonitoring() override;

private:
    QByteArray m_displayName;
};
