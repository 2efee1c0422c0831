// libFuzzer's entry points; each fuzz binary links exactly one target.
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzInput::silenceQtMessages();
    if (FuzzTarget::all().size() != 1)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzTarget::all().front().function(data, size);
}
