#include "app/shortcuts/SystemHotKeys.h"

namespace {

std::unique_ptr<SystemHotKeys>& installed() {
    static std::unique_ptr<SystemHotKeys> reader;
    return reader;
}

} // namespace

QList<ReservedHotKey> SystemHotKeys::reserved() {
    const std::unique_ptr<SystemHotKeys>& reader = installed();
    return reader ? reader->read() : QList<ReservedHotKey>();
}

void SystemHotKeys::installSystem(std::unique_ptr<SystemHotKeys> reader) {
    installed() = std::move(reader);
}
