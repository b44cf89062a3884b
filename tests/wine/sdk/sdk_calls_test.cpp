// The simulated device's calls: factory state, enumeration, the state file
// across processes, the failure switches and the journal.
#include "check.h"
#include "sdk_testing.h"
#include "simdevice.h"

#include <cstring>

using sdktest::Enumerate;
using sdktest::JournalLines;
using sdktest::OpenFirst;

namespace {

const char* const kFactoryPath = "\\\\?\\hid#velsim_touch#0";
const char* const kFactoryConfig = "0102015aa505"
                                   "d0070000f401000064000000c8000000"
                                   "0500"
                                   "303132333435363738393a3b3c3d3e3f404142434445464748494a4b4c4d";

std::string Narrow(const wchar_t* text, size_t length) {
    std::string narrow;
    for (size_t i = 0; i < length && text[i]; ++i)
        narrow += static_cast<char>(text[i]);
    return narrow;
}

// By value: CHECK_EQ keeps a reference to its operands.
std::string LastLine() {
    std::vector<std::string> lines = simdev::Journal();
    return lines.empty() ? std::string() : lines.back();
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

using check::Hex;

// The results of the five operations that a switch can refuse, in order:
// GetDriverConfig, SetDriverConfig, ResetCalibParam, ApplyCalibParam_hd,
// ApplyCalibParam.
std::string Results(Vel_DeviceManager& device) {
    _VEL_DEVICE_CONFIG config{};
    bool got = device.GetDriverConfig(&config);
    std::string results;
    results += got ? '1' : '0';
    results += device.SetDriverConfig(config) ? '1' : '0';
    results += device.ResetCalibParam() ? '1' : '0';
    _VEL_CALIB_PARAM_HD hd{1, {1000, 0, 0, 0, 1000, 0, 0, 0}};
    results += device.ApplyCalibParam_hd(hd) ? '1' : '0';
    _VEL_CALIB_PARAM param{{1000, 0, 0, 0, 1000, 0, 0, 0}};
    results += device.ApplyCalibParam(param) ? '1' : '0';
    return results;
}

} // namespace

VEL_CASE(FactoryDeviceReadsItsDefaultsWithoutWritingState) {
    simdev::Reset();
    std::unique_ptr<_VEL_DEVICE_INFO> info = Enumerate();
    CHECK_EQ(info->deviceCount, 1);
    CHECK_EQ(Narrow(info->devicePath[0], VEL_MAX_PATH), kFactoryPath);
    CHECK_EQ(info->devicePath[1][0], 0);

    Vel_DeviceManager device;
    CHECK(OpenFirst(device));
    _VEL_DEVICE_CONFIG config{};
    CHECK(device.GetDriverConfig(&config));
    CHECK_EQ(Hex(&config, sizeof config), kFactoryConfig);
    unsigned char type = 0, mode = 0xFE, enable = 0;
    device.GetOutPutMode(&type, &mode, &enable);
    CHECK_EQ(int(mode), 2);
    device.CloseDevice();

    std::vector<std::string> expected = {
        "EnumDevice count=1",
        "EnumDevice count=1",
        std::string("OpenDevice path=") + kFactoryPath + " -> ok",
        "GetDriverConfig -> 1 bytes=" + std::string(kFactoryConfig),
        "GetOutPutMode mode=2 -> 1",
        "CloseDevice",
    };
    CHECK(simdev::Journal() == expected);
    CHECK(!simdev::FileExists("device.ini"));
}

VEL_CASE(EnumerationReportsAnyCountAndFillsAtMost24Paths) {
    struct Row {
        const char* count;
        int reported;
        int filled;
    };
    const Row rows[] = {{"0", 0, 0}, {"2", 2, 2}, {"-1", -1, 0}, {"24", 24, 24}, {"30", 30, 24}};
    for (const Row& row : rows) {
        simdev::Reset();
        simdev::Set("deviceCount", row.count);
        std::unique_ptr<_VEL_DEVICE_INFO> info = Enumerate();
        check::Note(std::string("deviceCount ") + row.count);
        CHECK_EQ(info->deviceCount, row.reported);
        for (int i = 0; i < VEL_MAX_DEVICES; ++i) {
            std::string path = Narrow(info->devicePath[i], VEL_MAX_PATH);
            std::string want;
            if (i < row.filled) {
                want = kFactoryPath;
                want = want.substr(0, want.size() - 1) + std::to_string(i);
            }
            CHECK_EQ(path, want);
        }
        CHECK_EQ(LastLine(), std::string("EnumDevice count=") + row.count);
        // The last enumerated path opens; with no entry, not even the factory path does.
        Vel_DeviceManager device;
        std::wstring last =
            row.filled ? info->devicePath[row.filled - 1] : L"\\\\?\\hid#velsim_touch#0";
        device.OpenDevice(&last[0]);
        CHECK(EndsWith(LastLine(), row.filled ? "-> ok" : "-> fail"));
    }
}

VEL_CASE(UnterminatedPathIsReadOnlyTo259Characters) {
    simdev::Reset();
    simdev::Set("pathUnterminated", "1");
    std::unique_ptr<_VEL_DEVICE_INFO> info = Enumerate();
    CHECK(wcsnlen(info->devicePath[0], VEL_MAX_PATH) == VEL_MAX_PATH);
    CHECK_EQ(Narrow(info->devicePath[0], 22), kFactoryPath);

    // The entry placed flush against an inaccessible page: reading a 260th
    // character would fault.
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    uint8_t* pages = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, 2 * system.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_NOACCESS, &old);
    wchar_t* unterminated = reinterpret_cast<wchar_t*>(pages + system.dwPageSize) - 259;
    std::memcpy(unterminated, info->devicePath[0], 259 * sizeof(wchar_t));

