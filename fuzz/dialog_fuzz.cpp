#include "fuzz/DialogHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzButtonBitmap(data, size);
    return 0;
}
