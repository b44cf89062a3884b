// Reports of the simulated device: scripts, the panel model, raw blocks, and
// the callback guarantees of UnRegDataCallback, StopCalibMode and CloseDevice.
#include "check.h"
#include "sdk_testing.h"
#include "simdevice.h"

#include <algorithm>
#include <thread>

using sdktest::ExpectedReport;
using sdktest::JournalLines;
using sdktest::OpenFirst;
using sdktest::Recorder;

namespace {

// Opens the device, starts calibration mode and registers the recorder.
void Begin(Vel_DeviceManager& device, Recorder& recorder) {
    CHECK(OpenFirst(device));
    device.StartCalibMode();
    device.RegDataCallback(&Recorder::Callback, &recorder);
}

void End(Vel_DeviceManager& device) {
    device.UnRegDataCallback();
    device.StopCalibMode();
    device.CloseDevice();
}

// x and y of each recorded contact report.
std::vector<std::pair<unsigned, unsigned>> Points(Recorder& recorder) {
    std::vector<std::pair<unsigned, unsigned>> points;
    for (const Recorder::Block& block : recorder.Blocks()) {
        if (block.bytes.size() >= 16 && block.bytes[11] == 7)
            points.push_back(
                {block.bytes[12] | block.bytes[13] << 8u, block.bytes[14] | block.bytes[15] << 8u});
    }
    return points;
}

// Runs one script to its "mark done" and returns the contact points.
std::vector<std::pair<unsigned, unsigned>> PlayToDone(const std::string& script) {
    simdev::WriteScript(script + "\nmark done\n");
    Vel_DeviceManager device;
    Recorder recorder(&device);
    Begin(device, recorder);
    CHECK(simdev::WaitForFile("done", 10000));
    End(device);
    DeleteFileW((simdev::Home() + L"\\done").c_str());
    return Points(recorder);
}

} // namespace

VEL_CASE(ScriptedReportsArriveInOrderWithTheirBytes) {
    simdev::Reset();
    simdev::WriteScript("# two touches and a lift\n"
                        "touch 100 200 2\n"
                        "lift\n"
                        "touch 65535 1   # corner\n"
                        "mark done\n");
    Vel_DeviceManager device;
    Recorder recorder(&device);
    Begin(device, recorder);
    CHECK(simdev::WaitForFile("done", 10000));
    End(device);

    std::vector<std::vector<uint8_t>> expected = {
        ExpectedReport(true, 100, 200), ExpectedReport(true, 100, 200),
        ExpectedReport(false, 100, 200), ExpectedReport(true, 65535, 1)};
    std::vector<Recorder::Block> blocks = recorder.Blocks();
    CHECK_EQ(blocks.size(), expected.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        CHECK(blocks[i].bytes == expected[i]);
        CHECK(blocks[i].endsAtNoAccess);
    }
    std::vector<std::string> journal = simdev::Journal();
    std::vector<std::string> tail(journal.end() - 9, journal.end());
    std::vector<std::string> want = {
        "StartCalibMode",
        "RegDataCallback",
        "Report len=64 contact=1 x=100 y=200",
        "Report len=64 contact=1 x=100 y=200",
        "Report len=64 contact=0 x=100 y=200",
        "Report len=64 contact=1 x=65535 y=1",
        "UnRegDataCallback",
        "StopCalibMode",
        "CloseDevice",
    };
    CHECK(tail == want);
}

VEL_CASE(ScreenPointsAndTargetsGoThroughThePanelModel) {
    struct Row {
        const char* panel;
        const char* command;
        unsigned x, y;
    };
    const Row rows[] = {
        {"2 0 100 0 0.5 50 0 0 1", "screen 1000 2000", 2100, 1050},
        {"2 0 100 0 0.5 50 0 0 1", "target 0 1", 4196, 1074},
        {"2 0 100 0 0.5 50 0 0 1", "target 3 1", 61540, 15410},
        {"1 0 0 0 1 0 0.0001 0 1", "screen 10000 30000", 5000, 15000}, // projective
    };
    for (const Row& row : rows) {
        check::Note(std::string(row.panel) + " / " + row.command);
        simdev::Reset();
        simdev::Set("panel", row.panel);
        std::vector<std::pair<unsigned, unsigned>> points = PlayToDone(row.command);
        CHECK_EQ(points.size(), size_t(1));
        CHECK_EQ(points[0].first, row.x);
        CHECK_EQ(points[0].second, row.y);
    }
    simdev::Reset();
    CHECK_EQ(PlayToDone("target 2").size(), size_t(5));
}

