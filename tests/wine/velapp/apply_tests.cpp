// Editing the touch parameters and double-click settings and applying them,
// as a user does: sliders by mouse and keyboard, check boxes, Apply, the OK box.
#include <string>
#include <vector>

#include "check.h"
#include "resource.h"
#include "panel_driver.h"
#include "simdevice.h"

using namespace panel_test;

namespace {

void FactoryDeviceAndRegistry() {
    simdev::Reset();
    SetMouseText("DoubleClickWidth", "4");
    SetMouseText("DoubleClickSpeed", "500");
}

// Presses Apply, answers the "    OK  " box and waits until the device is closed.
void ApplyAndConfirm(Panel& panel) {
    size_t closes = simdev::CountJournal("CloseDevice");
    ui::ClickButton(panel.hDlg, IDC_BTN_APPLY);
    HWND hBox = ui::WaitForMessageBox(panel.program.pid, 5000, panel.hDlg);
    CHECK(hBox != nullptr);
    CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), "    OK  ");
    CHECK_EQ(ui::Narrow(ui::Text(hBox)), "VelApp");
    ui::CloseMessageBox(hBox);
    CHECK(simdev::WaitForJournal("CloseDevice", closes + 1, 5000));
}

void Exit(Panel& panel) {
    ui::ClickButton(panel.hDlg, IDC_BTN_EXIT);
    CHECK_EQ(panel.program.Wait(), 0);
}

} // namespace

VEL_CASE(SlidersMovedByMouseShowTheirNumberAndApplyFollowsAtRelease) {
    // Every value starts at its slider's lowest end, which the mouse can reach
    // again exactly.
    simdev::Reset();
    const struct {
        const char* key;
        int slider;
        int number;
        int minimum;
        int target;
        bool reevaluates; // the jitter slider has no release handler
    } rows[] = {
        {"touchHeight", IDC_SLD_TOUCH_HEIGHT, IDC_NUM_TOUCH_HEIGHT, 3, 6, true},
        {"touchSmooth", IDC_SLD_TOUCH_SMOOTH, IDC_NUM_TOUCH_SMOOTH, 0, 7, true},
        {"touchDelay", IDC_SLD_TOUCH_DELAY, IDC_NUM_TOUCH_DELAY, 0, 300, true},
        {"rightClickTime", IDC_SLD_RIGHT_CLICK_TIME, IDC_NUM_RIGHT_CLICK_TIME, 1000, 4000, true},
        {"rightClickArea", IDC_SLD_RIGHT_CLICK_AREA, IDC_NUM_RIGHT_CLICK_AREA, 100, 1200, true},
        {nullptr, IDC_SLD_DBLCLK_RANGE, IDC_NUM_DBLCLK_RANGE, 1, 200, true},
        {nullptr, IDC_SLD_DBLCLK_SPEED, IDC_NUM_DBLCLK_SPEED, 1, 800, true},
        {"touchJitter", IDC_SLD_TOUCH_JITTER, IDC_NUM_TOUCH_JITTER, 10, 9000, false},
    };
    for (const auto& row : rows) {
        if (row.key != nullptr)
            simdev::Set(row.key, std::to_string(row.minimum));
    }
    SetMouseText("DoubleClickWidth", "1");
    SetMouseText("DoubleClickSpeed", "1");
    Panel panel;
    Open(panel);
    // Apply starts enabled whatever differs.
    CHECK(ui::Enabled(panel.hDlg, IDC_BTN_APPLY));
    for (const auto& row : rows) {
        CHECK_EQ(ui::SliderPos(panel.hDlg, row.slider), row.minimum);
        int pos = ui::DragSlider(panel.hDlg, row.slider, row.target);
        CHECK(pos > row.minimum);
        CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, row.number)), std::to_string(pos));
        // The jitter slider has no release handler: Apply keeps its state
        // (disabled by the row before).
        CHECK_EQ(ui::Enabled(panel.hDlg, IDC_BTN_APPLY), row.reevaluates);
        // Back to where it started: nothing differs any more.
        pos = ui::DragSlider(panel.hDlg, row.slider, row.minimum);
        CHECK_EQ(pos, row.minimum);
        CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, row.number)), std::to_string(row.minimum));
        if (row.reevaluates)
            CHECK(!ui::Enabled(panel.hDlg, IDC_BTN_APPLY));
    }
    // Multi Mode has no handler of its own either.
    ui::ClickCheck(panel.hDlg, IDC_RAD_MULTI_MODE);
    CHECK(!ui::Enabled(panel.hDlg, IDC_BTN_APPLY));
    // Nothing was sent while editing.
    CHECK_EQ(simdev::CountJournal("SetDriverConfig"), 0u);
    Exit(panel);
    SetMouseText("DoubleClickWidth", "4");
    SetMouseText("DoubleClickSpeed", "500");
}

