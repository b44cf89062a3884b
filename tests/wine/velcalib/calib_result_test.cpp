// StartCalibrateEx as a host calls it: one table of runs on the simulated
// screen, each with its outcome, the figures of its result and what reached
// the device; then the arguments it refuses before any window or device call.
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "Vel_DeviceManager.h"
#include "calibhost.h"
#include "calibresult.h"
#include "check.h"
#include "collecthelper.h"
#include "simdevice.h"
#include "uidriver.h"

using calibhost::Lib;
using calibhost::Run;

namespace {

// A projective distortion with a denominator (as in calib_run_test.cpp).
const char PANEL[] = "0.9 0.03 400 0.02 0.88 350 0.000001 0.000002 1";

std::string Touch(const CalibPoint& point, int dx = 0) {
    return "screen " + std::to_string(point.x + dx) + " " + std::to_string(point.y) + " 4\nlift\n";
}

std::string TouchGrid(unsigned char n) {
    CollectHelper grid(n, CALIB_PATH_TYPE_0);
    std::string script;
    for (int i = 0; i < n; ++i)
        script += Touch(grid.Targets()[i]);
    return script;
}

std::string TouchChecks(int n, int dx = 0) {
    std::string script;
    for (int i = 0; i < n; ++i)
        script += Touch(kCheckTargets[i], dx);
    return script;
}

VEL_CALIB_OPTIONS Options(uint32_t nTargets = 0, uint32_t nChecks = 0, double dLimit = 0,
                          uint32_t nAttempts = 0, uint32_t nIdle = 0) {
    VEL_CALIB_OPTIONS options;
    std::memset(&options, 0, sizeof(options));
    options.cbSize = sizeof(options);
    options.nTargets = nTargets;
    options.nCheckPoints = nChecks;
    options.dMaxCheckError = dLimit;
    options.nAttempts = nAttempts;
    options.nIdleSeconds = nIdle;
    return options;
}

void PostTo(HWND hWnd, UINT message, WPARAM wParam) {
    ::PostMessageW(hWnd, message, wParam, 1);
}

size_t Applied(const char* result) {
    size_t n = 0;
    for (const std::string& line : calibhost::JournalLines("ApplyCalibParam"))
        n += line.size() >= std::strlen(result) &&
             line.compare(line.size() - std::strlen(result), std::strlen(result), result) == 0;
    return n;
}

} // namespace

