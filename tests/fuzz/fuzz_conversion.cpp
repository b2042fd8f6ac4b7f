// libFuzzer target: any bytes as a G-code program through the whole
// conversion (line splitting, block cleaning, every handler, the store).
#include "tests/fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzentry::convertProgram(data, size);
    return 0;
}