    Vel_DeviceManager device;
    device.OpenDevice(unterminated);
    std::string line = LastLine();
    CHECK_EQ(line, "OpenDevice path=" + Narrow(info->devicePath[0], 259) + " -> ok");
    _VEL_DEVICE_CONFIG config{};
    CHECK(device.GetDriverConfig(&config));
    device.CloseDevice();
    VirtualFree(pages, 0, MEM_RELEASE);
}

VEL_CASE(WithoutAnOpenDeviceEveryCallFailsByItsResult) {
    struct Row {
        const char* name;
        const char* failOpen;
        const wchar_t* path;
    };
    const Row rows[] = {
        {"failOpen", "1", L"\\\\?\\hid#velsim_touch#0"},
        {"unknown path", "0", L"\\\\?\\hid#other#0"},
        {"null path", "0", nullptr},
        {"never opened", "0", L""},
    };
    for (const Row& row : rows) {
        check::Note(row.name);
        simdev::Reset();
        simdev::Set("failOpen", row.failOpen);
        simdev::ClearJournal();
        Vel_DeviceManager device;
        if (std::string(row.name) != "never opened") {
            std::wstring path = row.path ? row.path : L"";
            device.OpenDevice(row.path ? &path[0] : nullptr);
            CHECK(EndsWith(LastLine(), "-> fail"));
        }
        CHECK_EQ(Results(device), "00000");
        unsigned char type = 0xAA, mode = 0xFE, enable = 0xBB;
        CHECK_EQ(int(device.GetOutPutMode(&type, &mode, &enable)), 0);
        CHECK_EQ(int(mode), 0xFE);
        CHECK_EQ(int(device.ChangeOutPutMode(1)), 0);
        device.CloseDevice();
        device.CloseDevice();
        CHECK_EQ(simdev::Get("calibration"), "none");
        CHECK_EQ(simdev::Get("outputMode"), "2");
    }
}