VEL_CASE(KeyboardMovesTheNumberAtOnceButNotApply) {
    FactoryDeviceAndRegistry();
    simdev::Set("touchDelay", "0");
    Panel panel;
    Open(panel);
    ui::DragSlider(panel.hDlg, IDC_SLD_TOUCH_DELAY, 0); // an unchanged release disables Apply
    CHECK(!ui::Enabled(panel.hDlg, IDC_BTN_APPLY));
    ui::PressKey(panel.hDlg, IDC_SLD_TOUCH_DELAY, VK_RIGHT);
    CHECK_EQ(ui::SliderPos(panel.hDlg, IDC_SLD_TOUCH_DELAY), 1);
    CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_NUM_TOUCH_DELAY)), "1");
    CHECK(!ui::Enabled(panel.hDlg, IDC_BTN_APPLY));
    // The next click on a mode button re-evaluates.
    ui::ClickCheck(panel.hDlg, IDC_RAD_AUTO_MODE);
    CHECK(ui::Enabled(panel.hDlg, IDC_BTN_APPLY));
    Exit(panel);
}

VEL_CASE(EnableCheckBoxesGovernTheirControlsFromTheFirstClickOn) {
    FactoryDeviceAndRegistry();
    simdev::Set("touchEnable", "0");
    simdev::Set("rightClickEnable", "0");
    Panel panel;
    Open(panel);
    const int modes[] = {IDC_RAD_AUTO_MODE, IDC_RAD_DOWN_CLICK_MODE, IDC_RAD_UP_CLICK_MODE,
                         IDC_RAD_MULTI_MODE};
    const int rightClick[] = {IDC_SLD_RIGHT_CLICK_TIME,  IDC_SLD_RIGHT_CLICK_AREA,
                              IDC_LBL_RIGHT_CLICK_TIME,  IDC_LBL_RIGHT_CLICK_AREA,
                              IDC_UNIT_RIGHT_CLICK_TIME, IDC_UNIT_RIGHT_CLICK_AREA,
                              IDC_NUM_RIGHT_CLICK_TIME,  IDC_NUM_RIGHT_CLICK_AREA};
    // At start everything is enabled, whatever the check boxes show.
    CHECK(!ui::Checked(panel.hDlg, IDC_CHK_TOUCH_ENABLE) &&
          !ui::Checked(panel.hDlg, IDC_CHK_RIGHT_CLICK_ENABLE));
    for (int id : modes)
        CHECK(ui::Enabled(panel.hDlg, id));
    for (int id : rightClick)
        CHECK(ui::Enabled(panel.hDlg, id));
    for (bool ticked : {true, false, true}) {
        ui::ClickCheck(panel.hDlg, IDC_CHK_TOUCH_ENABLE);
        ui::ClickCheck(panel.hDlg, IDC_CHK_RIGHT_CLICK_ENABLE);
        CHECK_EQ(ui::Checked(panel.hDlg, IDC_CHK_TOUCH_ENABLE), ticked);
        for (int id : modes)
            CHECK_EQ(ui::Enabled(panel.hDlg, id), ticked);
        for (int id : rightClick)
            CHECK_EQ(ui::Enabled(panel.hDlg, id), ticked);
        CHECK_EQ(ui::Enabled(panel.hDlg, IDC_BTN_APPLY), ticked);
    }
    Exit(panel);
}

