#pragma once

#include <QtGlobal>

// Modifier bits of a shortcut. The values are those of the original hot-key interface and are
// stored in the settings, so they never change; option is Alt and command is Super.
namespace HotKeyMods {

inline constexpr quint32 command = 0x100;
inline constexpr quint32 shift = 0x200;
inline constexpr quint32 option = 0x800;
inline constexpr quint32 control = 0x1000;

} // namespace HotKeyMods
