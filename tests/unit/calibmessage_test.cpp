// The control panel's Calib on several displays: the options it hands the
// calibration library, and which box (string and arguments) each way a run
// ends gets.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "calibmessage.h"
#include "calibresult.h"
#include "resource.h"

namespace {

const uint32_t kNone = VEL_CALIB_DIAGNOSIS_NONE;
const uint32_t kPrimary = VEL_CALIB_DIAGNOSIS_PRIMARY;
const uint32_t kDisplay = VEL_CALIB_DIAGNOSIS_DISPLAY;
const uint32_t kDesktop = VEL_CALIB_DIAGNOSIS_DESKTOP;
const uint32_t kUnknown = VEL_CALIB_DIAGNOSIS_UNKNOWN;
const uint32_t kInDisplay = VEL_CALIB_SPACE_DISPLAY;
const uint32_t kInPrimary = VEL_CALIB_SPACE_PRIMARY;
const uint32_t kInDesktop = VEL_CALIB_SPACE_DESKTOP;
const uint32_t kVerified = VEL_CALIB_VERIFIED;
const uint32_t kFailed = VEL_CALIB_VERIFY_FAILED;
const double kInfinity = std::numeric_limits<double>::infinity();

// A run's result as far as the box reads it, and the box: its string (0:
// none), its arguments separated by spaces, and whether it warns. The
// primary is display 1 in every row.
struct Row {
    const char* name;
    uint32_t outcome, display, space, diagnosis, diagnosedDisplay;
    double maxPx;
    unsigned string;
    const wchar_t* args;
    bool warning;
};

const Row kRows[] = {
    {"verified", kVerified, 2, kInDisplay, kNone, 0, 0.55, IDS_CALIB_VERIFIED, L"2 5 5 0.6", false},
    {"a whole tenth", kVerified, 2, kInDisplay, kNone, 0, 0.6, IDS_CALIB_VERIFIED, L"2 5 5 0.6",
     false},
    {"over a tenth", kVerified, 3, kInDesktop, kNone, 0, 1.01, IDS_CALIB_VERIFIED, L"3 5 5 1.1",
     false},
    // The driver maps the touch screen elsewhere than where it lies.
    {"on the primary", kFailed, 2, kInDisplay, kPrimary, 1, 310, IDS_CALIB_MAPPED_TO_PRIMARY, L"2",
     true},
    {"on display 3", kFailed, 2, kInDisplay, kDisplay, 3, 900, IDS_CALIB_MAPPED_TO_DISPLAY, L"2 3",
     true},
    {"primary on 2", kFailed, 1, kInPrimary, kDisplay, 2, 900, IDS_CALIB_MAPPED_TO_DISPLAY, L"1 2",
     true},
    {"on the desktop", kFailed, 2, kInDisplay, kDesktop, 0, 500, IDS_CALIB_MAPPED_TO_DESKTOP, L"2",
     true},
    // The range covers the space calibrated for, or the touched display:
    // the touches landed off.
    {"own display", kFailed, 2, kInDisplay, kDisplay, 2, 4.13, IDS_CALIB_TOUCHES_OFF, L"2 4.2",
     true},
    {"primary touched", kFailed, 1, kInDisplay, kPrimary, 1, 2, IDS_CALIB_TOUCHES_OFF, L"1 2.0",
     true},
    {"no space's", kFailed, 2, kInDisplay, kUnknown, 0, 40, IDS_CALIB_TOUCHES_OFF, L"2 40.0", true},
    {"mapped nowhere", kFailed, 2, kInDisplay, kNone, 0, kInfinity, IDS_CALIB_TOUCHES_OFF, L"2 ?",
     true},
    // The other ways out; each of the rest has a sentence of its own.
    {"not identified", VEL_CALIB_NOT_IDENTIFIED, 0, 0, kNone, 0, 0, IDS_CALIB_NOT_IDENTIFIED, L"",
     true},
    {"cancelled", VEL_CALIB_CANCELLED, 2, kInDisplay, kNone, 0, 0, 0, L"", false},
    {"second click", VEL_CALIB_BUSY, 0, 0, kNone, 0, 0, 0, L"", false},
    {"no pointer", VEL_CALIB_VERIFY_NO_POINTER, 2, kInDisplay, kNone, 0, 0,
     IDS_CALIB_VERIFY_NO_POINTER, L"2", true},
    {"undone", VEL_CALIB_VERIFY_UNDONE, 2, kInDisplay, kPrimary, 1, 310,
     IDS_CALIB_MAPPED_TO_PRIMARY, L"2", true},
    {"later outcome", 99, 2, kInDisplay, kNone, 0, 0, IDS_CALIB_UNKNOWN_OUTCOME, L"99", true},
};

std::vector<std::wstring> Words(const std::wstring& text) {
    std::vector<std::wstring> words;
    std::wistringstream in(text);
    for (std::wstring word; in >> word;)
        words.push_back(word);
    return words;
}

TEST(CalibMessage, EachWayARunEndsGetsItsBox) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        VEL_CALIB_RESULT result;
        std::memset(&result, 0, sizeof(result));
        result.cbSize = sizeof(result);
        result.nOutcome = row.outcome;
        result.nDisplay = row.display;
        result.nSpace = row.space;
        result.nDiagnosis = row.diagnosis;
        result.nDiagnosedDisplay = row.diagnosedDisplay;
        result.dVerifyMaxPx = row.maxPx;
        result.nVerifyPoints = row.outcome == kVerified ? panel::kCalibVerifyPoints : 3;
        const panel::CalibMessage message = panel::CalibOutcomeMessage(result);
        EXPECT_EQ(message.nString, row.string);
        EXPECT_EQ(message.args, Words(row.args));
        EXPECT_EQ(message.bWarning, row.warning);
        EXPECT_EQ(message.nAppend,
                  row.outcome == VEL_CALIB_VERIFY_UNDONE ? unsigned(IDS_CALIB_PUT_BACK) : 0u);
    }
}

// What Calib hands StartCalibrateEx passes the library's own check of the
// options, and finds the display by a touch.
TEST(CalibMessage, TheOptionsPassTheLibrarysCheck) {
    const VEL_CALIB_OPTIONS options = panel::SeveralDisplaysCalibOptions();
    CalibSettings settings;
    EXPECT_EQ(CheckOptions(&options, settings), "");
    EXPECT_TRUE(settings.bByTouch);
    EXPECT_EQ(settings.nVerifyPoints, 5);
}

} // namespace