VEL_CASE(HostedRunsTellTheirOutcome) {
    const calibhost::ExpectedRecords expected = calibhost::ExpectRecords(PANEL);
    CHECK(expected.ok);
    const struct {
        const char* what;
        VEL_CALIB_OPTIONS options;
        const char* refuse; // device.ini switches refuseHd and refuse16 both set
        std::string script;
        std::function<void(Run&)> during;
        int outcome;
        std::function<void(const VEL_CALIB_RESULT&)> check;
    } kRows[] = {
        {"4 targets", Options(), nullptr, TouchGrid(4), nullptr, VEL_CALIB_APPLIED,
         [&](const VEL_CALIB_RESULT& r) {
             CHECK_EQ(r.nAttempts, 1u);
             CHECK_EQ(r.nAccepted, uint32_t(VEL_CALIB_RECORD_HD));
             CHECK_EQ(r.nTargets, 4u);
             CHECK(std::memcmp(r.fCoefficients, expected.matrix_f, sizeof r.fCoefficients) == 0);
             for (int i = 0; i < 4; ++i) {
                 CHECK_EQ(r.targets[i].rawX, expected.rawX[i]);
                 CHECK_EQ(r.targets[i].rawY, expected.rawY[i]);
                 CHECK(r.targets[i].dErrorPx < 0.1);
             }
             CHECK_EQ(r.nScreenWidth, ::GetSystemMetrics(SM_CXSCREEN));
             CHECK_EQ(Applied("-> 1"), 1u);
         }},
        {"9 targets, 5 check points within 2 px", Options(9, 5, 2.0), nullptr,
         TouchGrid(9) + TouchChecks(5), nullptr, VEL_CALIB_CHECKED,
         [](const VEL_CALIB_RESULT& r) {
             CHECK_EQ(r.nTargets, 9u);
             CHECK_EQ(r.nCheckPoints, 5u);
             CHECK(r.dCheckMaxPx < 2.0 && r.dCheckMeanPx <= r.dCheckMaxPx);
             CHECK_EQ(r.checks[4].x, kCheckTargets[4].x);
             CHECK_EQ(r.attempts[0].nEnd, uint32_t(VEL_CALIB_ATTEMPT_CHECKED));
             // The device stays in calibration mode until the last check's lift.
             const std::vector<std::string> journal = simdev::Journal();
             size_t lastReport = 0, unreg = 0;
             for (size_t i = 0; i < journal.size(); ++i) {
                 if (journal[i].rfind("Report ", 0) == 0)
                     lastReport = i;
                 if (journal[i] == "UnRegDataCallback")
                     unreg = i;
             }
             CHECK(lastReport < unreg);
             CHECK_EQ(Applied("-> 1"), 1u);
         }},
        {"a check failed, then passed", Options(4, 2, 2.0), nullptr,
         TouchGrid(4) + TouchChecks(2, 1500) + TouchGrid(4) + TouchChecks(2),
         [](Run&) {
             HWND hBox = ui::WaitForMessageBox(::GetCurrentProcessId(), 15000);
             CHECK(hBox != nullptr);
             const std::string text = ui::Narrow(ui::MessageBoxText(hBox));
             CHECK(text.rfind("Check failed: the largest error was ", 0) == 0);
             CHECK(text.find(" pixels, more than the 2.0 allowed; please calibrate again.") !=
                   std::string::npos);
             ui::CloseMessageBox(hBox);
         },
         VEL_CALIB_CHECKED,
         [](const VEL_CALIB_RESULT& r) {
             CHECK_EQ(r.nAttempts, 2u);
             CHECK_EQ(r.attempts[0].nEnd, uint32_t(VEL_CALIB_ATTEMPT_CHECK_FAILED));
             CHECK(r.attempts[0].dCheckMaxPx > 30.0);
             CHECK_EQ(r.attempts[1].nEnd, uint32_t(VEL_CALIB_ATTEMPT_CHECKED));
             CHECK(r.dCheckMaxPx < 2.0);
             CHECK_EQ(Applied("-> 1"), 2u);
         }},
        {"a check failed with no attempt left", Options(4, 2, 2.0, 1), nullptr,
         TouchGrid(4) + TouchChecks(2, 1500), nullptr, VEL_CALIB_CHECK_FAILED,
         [](const VEL_CALIB_RESULT& r) {
             CHECK_EQ(r.nAttempts, 1u);
             CHECK(r.dCheckMaxPx > 30.0);
             CHECK_EQ(r.nAccepted, uint32_t(VEL_CALIB_RECORD_HD)); // it stays written
         }},
        {"Escape", Options(), nullptr, "waitfor never\n",
         [](Run& run) { PostTo(run.Window(), WM_KEYDOWN, VK_ESCAPE); }, VEL_CALIB_CANCELLED,
         [](const VEL_CALIB_RESULT& r) {
             CHECK_EQ(r.nAttempts, 0u);
             CHECK_EQ(Applied(""), 0u);
         }},
        {"StopCalibrate", Options(), nullptr, "waitfor never\n",
         [](Run& run) {
             CHECK(run.Window() != nullptr);
             Lib().StopCalibrate();
         },
         VEL_CALIB_STOPPED, nullptr},
        {"idle timeout of 1 s", Options(0, 0, 0, 0, 1), nullptr, "waitfor never\n", nullptr,
         VEL_CALIB_TIMED_OUT, nullptr},
        {"refused, one attempt", Options(0, 0, 0, 1), "1", TouchGrid(4), nullptr, VEL_CALIB_REFUSED,
         [](const VEL_CALIB_RESULT& r) {
             CHECK_EQ(r.nAccepted, uint32_t(VEL_CALIB_RECORD_NONE));
             CHECK_EQ(Applied("-> 0"), 2u);
         }},
        {"no calibration in the touches, one attempt", Options(0, 0, 0, 1), nullptr,
         Touch(kCheckTargets[0]) + Touch(kCheckTargets[0], 1) + Touch(kCheckTargets[0], 2) +
             Touch(kCheckTargets[0], 3),
         nullptr, VEL_CALIB_NOT_FITTED, [](const VEL_CALIB_RESULT&) { CHECK_EQ(Applied(""), 0u); }},
        {"busy: a second start of either kind", Options(), nullptr, "waitfor never\n",
         [](Run& run) {
             CHECK(run.Window() != nullptr);
             VEL_CALIB_OPTIONS options = Options();
             VEL_CALIB_RESULT result = {};
             result.cbSize = sizeof(result);
             const std::wstring path = calibhost::DevicePath();
             CHECK_EQ(Lib().StartCalibrateEx(nullptr, path.c_str(), &options, &result),
                      VEL_CALIB_BUSY);
             CHECK_EQ(result.nOutcome, uint32_t(VEL_CALIB_BUSY));
             std::wstring copy = path;
             const DWORD start = ::GetTickCount();
             Lib().StartCalibrate(nullptr, &copy[0]);
             CHECK(::GetTickCount() - start < 1000);
             CHECK_EQ(calibhost::CalibrationWindows().size(), 1u);
             Lib().StopCalibrate();
         },
         VEL_CALIB_STOPPED, nullptr},
    };
    for (const auto& row : kRows) {
        check::Note(row.what);
        simdev::Reset();
        simdev::Set("panel", PANEL);
        if (row.refuse != nullptr) {
            simdev::Set("refuseHd", row.refuse);
            simdev::Set("refuse16", row.refuse);
        }
        simdev::WriteScript(row.script);
        Run run(row.options);
        if (row.during)
            row.during(run);
        CHECK(run.WaitDone(20000));
        CHECK(!Lib().IsCalibrate());
        CHECK_EQ(run.Outcome(), row.outcome);
        CHECK_EQ(run.Result().nOutcome, uint32_t(row.outcome));
        if (row.check)
            row.check(run.Result());
        calibhost::CheckRunsReleasedOnce(1);
    }
}

