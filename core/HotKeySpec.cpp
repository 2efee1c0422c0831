#include "core/HotKeySpec.h"

#include "core/HotKeyMods.h"

namespace {
constexpr quint32 keysymT = 0x74; // XK_t
} // namespace

HotKeySpec HotKeySpec::defaultSpec() {
    return {keysymT, HotKeyMods::control | HotKeyMods::option, QStringLiteral("Ctrl+Alt+T")};
}