VEL_CASE(ApplySendsTheRecordThenConfirmsThenChangesTheMode) {
    FactoryDeviceAndRegistry();
    const std::string factory = simdev::Get("reserved24");
    Panel panel;
    Open(panel);
    CHECK_EQ(ui::KeySlider(panel.hDlg, IDC_SLD_TOUCH_SMOOTH, 8), 8);
    ui::ClickCheck(panel.hDlg, IDC_RAD_UP_CLICK_MODE); // Up Click Mode: index 1
    simdev::ClearJournal();
    ui::ClickButton(panel.hDlg, IDC_BTN_APPLY);
    HWND hBox = ui::WaitForMessageBox(panel.program.pid, 5000, panel.hDlg);
    CHECK(hBox != nullptr);
    CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), "    OK  ");
    CHECK_EQ(ui::Narrow(ui::Text(hBox)), "VelApp");
    // While the box is open the mode is not changed yet.
    CHECK_EQ(Join(CallNames()), "OpenDevice,SetDriverConfig");
    ui::CloseMessageBox(hBox);
    CHECK(simdev::WaitForJournal("CloseDevice", 1, 5000));
    CHECK_EQ(Join(CallNames()), "OpenDevice,SetDriverConfig,ChangeOutPutMode,CloseDevice");
    CHECK(Calls()[2].find("mode=1 ") != std::string::npos);

    std::vector<unsigned char> sent = LastRecord("SetDriverConfig");
    CHECK_EQ(sent.size(), 54u);
    CHECK_EQ(sent[1], 1);  // touchMode
    CHECK_EQ(sent[5], 8);  // touchSmooth
    CHECK_EQ(sent[3], 90); // reserved bytes come back as read
    CHECK_EQ(sent[4], 165);
    CHECK_EQ(simdev::Get("reserved24"), factory);
    CHECK_EQ(simdev::Get("touchSmooth"), "8");
    Exit(panel);
}

VEL_CASE(ApplyWithoutAnOutputModeOrToARefusingDevice) {
    FactoryDeviceAndRegistry();
    simdev::Set("outputMode", "none");
    {
        Panel panel;
        Open(panel);
        simdev::ClearJournal();
        ApplyAndConfirm(panel);
        CHECK_EQ(Join(CallNames()), "OpenDevice,SetDriverConfig,CloseDevice");
        Exit(panel);
    }
    FactoryDeviceAndRegistry();
    simdev::Set("failSetDriverConfig", "1");
    Panel panel;
    Open(panel);
    ui::KeySlider(panel.hDlg, IDC_SLD_DBLCLK_RANGE, 10);
    simdev::ClearJournal();
    ui::ClickButton(panel.hDlg, IDC_BTN_APPLY);
    CHECK(simdev::WaitForJournal("CloseDevice", 1, 5000));
    // No box, no mode change; the registry was written all the same.
    CHECK(ui::WaitForMessageBox(panel.program.pid, 500, panel.hDlg) == nullptr);
    CHECK_EQ(Join(CallNames()), "OpenDevice,SetDriverConfig,CloseDevice");
    std::string width;
    GetMouseValue("DoubleClickWidth", &width);
    CHECK_EQ(width, std::string("10\0", 3));
    Exit(panel);
}

VEL_CASE(DeviceValuesOutsideTheControlsAreShownThenSentClamped) {
    FactoryDeviceAndRegistry();
    simdev::Set("touchHeight", "20");
    simdev::Set("touchMode", "7");
    Panel panel;
    Open(panel);
    CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_NUM_TOUCH_HEIGHT)), "20");
    CHECK_EQ(ui::SliderPos(panel.hDlg, IDC_SLD_TOUCH_HEIGHT), 8);
    for (int id :
         {IDC_RAD_AUTO_MODE, IDC_RAD_DOWN_CLICK_MODE, IDC_RAD_UP_CLICK_MODE, IDC_RAD_MULTI_MODE})
        CHECK(!ui::Checked(panel.hDlg, id));
    simdev::ClearJournal();
    ApplyAndConfirm(panel);
    std::vector<unsigned char> sent = LastRecord("SetDriverConfig");
    CHECK_EQ(sent.size(), 54u);
    CHECK_EQ(sent[22], 8); // touchHeight as the slider holds it
    CHECK_EQ(sent[23], 0);
    CHECK_EQ(sent[1], 0xFF); // no mode button selected
    CHECK(simdev::CountJournal("ChangeOutPutMode mode=-1 ") == 1);
    Exit(panel);
}

