// What a Windows program or library file says of itself, read from its
// bytes without loading it: its machine, whether it is a library, and the
// names it exports. Every offset is checked against the bytes given, so a
// damaged or hostile file yields an error, never a read outside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sdkmembers.h"

namespace velsdk {

struct PeFile {
    uint16_t machine = 0;     // IMAGE_FILE_HEADER.Machine
    bool library = false;     // IMAGE_FILE_DLL
    bool exportsRead = false; // false when only the headers were given
    std::vector<std::string> exports;
};

// The architecture of a machine value (0x8664, 0x14c; else Other).
Arch MachineArch(uint16_t machine);

// Reads the headers and, when the bytes hold them, the export names. ""
// when the file is a program or library of Windows; else why not, in words
// for the user ("it has no MZ header", "it ends inside its headers", ...).
// With bHeadersOnly the export table is not looked for (the first few KiB
// of a file are enough).
std::string ReadPeFile(const uint8_t* pData, size_t nSize, PeFile& file, bool bHeadersOnly = false);

} // namespace velsdk
