#pragma once

#include "core/ReservedHotKey.h"

#include <QList>

#include <memory>

// The shortcuts the desktop keeps for itself, which the user's shortcut must not take.
class SystemHotKeys {
public:
    SystemHotKeys() = default;
    virtual ~SystemHotKeys() = default;
    SystemHotKeys(const SystemHotKeys&) = delete;
    SystemHotKeys& operator=(const SystemHotKeys&) = delete;

    // The desktop's enabled shortcuts in the order it lists them, duplicates included;
    // empty when they cannot be read.
    virtual QList<ReservedHotKey> read() const = 0;

    // The installed reader's list, read again on every call; empty before one is installed.
    static QList<ReservedHotKey> reserved();
    // Called once at start.
    static void installSystem(std::unique_ptr<SystemHotKeys> reader);
};
