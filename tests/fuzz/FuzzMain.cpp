// libFuzzer's entry points; each fuzz binary links exactly one target.
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzInput::silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const FuzzTarget::Function function = [] {
        if (FuzzTarget::all().size() != 1)
            std::abort();
        return FuzzTarget::all().front().function;
    }();
    return function(data, size);
}
