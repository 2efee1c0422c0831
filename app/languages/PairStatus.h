#pragma once

// Whether the engine can translate a variant pair on this computer.
enum class PairStatus {
    installed,   // its language data is on this computer
    supported,   // possible after a download (a package the system can install)
    unsupported, // not possible
};
