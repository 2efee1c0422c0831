#pragma once

#include "core/LaunchArguments.h"

#include <QStringList>

// The desktop application: one per user, in the tray, with the translator window. Runs the
// event loop until the user quits or the process is asked to end.
class DesktopApplication {
public:
    // `argc`/`argv` as main received them; `arguments` without the program name, and `launch`
    // parsed from them. A second start hands `arguments` to the running one and returns 0.
    static int run(int& argc, char** argv, const QStringList& arguments,
                   const LaunchArguments& launch);
};