VEL_CASE(EachSwitchRefusesItsOwnOperationOnly) {
    struct Row {
        const char* key;
        const char* results;
        const char* calibration; // what is stored afterwards
    };
    const Row rows[] = {
        {"none", "11111", "16 1000 0 0 0 1000 0 0 0"},
        {"failGetDriverConfig", "01111", "16 1000 0 0 0 1000 0 0 0"},
        {"failSetDriverConfig", "10111", "16 1000 0 0 0 1000 0 0 0"},
        {"failReset", "11011", "16 1000 0 0 0 1000 0 0 0"},
        {"refuseHd", "11101", "16 1000 0 0 0 1000 0 0 0"},
        {"refuse16", "11110", "hd 1 1000 0 0 0 1000 0 0 0"},
    };
    for (const Row& row : rows) {
        check::Note(row.key);
        simdev::Reset();
        simdev::Set(row.key, "1");
        Vel_DeviceManager device;
        CHECK(OpenFirst(device));
        CHECK_EQ(Results(device), row.results);
        CHECK_EQ(simdev::Get("calibration"), row.calibration);
        device.CloseDevice();
    }
}

// Field widths and low bits are the native tests' business; here, the file.
VEL_CASE(DriverConfigFieldsComeFromTheStateAndGoBackToIt) {
    simdev::Reset();
    simdev::Set("touchMode", "7");
    simdev::Set("touchHeight", "20");
    Vel_DeviceManager device;
    CHECK(OpenFirst(device));
    _VEL_DEVICE_CONFIG config{};
    CHECK(device.GetDriverConfig(&config));
    CHECK_EQ(int(config.touchMode), 7);
    CHECK_EQ(int(config.touchHeight), 20);
    config.touchEnable = 0;
    config.touchMode = 3;
    config.rightClickTime = 1500;
    config.touchJitter = -2;
    config.touchHeight = 65535;
    config.reserved24[29] = 0xEE;
    CHECK(device.SetDriverConfig(config));
    CHECK_EQ(LastLine(), "SetDriverConfig bytes=" + Hex(&config, sizeof config) + " -> 1");
    CHECK_EQ(simdev::Get("touchEnable"), "0");
    CHECK_EQ(simdev::Get("touchMode"), "3");
    CHECK_EQ(simdev::Get("rightClickTime"), "1500");
    CHECK_EQ(simdev::Get("touchJitter"), "-2");
    CHECK_EQ(simdev::Get("touchHeight"), "65535");
    CHECK_EQ(simdev::Get("reserved24"),
             "303132333435363738393a3b3c3d3e3f404142434445464748494a4b4cee");
    _VEL_DEVICE_CONFIG again{};
    CHECK(device.GetDriverConfig(&again));
    CHECK(std::memcmp(&again, &config, sizeof config) == 0);
    device.CloseDevice();
}

VEL_CASE(StoringTheSameValuesLeavesTheStateFileAlone) {
    simdev::Reset();
    Vel_DeviceManager device;
    CHECK(OpenFirst(device));
    _VEL_DEVICE_CONFIG config{};
    device.GetDriverConfig(&config);
    CHECK(device.SetDriverConfig(config));
    CHECK(device.ChangeOutPutMode(2));
    CHECK(device.ResetCalibParam());
    CHECK(!simdev::FileExists("device.ini"));
    CHECK(device.ChangeOutPutMode(1));
    CHECK(simdev::FileExists("device.ini"));
    CHECK_EQ(simdev::Get("outputMode"), "1");
    device.CloseDevice();
}

