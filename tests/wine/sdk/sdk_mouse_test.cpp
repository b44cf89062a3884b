// Without a script, the simulated device follows the left mouse button.
#include "check.h"
#include "sdk_testing.h"
#include "simdevice.h"

using sdktest::OpenFirst;
using sdktest::Recorder;

namespace {

void Button(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

} // namespace

VEL_CASE(MouseHeldOnTheScreenGivesContactsThenOneRelease) {
    simdev::Reset();
    simdev::Set("panel", "2 0 0 0 1 100 0 0 1");
    Vel_DeviceManager device;
    Recorder recorder(&device);
    CHECK(OpenFirst(device));
    device.StartCalibMode();
    device.RegDataCallback(&Recorder::Callback, &recorder);
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    SetCursorPos(width / 4, height / 2);
    Sleep(100);
    CHECK_EQ(recorder.Count(), size_t(0));

    Button(MOUSEEVENTF_LEFTDOWN);
    CHECK(recorder.WaitForCount(5, 5000));
    Button(MOUSEEVENTF_LEFTUP);
    Sleep(200);
    size_t count = recorder.Count();
    Sleep(100);
    CHECK_EQ(recorder.Count(), count);
    device.UnRegDataCallback();
    device.StopCalibMode();
    device.CloseDevice();

    std::vector<Recorder::Block> blocks = recorder.Blocks();
    CHECK(blocks.size() >= 6);
    for (size_t i = 0; i + 1 < blocks.size(); ++i)
        CHECK(blocks[i].bytes == sdktest::ExpectedReport(true, 16384, 16484));
    CHECK(blocks.back().bytes == sdktest::ExpectedReport(false, 16384, 16484));
}
