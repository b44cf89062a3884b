// What the tools remember of their calibrations (calibrations.ini): whatever
// the file holds, reading it gives one entry per device, and what is written
// back reads as the same entries and is written again byte for byte.
//
// Input: the file as it is.
#include <cstdint>
#include <string>

#include "calibmemory.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string text(reinterpret_cast<const char*>(pData), nSize);
    std::vector<std::string> problems;
    const std::vector<RememberedCalibration> memory = ParseMemory(text, &problems);
    for (const RememberedCalibration& entry : memory)
        FUZZ_CHECK(Recall(memory, entry.device) == &entry);
    const std::string written = FormatMemory(memory);
    std::vector<std::string> again;
    const std::vector<RememberedCalibration> reread = ParseMemory(written, &again);
    FUZZ_CHECK(again.empty());
    FUZZ_CHECK(reread.size() == memory.size());
    FUZZ_CHECK(FormatMemory(reread) == written);
    return 0;
}
