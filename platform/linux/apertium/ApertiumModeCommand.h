#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Reads the shell command that `apertium-wblank-mode -z <mode file>` prints for a translation
// direction, so that each stage can run as its own process without a shell.
namespace ApertiumModeCommand {

// The argument lists of the stages, in order. `$1` becomes "-n" (unknown words unmarked)
// and `$2` disappears; the word-blank attach and detach stages are left out, since plain
// text never carries word-bound blanks. Nothing when the command uses shell features
// beyond quoting and pipes, or is empty.
std::optional<QList<QStringList>> parse(const QString& command);

} // namespace ApertiumModeCommand