VEL_CASE(OutputModeIsReportedAndChangedOnlyWhenTheDeviceHasOne) {
    struct Row {
        const char* stored;
        char change;
        int reported; // second byte after GetOutPutMode, preset to 0xFE
        int changed;
        const char* after;
        const char* line;
    };
    const Row rows[] = {
        {"2", 3, 2, 1, "3", "ChangeOutPutMode mode=3 -> 1"},
        {"0", 4, 0, 0, "0", "ChangeOutPutMode mode=4 -> 0"},
        {"1", -1, 1, 0, "1", "ChangeOutPutMode mode=-1 -> 0"},
        {"none", 1, 0xFE, 0, "none", "ChangeOutPutMode mode=1 -> 0"},
    };
    for (const Row& row : rows) {
        check::Note(std::string("outputMode ") + row.stored);
        simdev::Reset();
        simdev::Set("outputMode", row.stored);
        Vel_DeviceManager device;
        CHECK(OpenFirst(device));
        unsigned char type = 0, mode = 0xFE, enable = 0;
        device.GetOutPutMode(&type, &mode, &enable);
        CHECK_EQ(int(mode), row.reported);
        CHECK_EQ(LastLine(), "GetOutPutMode mode=" + std::to_string(row.reported) + " -> " +
                                 (row.reported == 0xFE ? "0" : "1"));
        CHECK_EQ(int(device.ChangeOutPutMode(row.change)), row.changed);
        CHECK_EQ(LastLine(), row.line);
        CHECK_EQ(simdev::Get("outputMode"), row.after);
        device.CloseDevice();
    }
}

VEL_CASE(CalibrationRecordsAreJournaledAndStored) {
    simdev::Reset();
    Vel_DeviceManager device;
    CHECK(OpenFirst(device));
    _VEL_CALIB_PARAM_HD hd{1, {1.5f, 0.1f, -2.25f, 0, 1000, 0, 1e-7f, 0}};
    CHECK(device.ApplyCalibParam_hd(hd));
    CHECK_EQ(LastLine(),
             "ApplyCalibParam_hd bytes=" + Hex(&hd, sizeof hd) +
                 " enable=1 matrix=1.5,0.100000001,-2.25,0,1000,0,1.00000001e-07,0 -> 1");
    CHECK_EQ(Hex(&hd, 8), "010000000000c03f");
    CHECK_EQ(simdev::Get("calibration"), "hd 1 1.5 0.100000001 -2.25 0 1000 0 1.00000001e-07 0");

    _VEL_CALIB_PARAM param{{1111, -22, 333, 0, 1000, -32768, 1, 32767}};
    CHECK(device.ApplyCalibParam(param));
    CHECK_EQ(LastLine(), "ApplyCalibParam bytes=" + Hex(&param, sizeof param) +
                             " matrix=1111,-22,333,0,1000,-32768,1,32767 -> 1");
    CHECK_EQ(simdev::Get("calibration"), "16 1111 -22 333 0 1000 -32768 1 32767");

    CHECK(device.ResetCalibParam());
    CHECK_EQ(LastLine(), "ResetCalibParam -> 1");
    CHECK_EQ(simdev::Get("calibration"), "none");
    device.CloseDevice();
}

VEL_CASE(StateSurvivesIntoAnotherProcess) {
    simdev::Reset();
    CHECK_EQ(sdktest::WaitProgram(sdktest::StartProgram(L"sdk_child.exe", L"height 9")), 0);
    CHECK_EQ(simdev::Get("touchHeight"), "9");

    Vel_DeviceManager device;
    CHECK(OpenFirst(device));
    _VEL_DEVICE_CONFIG config{};
    CHECK(device.GetDriverConfig(&config));
    CHECK_EQ(int(config.touchHeight), 9);
    config.touchSmooth = 8;
    CHECK(device.SetDriverConfig(config));
    device.CloseDevice();

    simdev::ClearJournal();
    CHECK_EQ(sdktest::WaitProgram(sdktest::StartProgram(L"sdk_child.exe", L"get")), 0);
    std::vector<std::string> lines = JournalLines("GetDriverConfig");
    CHECK_EQ(lines.size(), size_t(1));
    CHECK_EQ(lines[0], "GetDriverConfig -> 1 bytes=" + Hex(&config, sizeof config));
}

