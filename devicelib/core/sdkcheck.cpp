#include "sdkcheck.h"

#include <set>

namespace velsdk {

namespace {

// GCC's (Itanium) names of the class's members start so.
const char kGccPrefix[] = "_ZN17Vel_DeviceManager";

std::string Pad(const std::string& text, size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

// The wanted names of a member, for a report line.
std::string WantedNames(Member member, Arch arch) {
    std::string names = ExportName(member, arch);
    if (SecondName(member, arch) != nullptr)
        names += " or " + std::string(SecondName(member, arch));
    return names;
}

// "A, B and C"; with an architecture, each as "Vel_DeviceManager::A (its names)".
std::string MemberList(const std::vector<Member>& members, Arch arch = Arch::Other) {
    std::string text;
    for (size_t i = 0; i < members.size(); ++i) {
        if (i > 0)
            text += i + 1 == members.size() ? " and " : ", ";
        const Member member = members[i];
        text += arch == Arch::Other ? std::string(kMembers[member].name)
                                    : "Vel_DeviceManager::" + std::string(kMembers[member].name) +
                                          " (" + WantedNames(member, arch) + ")";
    }
    return text;
}

// What a member found under its second name means; "" otherwise.
std::string SecondNameNote(Member member, Arch arch, const char* found) {
    const char* second = SecondName(member, arch);
    if (found == nullptr || second == nullptr || std::string(found) != second)
        return "";
    return member == kOpenDevice ? " (its path as unsigned short*: the same call)"
                                 : " (a __cdecl callback)";
}

const char* CallbackText(Callback callback) {
    switch (callback) {
    case Callback::Missing:
        return "unknown: RegDataCallback is missing";
    case Callback::Single:
        return "x64 has one calling convention";
    case Callback::Stdcall:
        return "__stdcall: the tools hand it their callbacks as they are";
    case Callback::Cdecl:
        return "__cdecl: the tools relay each report to their __stdcall callbacks";
    case Callback::Both:
        return "__stdcall and __cdecl both exported: the tools use the __stdcall one";
    }
    return "";
}

// The tool set's part in a message: "VelApp.exe is a 64-bit (x64) program".
std::string ProgramKind(const ProblemReport& report) {
    const bool bLibrary = report.program.size() > 4 &&
                          report.program.compare(report.program.size() - 4, 4, ".dll") == 0;
    return report.program + " is " + "a " + ArchName(report.tools) + " " +
           (bLibrary ? "library" : "program");
}

} // namespace

bool Inspection::Complete() const {
    return Missing().empty();
}

std::vector<Member> Inspection::Missing() const {
    std::vector<Member> missing;
    for (int m = 0; m < kMemberCount; ++m) {
        if (static_cast<size_t>(m) >= found.size() || found[m] == nullptr)
            missing.push_back(static_cast<Member>(m));
    }
    return missing;
}

Inspection Inspect(const PeFile& file) {
    Inspection inspection;
    inspection.arch = MachineArch(file.machine);
    inspection.library = file.library;
    inspection.found.assign(kMemberCount, nullptr);
    const std::set<std::string> names(file.exports.begin(), file.exports.end());
    for (const std::string& name : names)
        inspection.gccNames = inspection.gccNames || name.rfind(kGccPrefix, 0) == 0;
    if (inspection.arch == Arch::Other)
        return inspection;
    // A member's own name first, else its second name.
    for (int m = 0; m < kMemberCount; ++m) {
        for (const char* name : {ExportName(static_cast<Member>(m), inspection.arch),
                                 SecondName(static_cast<Member>(m), inspection.arch)}) {
            if (inspection.found[m] == nullptr && name != nullptr && names.count(name) != 0)
                inspection.found[m] = name;
        }
    }
    const char* stdcallName = ExportName(kRegDataCallback, inspection.arch);
    const char* cdeclName = SecondName(kRegDataCallback, inspection.arch);
    const bool bStdcall = names.count(stdcallName) != 0;
    const bool bCdecl = cdeclName != nullptr && names.count(cdeclName) != 0;
    if (inspection.arch == Arch::X64)
        inspection.callback = bStdcall ? Callback::Single : Callback::Missing;
    else if (bCdecl)
        inspection.callback = bStdcall ? Callback::Both : Callback::Cdecl;
    else
        inspection.callback = bStdcall ? Callback::Stdcall : Callback::Missing;
    return inspection;
}

std::string InspectionText(const std::string& path, const Inspection& inspection, Arch tools) {
    std::string text = Pad("file", 15) + path + "\n";
    text += Pad("architecture", 15) + ArchName(inspection.arch) + "; these tools are " +
            ArchName(tools) + "\n";
    if (inspection.arch != Arch::Other) {
        text += Pad("members", 15) + "under the names the tools import:\n";
        for (int m = 0; m < kMemberCount; ++m) {
            const Member member = static_cast<Member>(m);
            const char* found = inspection.found[m];
            text += std::string(found != nullptr ? "  found    " : "  missing  ") +
                    Pad(kMembers[m].name, 20) +
                    (found != nullptr ? std::string(found) : WantedNames(member, inspection.arch)) +
                    SecondNameNote(member, inspection.arch, found) + "\n";
        }
        text += Pad("data callback", 15) + CallbackText(inspection.callback) + "\n";
    }
    if (inspection.gccNames)
        text += Pad("note", 15) +
                "it exports Vel_DeviceManager under GCC's names (_ZN17Vel_DeviceManager...): it "
                "was built with another compiler than the platform's, whose names the tools "
                "import\n";

    std::vector<std::string> reasons;
    if (!inspection.library)
        reasons.push_back("it is a program, not a library");
    if (inspection.arch == Arch::Other)
        reasons.push_back("it is a library of another architecture than x64 or x86");
    else if (inspection.arch != tools)
        reasons.push_back(std::string("it is a ") + ArchName(inspection.arch) +
                          " library: use the " + ArchName(inspection.arch) +
                          " tools with it, or get the touch screen's " + ArchName(tools) +
                          " SDK.dll");
    const std::vector<Member> missing = inspection.Missing();
    if (inspection.arch != Arch::Other && !missing.empty())
        reasons.push_back("it lacks " + MemberList(missing));
    if (reasons.empty())
        return text + Pad("verdict", 15) +
               "usable: VelApp.exe, VelCalib.dll and velctl.exe can use this SDK.dll\n";
    text += Pad("verdict", 15) + "not usable by these tools:";
    for (size_t i = 0; i < reasons.size(); ++i)
        text += (i == 0 ? " " : "; ") + reasons[i];
    return text + "\n";
}

std::string CheckFileText(const std::string& path, const uint8_t* pData, size_t nSize, Arch tools,
                          bool& bUsable) {
    PeFile file;
    const std::string why = ReadPeFile(pData, nSize, file);
    bUsable = false;
    if (!why.empty())
        return Pad("file", 15) + path + "\n" + Pad("verdict", 15) +
               "not usable by these tools: " + why + "\n";
    const Inspection inspection = Inspect(file);
    bUsable = inspection.UsableBy(tools);
    return InspectionText(path, inspection, tools);
}

std::string ProblemText(const ProblemReport& report) {
    const std::string arch = ArchName(report.tools);
    switch (report.problem) {
    case Problem::None:
        return "";
    case Problem::NotFound:
        return "The touch screen's device library SDK.dll is missing. It is looked for only in " +
               report.folder + ", the folder of " + report.program + ". Copy the touch screen's " +
               arch + " SDK.dll into that folder.";
    case Problem::NotALibrary:
        return report.path + " cannot be the touch screen's device library: " + report.detail +
               ". Replace it with the touch screen's " + arch + " SDK.dll.";
    case Problem::OtherArchitecture:
        return report.path + " is " +
               (report.found == Arch::Other
                    ? std::string("a library of another architecture")
                    : std::string("a ") + ArchName(report.found) + " library") +
               ", and " + ProgramKind(report) + ": Windows cannot load one into the other. " +
               "Put the touch screen's " + arch + " SDK.dll in its place" +
               (report.found == Arch::Other
                    ? std::string(".")
                    : ", or use the " + std::string(ArchName(report.found)) +
                          " tools with this one.");
    case Problem::MissingMembers: {
        return report.path + " lacks " + MemberList(report.missing, report.tools) +
               ", which the tools call. It is not the touch screen's device library, or one "
               "not built with the platform's compiler; \"velctl check-sdk\" lists what it "
               "exports. Ask the touch screen's maker for its complete " +
               arch + " SDK.dll.";
    }
    case Problem::LoadFailed:
        return report.path + " could not be loaded (" + report.detail +
               "). A library it needs may be missing: reinstall the touch screen's software.";
    case Problem::BadConstructor:
        return report.path +
               ": the constructor of Vel_DeviceManager did not return its object, as the "
               "platform's compiler makes it do. The tools do not use this library; ask the "
               "touch screen's maker for an SDK.dll built with the platform's compiler.";
    case Problem::ObjectTooLarge:
        return report.path + ": a Vel_DeviceManager object used more than the " +
               std::to_string((kObjectRoom - kWatchedRoom) / 1024) +
               " KiB the tools give it. The tools stop using this library; report it to the "
               "tool set's makers.";
    }
    return "";
}

} // namespace velsdk
