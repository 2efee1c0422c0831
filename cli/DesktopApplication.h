#pragma once

#include "core/LaunchArguments.h"

// The desktop application: one per user, in the tray, with the translator window. Runs the
// event loop until the user quits or the process is asked to end.
class DesktopApplication {
public:
    // `argc`/`argv` as main received them; `launch` parsed from them.
    static int run(int& argc, char** argv, const LaunchArguments& launch);
};