VEL_CASE(NoiseIsTheSameForTheSameSeed) {
    simdev::Reset();
    simdev::Set("panel", "1 0 0 0 1 0 0 0 1");
    simdev::Set("noise", "3");
    simdev::Set("seed", "7");
    auto first = PlayToDone("screen 16384 16384 20");
    auto again = PlayToDone("screen 16384 16384 20");
    simdev::Set("seed", "8");
    auto other = PlayToDone("screen 16384 16384 20");
    CHECK_EQ(first.size(), size_t(20));
    CHECK(first == again);
    CHECK(first != other);
    size_t distinct = 0;
    for (const auto& point : first) {
        CHECK(point.first > 16384 - 20 && point.first < 16384 + 20);
        CHECK(point.second > 16384 - 20 && point.second < 16384 + 20);
        distinct += point != first[0];
    }
    CHECK(distinct > 10);
}

VEL_CASE(RawBlocksKeepTheirLengthAndEndAtAnInaccessiblePage) {
    simdev::Reset();
    std::string full;
    for (uint8_t byte : ExpectedReport(true, 0x1234, 0x5678)) {
        char hex[3];
        wsprintfA(hex, "%02x", byte);
        full += std::string(hex) + " ";
    }
    simdev::WriteScript("raw 60 " + full + "\nraw 70 0102\nraw 0\nraw 64 " + full +
                        "\nmark done\n");
    Vel_DeviceManager device;
    Recorder recorder(&device);
    Begin(device, recorder);
    CHECK(simdev::WaitForFile("done", 10000));
    End(device);

    std::vector<Recorder::Block> blocks = recorder.Blocks();
    CHECK_EQ(blocks.size(), size_t(4));
    std::vector<uint8_t> report = ExpectedReport(true, 0x1234, 0x5678);
    CHECK(blocks[0].bytes == std::vector<uint8_t>(report.begin(), report.begin() + 60));
    std::vector<uint8_t> padded(70, 0);
    padded[0] = 1;
    padded[1] = 2;
    CHECK(blocks[1].bytes == padded);
    CHECK(blocks[2].bytes.empty());
    CHECK(blocks[3].bytes == report);
    for (const Recorder::Block& block : blocks)
        CHECK(block.endsAtNoAccess);
    std::vector<std::string> want = {
        "Report len=60 contact=1 x=4660 y=22136", "Report len=70 contact=0 x=0 y=0",
        "Report len=0 contact=0 x=0 y=0", "Report len=64 contact=1 x=4660 y=22136"};
    CHECK(JournalLines("Report") == want);
}

VEL_CASE(WaitforAndMarkLetATestStepTheScript) {
    simdev::Reset();
    simdev::WriteScript("mark ready\nwaitfor go\ntouch 1 2\nmark done\n");
    Vel_DeviceManager device;
    Recorder recorder(&device);
    Begin(device, recorder);
    CHECK(simdev::WaitForFile("ready", 10000));
    Sleep(200);
    CHECK_EQ(recorder.Count(), size_t(0));
    simdev::CreateFile("go");
    CHECK(simdev::WaitForFile("done", 10000));
    CHECK_EQ(recorder.Count(), size_t(1));
    CHECK(!simdev::FileExists("go"));
    End(device);
}

VEL_CASE(ReportsNeedCalibrationModeAndACallback) {
    simdev::Reset();
    simdev::WriteScript("touch 5 6\ntouch 7 8\nmark done\n");
    Vel_DeviceManager device;
    Recorder recorder(&device);
    CHECK(OpenFirst(device));
    device.RegDataCallback(&Recorder::Callback, &recorder);
    Sleep(150);
    CHECK_EQ(recorder.Count(), size_t(0));
    device.UnRegDataCallback();

    // Calibration mode without a callback holds the script back; nothing is lost.
    device.StartCalibMode();
    Sleep(150);
    CHECK(!simdev::FileExists("done"));
    device.RegDataCallback(&Recorder::Callback, &recorder);
    CHECK(simdev::WaitForFile("done", 10000));
    std::vector<std::pair<unsigned, unsigned>> want = {{5, 6}, {7, 8}};
    CHECK(Points(recorder) == want);
    End(device);
}

