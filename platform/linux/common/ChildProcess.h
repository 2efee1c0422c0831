#pragma once

#include <QByteArray>
#include <QStringList>

#include <sys/types.h>

// The descriptor and process chores shared by the programs Verdolin keeps running (Apertium
// stages, lt-proc analysers).
namespace ChildProcess {

// Closes `fd` when open and marks it closed.
void closeFd(int& fd);

// Keeps a descriptor clear of 0-2, so that dup2 in a child never overwrites one end of a pipe
// with the other when this process runs with a standard stream closed. Closes it on failure.
bool raiseFd(int& fd);

// A close-on-exec pipe whose ends are clear of 0-2.
bool makePipe(int& readEnd, int& writeEnd);

bool setNonBlocking(int fd);

// Starts `argv` (looked up in PATH) with `in` and `out` as standard input and output and
// standard error on /dev/null; a negative `in` reads /dev/null. The child dies of a broken pipe
// even when this process ignores SIGPIPE, and runs in `childLocale()` whatever the user's
// locale settings say. Returns 0 or the errno of the failure.
int spawn(const QStringList& argv, int in, int out, pid_t* pid);

// The LC_ALL every child gets: C.UTF-8. The children need UTF-8 character handling, not the
// user's language, and a locale named in LANG or LC_* that was never generated makes some of
// them abort at start (libstdc++'s std::locale("") throws). "C" only where C.UTF-8 is missing.
QByteArray childLocale();

// Waits for the child to end.
void reap(pid_t pid);

// Without waiting: whether the child has ended, reaping it if so. `status` gets its wait
// status, or is left as it was when the status is lost (SIGCHLD ignored).
bool reapIfEnded(pid_t pid, int* status);

} // namespace ChildProcess
