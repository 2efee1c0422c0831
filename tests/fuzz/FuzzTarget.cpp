#include "tests/fuzz/FuzzTarget.h"

#include <cstring>

namespace {

std::vector<FuzzTarget>& registry() {
    static std::vector<FuzzTarget> targets;
    return targets;
}

} // namespace

bool FuzzTarget::add(const char* name, Function function) {
    registry().push_back({name, function});
    return true;
}

const std::vector<FuzzTarget>& FuzzTarget::all() {
    return registry();
}

const FuzzTarget* FuzzTarget::find(const char* name) {
    for (const FuzzTarget& target : registry()) {
        if (std::strcmp(target.name, name) == 0)
            return &target;
    }
    return nullptr;
}
