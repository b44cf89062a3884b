#include "pefile.h"

namespace velsdk {

namespace {

const uint16_t kMachineX64 = 0x8664;
const uint16_t kMachineX86 = 0x14C;
const uint16_t kFileDll = 0x2000;
const uint16_t kMagicPe32 = 0x10B;
const uint16_t kMagicPe32Plus = 0x20B;
const uint32_t kSectionHeaderSize = 40;
const uint32_t kExportDirectorySize = 40;
// A library of the tools' kind exports a few dozen names; the caps only keep
// a damaged table from taking the reader's time and memory.
const uint32_t kMaxNames = 65536;
const size_t kMaxNameLength = 4096;

// Little-endian reads at an offset that may lie anywhere; false past the end.
class Bytes {
public:
    Bytes(const uint8_t* pData, size_t nSize) : m_pData(pData), m_nSize(nSize) {}

    bool Has(uint64_t offset, uint64_t count) const {
        return offset <= m_nSize && count <= m_nSize - offset;
    }
    bool U16(uint64_t offset, uint16_t& value) const {
        if (!Has(offset, 2))
            return false;
        value = static_cast<uint16_t>(m_pData[offset] | (m_pData[offset + 1] << 8));
        return true;
    }
    bool U32(uint64_t offset, uint32_t& value) const {
        if (!Has(offset, 4))
            return false;
        value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | m_pData[offset + i];
        return true;
    }
    // A NUL-terminated string that ends within the bytes and the cap.
    bool String(uint64_t offset, std::string& text) const {
        text.clear();
        for (size_t i = 0; i < kMaxNameLength; ++i) {
            if (!Has(offset + i, 1))
                return false;
            const char c = static_cast<char>(m_pData[offset + i]);
            if (c == '\0')
                return true;
            text += c;
        }
        return false;
    }

private:
    const uint8_t* m_pData;
    size_t m_nSize;
};

struct Section {
    uint32_t address, virtualSize, rawSize, rawOffset;
};

// The file offset of an address of the loaded image, where a section's raw
// data holds it; false for an address no section's bytes cover.
bool FileOffset(const std::vector<Section>& sections, uint32_t rva, uint64_t& offset) {
    for (const Section& s : sections) {
        if (rva >= s.address && rva - s.address < s.rawSize) {
            offset = static_cast<uint64_t>(s.rawOffset) + (rva - s.address);
            return true;
        }
    }
    return false;
}

std::string ReadExports(const Bytes& bytes, const std::vector<Section>& sections, uint32_t rva,
                        std::vector<std::string>& names) {
    uint64_t directory = 0;
    uint32_t count = 0, namesRva = 0;
    if (!FileOffset(sections, rva, directory) || !bytes.Has(directory, kExportDirectorySize) ||
        !bytes.U32(directory + 24, count) || !bytes.U32(directory + 32, namesRva))
        return "its export table lies outside the file";
    if (count > kMaxNames)
        return "its export table claims " + std::to_string(count) + " names";
    uint64_t table = 0;
    if (count > 0 && !FileOffset(sections, namesRva, table))
        return "its export names lie outside the file";
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t nameRva = 0;
        uint64_t at = 0;
        std::string name;
        if (!bytes.U32(table + 4ull * i, nameRva) || !FileOffset(sections, nameRva, at) ||
            !bytes.String(at, name))
            return "export name " + std::to_string(i + 1) + " lies outside the file";
        names.push_back(name);
    }
    return "";
}

} // namespace

Arch MachineArch(uint16_t machine) {
    return machine == kMachineX64 ? Arch::X64 : machine == kMachineX86 ? Arch::X86 : Arch::Other;
}

std::string ReadPeFile(const uint8_t* pData, size_t nSize, PeFile& file, bool bHeadersOnly) {
    file = PeFile();
    const Bytes bytes(pData, nSize);
    uint16_t mz = 0;
    uint32_t pe = 0, signature = 0;
    if (!bytes.U16(0, mz) || mz != 0x5A4D)
        return "it is not a Windows program or library (no MZ header)";
    if (!bytes.U32(0x3C, pe) || !bytes.U32(pe, signature))
        return "it ends inside its headers";
    if (signature != 0x4550)
        return "it is not a Windows program or library (no PE header)";
    const uint64_t coff = static_cast<uint64_t>(pe) + 4;
    uint16_t sectionCount = 0, optionalSize = 0, characteristics = 0, magic = 0;
    if (!bytes.U16(coff, file.machine) || !bytes.U16(coff + 2, sectionCount) ||
        !bytes.U16(coff + 16, optionalSize) || !bytes.U16(coff + 18, characteristics))
        return "it ends inside its headers";
    file.library = (characteristics & kFileDll) != 0;
    if (bHeadersOnly)
        return "";

    const uint64_t optional = coff + 20;
    if (!bytes.U16(optional, magic))
        return "it ends inside its headers";
    uint64_t directories = 0;
    if (magic == kMagicPe32)
        directories = optional + 96;
    else if (magic == kMagicPe32Plus)
        directories = optional + 112;
    else
        return "its optional header is of an unknown kind";
    uint32_t directoryCount = 0, exportRva = 0, exportSize = 0;
    if (!bytes.U32(directories - 4, directoryCount))
        return "it ends inside its headers";
    if (directoryCount > 0 &&
        (!bytes.U32(directories, exportRva) || !bytes.U32(directories + 4, exportSize)))
        return "it ends inside its headers";

    std::vector<Section> sections;
    const uint64_t table = optional + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const uint64_t header = table + static_cast<uint64_t>(i) * kSectionHeaderSize;
        Section s = {};
        if (!bytes.U32(header + 8, s.virtualSize) || !bytes.U32(header + 12, s.address) ||
            !bytes.U32(header + 16, s.rawSize) || !bytes.U32(header + 20, s.rawOffset))
            return "it ends inside its section table";
        // Bytes beyond the section's size in memory are not the image's.
        if (s.virtualSize != 0 && s.virtualSize < s.rawSize)
            s.rawSize = s.virtualSize;
        sections.push_back(s);
    }
    if (directoryCount > 0 && exportRva != 0 && exportSize != 0) {
        const std::string why = ReadExports(bytes, sections, exportRva, file.exports);
        if (!why.empty())
            return why;
    }
    file.exportsRead = true;
    return "";
}

} // namespace velsdk
