// The device library's file as the tools read it: the PE reader on built and
// damaged images, and the inspection of what a library exports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pefile.h"
#include "sdkcheck.h"
#include "sdkmembers.h"

using namespace velsdk;

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

const size_t kSectionRaw = 0x400; // file offset of the one section
const uint32_t kSectionRva = 0x1000;

// A minimal image: headers, one section with the export directory, the name
// table and the names; the last name ends the file.
std::vector<uint8_t> Image(uint16_t machine, bool bLibrary, const std::vector<std::string>& names) {
    const bool b64 = machine != 0x14C;
    std::vector<uint8_t> b(kSectionRaw + 40 + 4 * names.size());
    b[0] = 'M', b[1] = 'Z';
    Put32(b, 0x3C, 0x40);
    b[0x40] = 'P', b[0x41] = 'E';
    Put16(b, 0x44, machine);
    Put16(b, 0x46, 1);
    const uint32_t optionalSize = b64 ? 240 : 224;
    Put16(b, 0x54, optionalSize);
    Put16(b, 0x56, bLibrary ? 0x2002 : 0x0002);
    const size_t optional = 0x58;
    Put16(b, optional, b64 ? 0x20B : 0x10B);
    const size_t directories = optional + (b64 ? 112 : 96);
    Put32(b, directories - 4, 16);
    Put32(b, directories, kSectionRva);
    Put32(b, directories + 4, 40);
    // The export directory: the names' table right after it, the names after that.
    Put32(b, kSectionRaw + 24, static_cast<uint32_t>(names.size()));
    Put32(b, kSectionRaw + 32, kSectionRva + 40);
    for (size_t i = 0; i < names.size(); ++i) {
        Put32(b, kSectionRaw + 40 + 4 * i,
              static_cast<uint32_t>(kSectionRva + b.size() - kSectionRaw));
        b.insert(b.end(), names[i].begin(), names[i].end());
        b.push_back(0);
    }
    const size_t section = optional + optionalSize;
    const uint32_t size = static_cast<uint32_t>(b.size() - kSectionRaw);
    Put32(b, section + 8, size);
    Put32(b, section + 12, kSectionRva);
    Put32(b, section + 16, size);
    Put32(b, section + 20, kSectionRaw);
    return b;
}

// Every member's name for an architecture.
std::vector<std::string> Names(Arch arch) {
    std::vector<std::string> names;
    for (int m = 0; m < kMemberCount; ++m)
        names.push_back(ExportName(static_cast<Member>(m), arch));
    return names;
}

} // namespace

TEST(PeFile, ReadsMachineKindAndExports) {
    const struct {
        uint16_t machine;
        bool library;
        std::vector<std::string> names;
    } kRows[] = {
        {0x8664, true, {"??0Vel_DeviceManager@@QEAA@XZ", "Other"}},
        {0x14C, false, {}},
        {0xAA64, true, {"x"}},
    };
    for (const auto& row : kRows) {
        const std::vector<uint8_t> image = Image(row.machine, row.library, row.names);
        PeFile file;
        EXPECT_EQ(ReadPeFile(image.data(), image.size(), file), "");
        EXPECT_EQ(file.machine, row.machine);
        EXPECT_EQ(file.library, row.library);
        EXPECT_TRUE(file.exportsRead);
        EXPECT_EQ(file.exports, row.names);
        PeFile head;
        EXPECT_EQ(ReadPeFile(image.data(), 0x200, head, true), "");
        EXPECT_EQ(head.machine, row.machine);
        EXPECT_FALSE(head.exportsRead);
    }
}