VEL_CASE(ScriptEndsIdleAndRestartsWithCalibrationMode) {
    simdev::Reset();
    simdev::WriteScript("touch 1 1\nbogus 3\ntouch 2\nmark done\n");
    Vel_DeviceManager device;
    Recorder recorder(&device);
    Begin(device, recorder);
    CHECK(simdev::WaitForFile("done", 10000));
    Sleep(100);
    CHECK_EQ(recorder.Count(), size_t(1));
    std::vector<std::string> errors = JournalLines("ScriptError");
    CHECK_EQ(errors.size(), size_t(2));
    CHECK_EQ(errors[0], "ScriptError line=2 unknown command 'bogus'");
    CHECK_EQ(errors[1], "ScriptError line=3 touch needs <x> <y> [n]");

    DeleteFileW((simdev::Home() + L"\\done").c_str());
    device.StopCalibMode();
    device.StartCalibMode();
    CHECK(simdev::WaitForFile("done", 10000));
    CHECK_EQ(recorder.Count(), size_t(2));
    End(device);
}

VEL_CASE(UnregisterInsideTheCallbackEndsDelivery) {
    struct Row {
        const char* name;
        bool alsoRelease; // the calibration dialog's end: unregister, stop, close
        bool alsoDelete;
    };
    const Row rows[] = {
        {"unregister", false, false},
        {"unregister, stop, close", true, false},
        {"unregister, stop, close, delete", true, true},
    };
    for (const Row& row : rows) {
        check::Note(row.name);
        simdev::Reset();
        simdev::WriteScript("touch 1 1 50\n");
        Vel_DeviceManager* device = new Vel_DeviceManager;
        Recorder recorder(device);
        recorder.onReport = [&row](Recorder& self) {
            self.Device()->UnRegDataCallback();
            if (row.alsoRelease) {
                self.Device()->StopCalibMode();
                self.Device()->CloseDevice();
            }
            if (row.alsoDelete)
                delete self.Device();
        };
        Begin(*device, recorder);
        CHECK(
            simdev::WaitForJournal(row.alsoRelease ? "CloseDevice" : "UnRegDataCallback", 1, 5000));
        Sleep(200);
        CHECK_EQ(recorder.Count(), size_t(1));
        CHECK_EQ(simdev::CountJournal("Report"), size_t(1));
        if (!row.alsoDelete) {
            End(*device);
            delete device;
        }
    }
}

VEL_CASE(UnregisterFromAnotherThreadWaitsForTheReportInProgress) {
    simdev::Reset();
    simdev::WriteScript("touch 7 7 100000\n");
    Vel_DeviceManager device;
    Recorder recorder(&device);
    recorder.onReport = [](Recorder&) { Sleep(15); };
    Begin(device, recorder);
    for (int cycle = 0; cycle < 20; ++cycle) {
        if (cycle > 0)
            device.RegDataCallback(&Recorder::Callback, &recorder);
        size_t before = recorder.Count();
        CHECK(recorder.WaitForCount(before + 2, 5000));
        Sleep(cycle % 7);
        device.UnRegDataCallback();
        CHECK(!recorder.inside);
        size_t after = recorder.Count();
        Sleep(40);
        CHECK_EQ(recorder.Count(), after);
    }
    End(device);
    // In the journal, no report falls between an unregistration and the next
    // registration.
    bool registered = false;
    for (const std::string& line : simdev::Journal()) {
        if (line == "RegDataCallback")
            registered = true;
        else if (line == "UnRegDataCallback")
            registered = false;
        else if (line.compare(0, 6, "Report") == 0)
            CHECK(registered);
    }
}

VEL_CASE(StopCloseAndDeleteEndDeliveryWhileReportsFlow) {
    const char* ways[] = {"StopCalibMode", "CloseDevice", "delete"};
    for (const char* way : ways) {
        check::Note(way);
        simdev::Reset();
        simdev::WriteScript("touch 3 3 100000\n");
        Vel_DeviceManager* device = new Vel_DeviceManager;
        Recorder recorder(device);
        recorder.onReport = [](Recorder&) { Sleep(5); };
        Begin(*device, recorder);
        CHECK(recorder.WaitForCount(3, 5000));
        std::string name = way;
        if (name == "StopCalibMode")
            device->StopCalibMode();
        else if (name == "CloseDevice")
            device->CloseDevice();
        else
            delete device;
        CHECK(!recorder.inside);
        size_t after = recorder.Count();
        Sleep(60);
        CHECK_EQ(recorder.Count(), after);
        if (name != "delete") {
            device->CloseDevice();
            delete device;
        }
    }
}
