// A device library's file as velctl check-sdk and the binding read it:
// whatever the bytes, nothing is read outside them, the headers alone say
// what the whole file says of its machine and kind, every name is within
// the reader's caps, and the report of a readable file names each member.
//
// Input: the file's bytes.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "pefile.h"
#include "sdkcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    velsdk::PeFile file;
    const std::string why = velsdk::ReadPeFile(pData, nSize, file);
    velsdk::PeFile head;
    const std::string headWhy = velsdk::ReadPeFile(pData, nSize, head, true);
    if (why.empty()) {
        FUZZ_CHECK(file.exportsRead);
        FUZZ_CHECK(headWhy.empty());
        FUZZ_CHECK(head.machine == file.machine && head.library == file.library);
        FUZZ_CHECK(file.exports.size() <= 65536);
        for (const std::string& name : file.exports)
            FUZZ_CHECK(name.size() < 4096 && name.find('\0') == std::string::npos);
    } else {
        FUZZ_CHECK(file.exports.empty() || !file.exportsRead);
    }

    bool bUsable = true;
    const std::string text =
        velsdk::CheckFileText("SDK.dll", pData, nSize, velsdk::kToolsArch, bUsable);
    FUZZ_CHECK(text.rfind("file           SDK.dll\n", 0) == 0);
    FUZZ_CHECK(text.find("verdict        ") != std::string::npos);
    FUZZ_CHECK(!bUsable || why.empty());
    if (why.empty() && velsdk::MachineArch(file.machine) != velsdk::Arch::Other) {
        for (const velsdk::MemberNames& member : velsdk::kMembers)
            FUZZ_CHECK(text.find(std::string(" ") + member.name + " ") != std::string::npos);
    }
    return 0;
}