// Every prefix of an image lacks the last name's end, and damaged offsets
// point outside: each is refused with a reason, never read beyond.
TEST(PeFile, RefusesDamagedFiles) {
    const std::vector<uint8_t> image = Image(0x8664, true, Names(Arch::X64));
    for (size_t n = 0; n < image.size(); ++n) {
        std::vector<uint8_t> prefix(image.begin(), image.begin() + n);
        PeFile file;
        EXPECT_NE(ReadPeFile(prefix.data(), prefix.size(), file), "") << n << " bytes";
    }
    const struct {
        const char* what;
        size_t at;
        uint32_t value;
        const char* reason;
    } kRows[] = {
        {"no MZ", 0, 0x5A4E, "no MZ header"},
        {"PE header beyond the end", 0x3C, 0xFFFFFF00, "ends inside its headers"},
        {"no PE signature", 0x40, 0x4551, "no PE header"},
        {"unknown optional header", 0x58, 0x30B, "unknown kind"},
        {"export table outside every section", 0x58 + 112, 0x9000, "export table lies outside"},
        {"too many names", kSectionRaw + 24, 0x7FFFFFFF, "claims 2147483647 names"},
        {"name table outside", kSectionRaw + 32, 0x9000, "export names lie outside"},
        {"a name outside", kSectionRaw + 40, 0xFFFFFFF0, "export name 1 lies outside"},
    };
    for (const auto& row : kRows) {
        std::vector<uint8_t> damaged = image;
        Put32(damaged, row.at, row.value);
        PeFile file;
        const std::string why = ReadPeFile(damaged.data(), damaged.size(), file);
        EXPECT_NE(why.find(row.reason), std::string::npos) << row.what << ": " << why;
    }
}

// A's names with one member's exported under another name.
std::vector<std::string> WithName(Arch arch, Member member, const char* name) {
    std::vector<std::string> names = Names(arch);
    names[member] = name;
    return names;
}

// The forms that no test library of the Wine suites has: both callback
// forms, OpenDevice's second name, another architecture's names, GCC's
// names, a program.
TEST(Inspection, FindsEachMemberAndTheCallbackConvention) {
    std::vector<std::string> both = Names(Arch::X86);
    both.push_back(SecondName(kRegDataCallback, Arch::X86));
    const std::string ushort64 = SecondName(kOpenDevice, Arch::X64);
    const std::string ushort86 = SecondName(kOpenDevice, Arch::X86);
    const struct {
        const char* what;
        uint16_t machine;
        bool library;
        std::vector<std::string> names;
        Callback callback;
        size_t missing;
        bool usable, gccNames;
        std::string openDevice = ""; // the name OpenDevice was found under, where it matters
    } kRows[] = {
        {"x86 both", 0x14C, true, both, Callback::Both, 0, true, false},
        {"x64 path as unsigned short", 0x8664, true,
         WithName(Arch::X64, kOpenDevice, ushort64.c_str()), Callback::Single, 0, true, false,
         ushort64},
        {"x86 path as unsigned short", 0x14C, true,
         WithName(Arch::X86, kOpenDevice, ushort86.c_str()), Callback::Stdcall, 0, true, false,
         ushort86},
        {"x64 names on x86", 0x14C, true, Names(Arch::X64), Callback::Missing, kMemberCount, false,
         false},
        {"GCC's names",
         0x8664,
         true,
         {"_ZN17Vel_DeviceManager10OpenDeviceEPw"},
         Callback::Missing,
         kMemberCount,
         false,
         true},
        {"a program", 0x8664, false, Names(Arch::X64), Callback::Single, 0, false, false},
    };
    for (const auto& row : kRows) {
        PeFile file;
        file.machine = row.machine;
        file.library = row.library;
        file.exports = row.names;
        const Inspection inspection = Inspect(file);
        EXPECT_EQ(inspection.callback, row.callback) << row.what;
        EXPECT_EQ(inspection.Missing().size(), row.missing) << row.what;
        EXPECT_EQ(inspection.UsableBy(MachineArch(row.machine)), row.usable) << row.what;
        EXPECT_EQ(inspection.gccNames, row.gccNames) << row.what;
        if (!row.openDevice.empty()) {
            EXPECT_EQ(inspection.found[kOpenDevice], row.openDevice) << row.what;
            const std::string text =
                InspectionText("SDK.dll", inspection, MachineArch(row.machine));
            EXPECT_NE(text.find(row.openDevice + " (its path as unsigned short*"),
                      std::string::npos)
                << text;
        }
    }
}
