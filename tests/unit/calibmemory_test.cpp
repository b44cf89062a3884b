// What the tools remember of each screen's calibration: the file's round
// trip, lines it cannot take, and how the remembered display stands in a
// layout that changed since.
#include "calibmemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace {

DisplayInfo Display(const char* device, const char* identity, VEL_CALIB_RECT rect, int orientation,
                    int dpi) {
    DisplayInfo info;
    info.device = device;
    info.identity = identity;
    info.rect = rect;
    info.orientation = orientation;
    info.dpi = dpi;
    return info;
}

const char kPortrait[] = "\\\\?\\DISPLAY#ABC1234#5&2f1#1#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";

// The primary and a portrait display left of it.
DesktopLayout TwoDisplays() {
    DesktopLayout layout;
    layout.displays = {Display("\\\\.\\DISPLAY1", "mon-a", {0, 0, 1024, 768}, 0, 96),
                       Display("\\\\.\\DISPLAY2", kPortrait, {-600, 0, 600, 800}, 90, 96)};
    layout.desktop = {-600, 0, 1624, 800};
    return layout;
}

RememberedCalibration OnPortrait() {
    VEL_CALIB_RESULT result;
    std::memset(&result, 0, sizeof result);
    result.nOutcome = VEL_CALIB_VERIFIED;
    result.nDisplay = 2;
    result.nSpace = VEL_CALIB_SPACE_DESKTOP;
    result.space = {-600, 0, 1624, 800};
    result.nVerifyPoints = 5;
    result.dVerifyMeanPx = 0.25;
    result.dVerifyMaxPx = 0.5;
    result.nAccepted = VEL_CALIB_RECORD_HD;
    const float f[8] = {1111.96f, -2.5f, 3.25f, 0.5f, 998.125f, -1.0f, 0.001f, -0.002f};
    std::memcpy(result.fCoefficients, f, sizeof f);
    result.nAttempts = 1;
    return RememberRun("\\\\?\\HID#VID_1234&PID_5678#1", TwoDisplays(), result,
                       "2026-12-09T21:04:05Z");
}

} // namespace

TEST(CalibMemory, KeepsWhatItWroteAndSkipsWhatItCannotRead) {
    const RememberedCalibration entry = OnPortrait();
    std::vector<RememberedCalibration> memory;
    Remember(memory, entry);
    RememberedCalibration other = entry;
    other.device = "\\\\?\\HID#OTHER";
    Remember(memory, other);
    Remember(memory, entry); // in place, not twice
    ASSERT_EQ(memory.size(), 2u);
    const std::string text = FormatMemory(memory) + "[\\\\?\\HID#THIRD]\nspace = sideways\n" +
                             "laterKey = anything\nno equals sign\n";
    std::vector<std::string> problems;
    const std::vector<RememberedCalibration> back = ParseMemory(text, &problems);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(problems.size(), 2u); // the space and the line without '='
    EXPECT_EQ(FormatMemory({back[0], back[1]}), FormatMemory(memory));
    const RememberedCalibration* pFound = Recall(back, "\\\\?\\hid#vid_1234&pid_5678#1");
    ASSERT_NE(pFound, nullptr);
    EXPECT_EQ(pFound->display, kPortrait);
    EXPECT_EQ(pFound->orientation, 90);
    EXPECT_EQ(pFound->nOutcome, uint32_t(VEL_CALIB_VERIFIED));
    EXPECT_EQ(pFound->fCoefficients[0], 1111.96f);
    EXPECT_EQ(pFound->fCoefficients[6], 0.001f);
    EXPECT_EQ(Recall(back, "\\\\?\\HID#NONE"), nullptr);
}

TEST(CalibMemory, TellsHowTheDisplayStandsNow) {
    const RememberedCalibration entry = OnPortrait();
    const struct {
        const char* what;
        void (*change)(DesktopLayout&);
        uint32_t nDisplay; // 0: gone
        const char* texts; // the sentences, joined by '|'
    } kRows[] = {
        {"unchanged", [](DesktopLayout&) {}, 2, ""},
        {"moved right of the primary",
         [](DesktopLayout& l) {
             l.displays[1].rect = {1024, 0, 600, 800};
         },
         2, "display 2 (\\\\.\\DISPLAY2) was -600,0 600x800 and is 1024,0 600x800"},
        {"turned back to landscape",
         [](DesktopLayout& l) {
             l.displays[1].rect = {-800, 0, 800, 600};
             l.displays[1].orientation = 0;
         },
         2,
         "display 2 (\\\\.\\DISPLAY2) was -600,0 600x800 and is -800,0 800x600|"
         "display 2 (\\\\.\\DISPLAY2) was turned 90 degrees and is turned 0"},
        {"at another DPI", [](DesktopLayout& l) { l.displays[1].dpi = 144; }, 2,
         "display 2 (\\\\.\\DISPLAY2) was at 96 DPI and is at 144"},
        {"renumbered, found by its identity",
         [](DesktopLayout& l) {
             std::swap(l.displays[0], l.displays[1]);
             std::swap(l.displays[0].device, l.displays[1].device);
         },
         1, ""},
        {"no identity now: by its device name",
         [](DesktopLayout& l) { l.displays[1].identity.clear(); }, 2, ""},
        {"gone", [](DesktopLayout& l) { l.displays.pop_back(); }, 0,
         "display 2 (\\\\.\\DISPLAY2), calibrated 2026-12-09T21:04:05Z, is gone"},
    };
    for (const auto& row : kRows) {
        DesktopLayout layout = TwoDisplays();
        row.change(layout);
        const DisplayChange change = CompareWithLayout(entry, layout);
        EXPECT_EQ(change.nDisplay, row.nDisplay) << row.what;
        std::string texts;
        for (const std::string& text : ChangeTexts(entry, change, layout))
            texts += (texts.empty() ? "" : "|") + text;
        EXPECT_EQ(texts, row.texts) << row.what;
        EXPECT_EQ(change.Any(), *row.texts != '\0') << row.what;
    }
}