VEL_CASE(DoubleClickSettingsTravelBetweenRegistrySlidersAndSystem) {
    FactoryDeviceAndRegistry();
    SetMouseText("DoubleClickWidth", "1000");
    SetMouseNumber("DoubleClickSpeed", 700);
    Panel panel;
    Open(panel);
    // The label tells the truth, the slider stands at its end; a number-typed
    // speed is not taken.
    CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_NUM_DBLCLK_RANGE)), "1000");
    CHECK_EQ(ui::SliderPos(panel.hDlg, IDC_SLD_DBLCLK_RANGE), 500);
    CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_NUM_DBLCLK_SPEED)), "0");
    CHECK_EQ(ui::SliderPos(panel.hDlg, IDC_SLD_DBLCLK_SPEED), 1);
    ApplyAndConfirm(panel);
    std::string text;
    CHECK_EQ(GetMouseValue("DoubleClickWidth", &text), static_cast<DWORD>(REG_SZ));
    CHECK_EQ(text, std::string("500\0", 4));
    // The speed it could not read and the user left alone stays as it was.
    CHECK_EQ(GetMouseValue("DoubleClickSpeed", &text), static_cast<DWORD>(REG_DWORD));
    CHECK_EQ(text, std::string("\xbc\x02\0\0", 4));

    // Once moved, it is written like any other.
    CHECK_EQ(ui::KeySlider(panel.hDlg, IDC_SLD_DBLCLK_RANGE, 10), 10);
    int speed = ui::DragSlider(panel.hDlg, IDC_SLD_DBLCLK_SPEED, 640);
    ApplyAndConfirm(panel);
    CHECK_EQ(GetMouseValue("DoubleClickWidth", &text), static_cast<DWORD>(REG_SZ));
    CHECK_EQ(text, std::string("10\0", 3));
    CHECK_EQ(GetMouseValue("DoubleClickHeight", &text), static_cast<DWORD>(REG_SZ));
    CHECK_EQ(text, std::string("10\0", 3));
    std::vector<int> system = SystemDoubleClick();
    CHECK_EQ(system[0], speed);
    CHECK_EQ(system[1], 10);
    CHECK_EQ(system[2], 10);
    // What was written is the new baseline: a slider moved away and back
    // leaves nothing to apply.
    ui::DragSlider(panel.hDlg, IDC_SLD_TOUCH_HEIGHT, 8);
    CHECK(ui::Enabled(panel.hDlg, IDC_BTN_APPLY));
    ui::KeySlider(panel.hDlg, IDC_SLD_TOUCH_HEIGHT, 5);
    ui::ClickCheck(panel.hDlg, IDC_RAD_AUTO_MODE);
    CHECK(!ui::Enabled(panel.hDlg, IDC_BTN_APPLY));
    Exit(panel);
    SetMouseText("DoubleClickSpeed", "500");
    SetMouseText("DoubleClickWidth", "4");
    SetMouseText("DoubleClickHeight", "4");
}

