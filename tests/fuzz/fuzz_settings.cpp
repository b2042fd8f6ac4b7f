// libFuzzer target: any bytes as the settings file, through the settings
// loader, the text lookup in every language and the ini reader and writer.
#include "tests/fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzentry::readSettings(data, size);
    return 0;
}
