#include "calibmessage.h"

#include <cmath>

#include "resource.h"

namespace panel {

namespace {

// Outcomes told by one sentence of their own.
const struct {
    uint32_t nOutcome;
    unsigned nString;
    bool bDisplay; // %1 is the display
    bool bWarning;
} kPlainOutcomes[] = {
    {VEL_CALIB_APPLIED, IDS_CALIB_DONE, true, false},
    {VEL_CALIB_CHECKED, IDS_CALIB_DONE, true, false},
    {VEL_CALIB_CHECK_FAILED, IDS_CALIB_CHECK_FAILED, false, true},
    {VEL_CALIB_TIMED_OUT, IDS_CALIB_TIMED_OUT, false, true},
    {VEL_CALIB_REFUSED, IDS_CALIB_REFUSED, false, true},
    {VEL_CALIB_NOT_FITTED, IDS_CALIB_NOT_FITTED, false, true},
    {VEL_CALIB_NO_DEVICE, IDS_CALIB_NO_DEVICE, false, true},
    {VEL_CALIB_BAD_ARGUMENTS, IDS_CALIB_BAD_ARGUMENTS, false, true},
    {VEL_CALIB_VERIFY_NO_POINTER, IDS_CALIB_VERIFY_NO_POINTER, true, true},
    {VEL_CALIB_NOT_IDENTIFIED, IDS_CALIB_NOT_IDENTIFIED, false, true},
};

std::wstring Number(uint32_t n) {
    return std::to_wstring(n);
}

// Pixels with one decimal, rounded up, so that "within" and "up to" hold.
std::wstring Pixels(double value) {
    if (!(value >= 0.0 && value < 1e12))
        return L"?";
    // Not a whole tenth more for the last bits of a product like 0.6 · 10.
    const long long tenths = static_cast<long long>(std::ceil(value * 10.0 - 1e-6));
    const long long n = tenths < 0 ? 0 : tenths;
    return std::to_wstring(n / 10) + L"." + std::to_wstring(n % 10);
}

// Whether the verify touches show the device's range to cover what the run
// took it to cover, or the touched display itself: the driver maps the
// touch screen where it lies, and the touches landed off. Without a
// rectangle of a space to name there is nothing to change in the driver
// either.
bool MappedWhereItLies(const VEL_CALIB_RESULT& r) {
    switch (r.nDiagnosis) {
    case VEL_CALIB_DIAGNOSIS_PRIMARY:
        return r.nSpace == VEL_CALIB_SPACE_PRIMARY || r.nDiagnosedDisplay == r.nDisplay;
    case VEL_CALIB_DIAGNOSIS_DISPLAY:
        return r.nDiagnosedDisplay == r.nDisplay;
    case VEL_CALIB_DIAGNOSIS_DESKTOP:
        return r.nSpace == VEL_CALIB_SPACE_DESKTOP;
    default:
        return true;
    }
}

} // namespace

VEL_CALIB_OPTIONS SeveralDisplaysCalibOptions() {
    VEL_CALIB_OPTIONS options = {};
    options.cbSize = sizeof options;
    options.nTargets = 4;
    options.nDisplay = VEL_CALIB_DISPLAY_TOUCH;
    options.nSpace = VEL_CALIB_SPACE_AUTO;
    options.nVerifyPoints = kCalibVerifyPoints;
    return options;
}

CalibMessage CalibOutcomeMessage(const VEL_CALIB_RESULT& r) {
    const std::wstring display = Number(r.nDisplay);
    switch (r.nOutcome) {
    case VEL_CALIB_CANCELLED:
    case VEL_CALIB_STOPPED:
    case VEL_CALIB_BUSY:
        return {};
    case VEL_CALIB_VERIFIED:
        return {IDS_CALIB_VERIFIED,
                {display, Number(r.nVerifyPoints), Number(r.nVerifyPoints), Pixels(r.dVerifyMaxPx)},
                false};
    case VEL_CALIB_VERIFY_UNDONE: {
        // What the checks showed, and that the calibration was taken back.
        VEL_CALIB_RESULT failed = r;
        failed.nOutcome = VEL_CALIB_VERIFY_FAILED;
        CalibMessage message = CalibOutcomeMessage(failed);
        message.nAppend =
            r.nRestored == VEL_CALIB_RESTORED_RESET ? IDS_CALIB_RESET_BACK : IDS_CALIB_PUT_BACK;
        return message;
    }
    case VEL_CALIB_VERIFY_FAILED:
        if (MappedWhereItLies(r))
            return {IDS_CALIB_TOUCHES_OFF, {display, Pixels(r.dVerifyMaxPx)}, true};
        if (r.nDiagnosis == VEL_CALIB_DIAGNOSIS_PRIMARY)
            return {IDS_CALIB_MAPPED_TO_PRIMARY, {display}, true};
        if (r.nDiagnosis == VEL_CALIB_DIAGNOSIS_DISPLAY)
            return {IDS_CALIB_MAPPED_TO_DISPLAY, {display, Number(r.nDiagnosedDisplay)}, true};
        return {IDS_CALIB_MAPPED_TO_DESKTOP, {display}, true};
    default:
        break;
    }
    for (const auto& row : kPlainOutcomes) {
        if (row.nOutcome == r.nOutcome) {
            CalibMessage message{row.nString, {}, row.bWarning};
            if (row.bDisplay)
                message.args.push_back(display);
            return message;
        }
    }
    return {IDS_CALIB_UNKNOWN_OUTCOME, {Number(r.nOutcome)}, true};
}

} // namespace panel