// A double-click value the registry cannot give (or that was never asked for)
// is shown as 0 at the slider's minimum, and an Apply that changed something
// else neither writes it back nor hands the minimum to the system.
VEL_CASE(AnApplyNeverDegradesADoubleClickValueItCouldNotRead) {
    const std::string tooLong = std::string(27, '0') + "500";
    const struct {
        const char* what;
        bool width; // the hostile value: DoubleClickWidth, else DoubleClickSpeed
        DWORD type; // 0: missing
        std::string bytes;
        const char* box; // at start
        const char* label;
    } rows[] = {
        {"width as a number", true, REG_DWORD, std::string("\4\0\0\0", 4), nullptr, "0"},
        {"width empty", true, REG_SZ, std::string(1, '\0'), nullptr, "0"},
        {"width too long", true, REG_SZ, tooLong + '\0', "Error: RegQueryValueEx DoubleClickWidth",
         "0"},
        {"width missing", true, 0, "", "Error: RegQueryValueEx DoubleClickWidth", "0"},
        {"width zero", true, REG_SZ, std::string("0\0", 2), nullptr, "0"},
        {"width negative", true, REG_SZ, std::string("-3\0", 3), nullptr, "-3"},
        {"width no digits", true, REG_SZ, std::string("abc\0", 4), nullptr, "0"},
        {"width expandable text", true, REG_EXPAND_SZ, std::string("4\0", 2), nullptr, "0"},
        {"speed as a number", false, REG_DWORD, std::string("\xf4\x01\0\0", 4), nullptr, "0"},
        {"speed empty", false, REG_SZ, std::string(1, '\0'), nullptr, "0"},
        {"speed too long", false, REG_SZ, tooLong + '\0', "Error: RegQueryValueEx DoubleClickSpeed",
         "0"},
        {"speed missing", false, 0, "", "Error: RegQueryValueEx DoubleClickSpeed", "0"},
        {"speed zero", false, REG_SZ, std::string("0\0", 2), nullptr, "0"},
        {"speed negative", false, REG_SZ, std::string("-500\0", 5), nullptr, "-500"},
        {"speed as bytes", false, REG_BINARY, std::string("500\0", 4), nullptr, "0"},
    };
    const std::vector<int> kSystemBefore = {430, 7, 7}; // time, width, height
    auto presetSystem = [&] {
        ::SystemParametersInfoW(SPI_SETDOUBLECLICKTIME, kSystemBefore[0], nullptr, 0);
        ::SystemParametersInfoW(SPI_SETDOUBLECLKWIDTH, kSystemBefore[1], nullptr, 0);
        ::SystemParametersInfoW(SPI_SETDOUBLECLKHEIGHT, kSystemBefore[2], nullptr, 0);
    };
    // Applies a changed touch height and reads what the registry and the
    // system hold afterwards.
    auto applyAndCompare = [&](Panel& panel, bool widthKept, bool speedKept) {
        std::string before[3], after[3];
        const char* names[] = {"DoubleClickWidth", "DoubleClickHeight", "DoubleClickSpeed"};
        DWORD typesBefore[3];
        for (int i = 0; i < 3; ++i)
            typesBefore[i] = GetMouseValue(names[i], &before[i]);
        CHECK_EQ(ui::KeySlider(panel.hDlg, IDC_SLD_TOUCH_HEIGHT, 7), 7);
        ApplyAndConfirm(panel);
        CHECK_EQ(simdev::Get("touchHeight"), "7");
        for (int i = 0; i < 3; ++i) {
            const bool kept = i < 2 ? widthKept : speedKept;
            const DWORD type = GetMouseValue(names[i], &after[i]);
            CHECK_EQ(type, kept ? typesBefore[i] : static_cast<DWORD>(REG_SZ));
            CHECK_EQ(after[i], kept ? before[i] : std::string(i < 2 ? "4" : "500") + '\0');
        }
        const std::vector<int> system = SystemDoubleClick();
        CHECK_EQ(system[0], speedKept ? kSystemBefore[0] : 500);
        CHECK_EQ(system[1], widthKept ? kSystemBefore[1] : 4);
        CHECK_EQ(system[2], widthKept ? kSystemBefore[2] : 4);
    };
    for (const auto& row : rows) {
        check::Note(row.what);
        FactoryDeviceAndRegistry();
        SetMouseText("DoubleClickHeight", "4");
        SetMouseValue(row.width ? "DoubleClickWidth" : "DoubleClickSpeed", row.type, row.bytes);
        presetSystem();
        Panel panel;
        ui::Start(panel.program, L"VelApp.exe");
        if (row.box != nullptr) {
            HWND hBox = ui::WaitForMessageBox(panel.program.pid);
            CHECK(hBox != nullptr);
            CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), row.box);
            ui::CloseMessageBox(hBox);
        }
        panel.hDlg = ui::WaitForWindow(panel.program.pid, L"#32770", L"VELTOUCH Control Panel");
        CHECK(panel.hDlg != nullptr);
        ui::Sync(panel.hDlg);
        // Shown as the registry gave it; the other value is read as usual.
        CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg,
                                         row.width ? IDC_NUM_DBLCLK_RANGE : IDC_NUM_DBLCLK_SPEED)),
                 row.label);
        CHECK_EQ(ui::SliderPos(panel.hDlg, row.width ? IDC_SLD_DBLCLK_RANGE : IDC_SLD_DBLCLK_SPEED),
                 1);
        CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg,
                                         row.width ? IDC_NUM_DBLCLK_SPEED : IDC_NUM_DBLCLK_RANGE)),
                 row.width ? "500" : "4");
        applyAndCompare(panel, row.width, !row.width);
        Exit(panel);
    }
    // A start whose parameter read was refused never read the registry.
    check::Note("parameter read refused");
    FactoryDeviceAndRegistry();
    SetMouseText("DoubleClickHeight", "4");
    simdev::Set("failGetDriverConfig", "1");
    presetSystem();
    Panel panel;
    Open(panel);
    CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_NUM_DBLCLK_RANGE)), "0");
    CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_NUM_DBLCLK_SPEED)), "0");
    applyAndCompare(panel, true, true);
    Exit(panel);
    FactoryDeviceAndRegistry();
}