// Refused before any window or device call, with the outcome in the result
// where there is one.
VEL_CASE(BadArgumentsAreRefusedBeforeAnyWindow) {
    simdev::Reset();
    const std::wstring path = calibhost::DevicePath();
    simdev::ClearJournal();
    const std::wstring tooLong(VEL_MAX_PATH, L'x');
    const struct {
        const char* what;
        std::function<void(VEL_CALIB_OPTIONS&, VEL_CALIB_RESULT&)> change;
        bool nullOptions, nullResult;
        const wchar_t* path;
    } kRows[] = {
        {"no options", nullptr, true, false, path.c_str()},
        {"no result", nullptr, false, true, path.c_str()},
        {"short options", [](VEL_CALIB_OPTIONS& o, VEL_CALIB_RESULT&) { o.cbSize = 16; }, false,
         false, path.c_str()},
        {"short result", [](VEL_CALIB_OPTIONS&, VEL_CALIB_RESULT& r) { r.cbSize = 100; }, false,
         false, path.c_str()},
        {"7 targets", [](VEL_CALIB_OPTIONS& o, VEL_CALIB_RESULT&) { o.nTargets = 7; }, false, false,
         path.c_str()},
        {"a negative limit",
         [](VEL_CALIB_OPTIONS& o, VEL_CALIB_RESULT&) { o.dMaxCheckError = -0.5; }, false, false,
         path.c_str()},
        {"no path", nullptr, false, false, nullptr},
        {"a path of 260 characters", nullptr, false, false, tooLong.c_str()},
    };
    for (const auto& row : kRows) {
        check::Note(row.what);
        VEL_CALIB_OPTIONS options = Options();
        VEL_CALIB_RESULT result;
        std::memset(&result, 0, sizeof(result));
        result.cbSize = sizeof(result);
        if (row.change)
            row.change(options, result);
        const int outcome =
            Lib().StartCalibrateEx(nullptr, row.path, row.nullOptions ? nullptr : &options,
                                   row.nullResult ? nullptr : &result);
        CHECK_EQ(outcome, VEL_CALIB_BAD_ARGUMENTS);
        if (!row.nullResult && result.cbSize == sizeof(result))
            CHECK_EQ(result.nOutcome, uint32_t(VEL_CALIB_BAD_ARGUMENTS));
        CHECK(!Lib().IsCalibrate());
    }
    CHECK(simdev::Journal().empty());
    CHECK(calibhost::CalibrationWindows().empty());
}