VEL_CASE(ProcessesAppendWholeJournalLines) {
    simdev::Reset();
    HANDLE first = sdktest::StartProgram(L"sdk_child.exe", L"enum 150");
    HANDLE second = sdktest::StartProgram(L"sdk_child.exe", L"enum 150");
    std::unique_ptr<_VEL_DEVICE_INFO> info(new _VEL_DEVICE_INFO);
    for (int i = 0; i < 150; ++i)
        Vel_DeviceManager::EnumDevice(info.get());
    CHECK_EQ(sdktest::WaitProgram(first), 0);
    CHECK_EQ(sdktest::WaitProgram(second), 0);
    std::vector<std::string> lines = simdev::Journal();
    CHECK_EQ(lines.size(), size_t(450));
    CHECK_EQ(simdev::CountJournal("EnumDevice count=1"), size_t(450));
}

VEL_CASE(TheFolderIsCreatedOnFirstUse) {
    std::wstring home = simdev::Home();
    std::wstring nested = home + L"\\new\\deeper";
    SetEnvironmentVariableW(L"VEL_SDK_HOME", nested.c_str());
    std::unique_ptr<_VEL_DEVICE_INFO> info = Enumerate();
    CHECK_EQ(simdev::Journal().size(), size_t(1));
    SetEnvironmentVariableW(L"VEL_SDK_HOME", home.c_str());
    CHECK(GetFileAttributesW((nested + L"\\journal.txt").c_str()) != INVALID_FILE_ATTRIBUTES);
}

// A hostile state folder is reported, never hidden: no claimed store that did
// not happen, one byte order mark, no wrapped numbers, no script that deletes
// the state.
VEL_CASE(AHostileStateFolderIsReportedNotHidden) {
    check::Note("device.ini is a folder");
    simdev::Reset();
    const std::wstring ini = simdev::Home() + L"\\device.ini";
    CHECK(::CreateDirectoryW(ini.c_str(), nullptr));
    {
        Vel_DeviceManager device;
        CHECK(OpenFirst(device));
        // Storing what is in force needs no file; the two calibrations do.
        CHECK_EQ(Results(device), "11100");
        CHECK_EQ(JournalLines("StateNotStored device.ini exists but cannot be read").size(), 2u);
        _VEL_DEVICE_CONFIG config{};
        device.GetDriverConfig(&config);
        config.touchSmooth = 9;
        CHECK(!device.SetDriverConfig(config));
        CHECK(EndsWith(LastLine(), " -> 0"));
        device.CloseDevice();
    }
    CHECK(::RemoveDirectoryW(ini.c_str()));

    check::Note("a count beyond 32 bits");
    simdev::Reset();
    simdev::Set("deviceCount", "4294967297");
    simdev::ClearJournal();
    CHECK_EQ(Enumerate()->deviceCount, 1);
    std::vector<std::string> expected = {
        "BadValue deviceCount = 4294967297: outside -2147483648 to 2147483647, factory value 1 "
        "used",
        "EnumDevice count=1"};
    CHECK(simdev::Journal() == expected);

    check::Note("two byte order marks");
    simdev::Reset();
    {
        const std::string text = "\xEF\xBB\xBF\xEF\xBB\xBFtouchMode = 7\ntouchSmooth = 3\n";
        HANDLE file =
            ::CreateFileW(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::CloseHandle(file);
        Vel_DeviceManager device;
        CHECK(OpenFirst(device));
        _VEL_DEVICE_CONFIG config{};
        for (int smooth : {3, 4}) {
            CHECK(device.GetDriverConfig(&config));
            CHECK_EQ(int(config.touchMode), 2); // its key holds the second mark
            CHECK_EQ(int(config.touchSmooth), smooth);
            config.touchSmooth = 4;
            CHECK(device.SetDriverConfig(config)); // the first pass rewrites the file
        }
        device.CloseDevice();
    }

    check::Note("a script that waits for the state file");
    simdev::Reset();
    simdev::Set("touchMode", "3");
    simdev::WriteScript("waitfor device.ini\nmark journal.txt\n");
    {
        Vel_DeviceManager device;
        CHECK(OpenFirst(device));
        device.StartCalibMode();
        CHECK_EQ(JournalLines("ScriptError").size(), 2u);
        device.StopCalibMode();
        device.CloseDevice();
    }
    CHECK_EQ(simdev::Get("touchMode"), "3");
}