VEL_CASE(AMissingMouseKeyIsReportedTwiceOnApplyAndApplyGoesOn) {
    FactoryDeviceAndRegistry();
    Panel panel;
    Open(panel);
    ui::DragSlider(panel.hDlg, IDC_SLD_DBLCLK_SPEED, 300);
    {
        MouseKeyRemoved removed;
        ui::ClickButton(panel.hDlg, IDC_BTN_APPLY);
        for (int i = 0; i < 2; ++i) {
            HWND hBox = ui::WaitForMessageBox(panel.program.pid, 5000, panel.hDlg);
            CHECK(hBox != nullptr);
            CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), "Error: RegOpenKeyEx");
            ui::CloseMessageBox(hBox);
        }
        HWND hBox = ui::WaitForMessageBox(panel.program.pid, 5000, panel.hDlg);
        CHECK(hBox != nullptr);
        CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), "    OK  ");
        ui::CloseMessageBox(hBox);
        CHECK(simdev::WaitForJournal("CloseDevice", 2, 5000));
    }
    Exit(panel);
}

VEL_CASE(EnterEscapeAndTheCloseBoxEndTheDialogWithoutSaving) {
    const struct {
        const char* way;
        UINT message;
        WPARAM wParam;
        bool toFocus; // a key goes to the focused control
    } rows[] = {
        {"Enter", WM_KEYDOWN, VK_RETURN, true},
        {"Escape", WM_KEYDOWN, VK_ESCAPE, true},
        {"close box", WM_SYSCOMMAND, SC_CLOSE, false},
    };
    for (const auto& row : rows) {
        check::Note(row.way);
        FactoryDeviceAndRegistry();
        Panel panel;
        Open(panel);
        ui::KeySlider(panel.hDlg, IDC_SLD_DBLCLK_SPEED, 700);
        HWND hTarget = row.toFocus ? ::GetDlgItem(panel.hDlg, IDC_SLD_DBLCLK_SPEED) : panel.hDlg;
        ::PostMessageW(hTarget, row.message, row.wParam, 0);
        CHECK_EQ(panel.program.Wait(), 0);
        CHECK_EQ(simdev::CountJournal("SetDriverConfig"), 0u);
        std::string speed;
        GetMouseValue("DoubleClickSpeed", &speed);
        CHECK_EQ(speed, std::string("500\0", 4));
    }
}
