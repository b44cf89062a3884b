// The control panel as a user meets it at start: with one screen, with
// none or several, with a device that does not answer, in English and Chinese.
#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "check.h"
#include "resource.h"
#include "panel_driver.h"
#include "simdevice.h"

using namespace panel_test;

namespace {

// What each track bar and its number show with the factory device and the
// registry at width 4, speed 500.
const struct {
    int slider;
    int number;
    int pos;
    int minimum;
    int maximum;
} kShownAtStart[] = {
    {IDC_SLD_TOUCH_HEIGHT, IDC_NUM_TOUCH_HEIGHT, 5, 3, 8},
    {IDC_SLD_TOUCH_SMOOTH, IDC_NUM_TOUCH_SMOOTH, 5, 0, 10},
    {IDC_SLD_TOUCH_DELAY, IDC_NUM_TOUCH_DELAY, 100, 0, 500},
    {IDC_SLD_TOUCH_JITTER, IDC_NUM_TOUCH_JITTER, 200, 10, 15000},
    {IDC_SLD_RIGHT_CLICK_TIME, IDC_NUM_RIGHT_CLICK_TIME, 2000, 1000, 5000},
    {IDC_SLD_RIGHT_CLICK_AREA, IDC_NUM_RIGHT_CLICK_AREA, 500, 100, 1500},
    {IDC_SLD_DBLCLK_RANGE, IDC_NUM_DBLCLK_RANGE, 4, 1, 500},
    {IDC_SLD_DBLCLK_SPEED, IDC_NUM_DBLCLK_SPEED, 500, 1, 1000},
};

// Template texts that no caption replaces.
const struct {
    int id;
    const char* text;
} kFixedTexts[] = {
    {IDC_LBL_BANNER, "Touch Control Panel"},
    {IDC_LBL_TOUCH_JITTER, "Touch Jitter"},
    {IDC_UNIT_TOUCH_DELAY, "ms"},
    {IDC_UNIT_RIGHT_CLICK_TIME, "ms"},
    {IDC_UNIT_RIGHT_CLICK_AREA, "(1/32767)"},
    {IDC_UNIT_DBLCLK_RANGE, "Pixel"},
    {IDC_UNIT_DBLCLK_SPEED, "ms"},
    {IDC_UNIT_TOUCH_JITTER, "1/32767"},
    {IDC_BTN_ROTATE, "旋转90度"},
};

// Whether the dialog font links to the CJK font, so that Chinese text renders
// instead of boxes. Wine rewrites the links when the code page changes; the
// test runner puts them back before every start, in its locale.
bool DialogFontLinksACjkFont() {
    wchar_t links[512] = {};
    DWORD size = sizeof(links) - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE,
                       L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink",
                       L"MS Sans Serif", RRF_RT_REG_MULTI_SZ, nullptr, links,
                       &size) != ERROR_SUCCESS)
        return false;
    for (const wchar_t* p = links; *p != 0; p += wcslen(p) + 1) {
        if (_wcsnicmp(p, L"wqy-microhei.ttc,", 17) == 0)
            return true;
    }
    return false;
}

void StartWithFactoryDevice() {
    CHECK(DialogFontLinksACjkFont());
    simdev::Reset();
    SetMouseText("DoubleClickWidth", "4");
    SetMouseText("DoubleClickSpeed", "500");
}

} // namespace

VEL_CASE(OneScreenShowsTheDevicesAndTheRegistrysValues) {
    StartWithFactoryDevice();
    Panel panel;
    Open(panel);
    CHECK_EQ(ui::Narrow(ui::Text(panel.hDlg)), "VELTOUCH Control Panel");
    for (const auto& row : kShownAtStart) {
        CHECK_EQ(ui::SliderPos(panel.hDlg, row.slider), row.pos);
        CHECK_EQ(ui::SliderMin(panel.hDlg, row.slider), row.minimum);
        CHECK_EQ(ui::SliderMax(panel.hDlg, row.slider), row.maximum);
        CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, row.number)), std::to_string(row.pos));
    }
    CHECK(ui::Checked(panel.hDlg, IDC_CHK_TOUCH_ENABLE));
    CHECK(ui::Checked(panel.hDlg, IDC_CHK_RIGHT_CLICK_ENABLE));
    // touchMode 2 is the third radio button in template order: Auto Mode.
    CHECK(ui::Checked(panel.hDlg, IDC_RAD_AUTO_MODE));
    CHECK(!ui::Checked(panel.hDlg, IDC_RAD_DOWN_CLICK_MODE) &&
          !ui::Checked(panel.hDlg, IDC_RAD_UP_CLICK_MODE) &&
          !ui::Checked(panel.hDlg, IDC_RAD_MULTI_MODE));
    for (const auto& row : kFixedTexts)
        CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, row.id)), row.text);
    CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_LBL_TOUCH_HEIGHT)), "Touch Heigt");
    CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_CHK_RIGHT_CLICK_ENABLE)),
             "Enbale Right Click");
    CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_GRP_RIGHT_CLICK)),
             "Mouse Right Click Setting");
    CHECK(ui::Enabled(panel.hDlg, IDC_BTN_APPLY));

    CHECK_EQ(Join(CallNames()), "EnumDevice,OpenDevice,GetDriverConfig,GetOutPutMode,CloseDevice");
    CHECK(Calls()[1].find("-> ok") != std::string::npos);

    // A scroll message from a control that is no track bar, with an id or
    // without one, counts as the jitter track bar's: its number follows it.
    HWND hNoId = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, panel.hDlg, nullptr,
                                   nullptr, nullptr);
    CHECK(hNoId != nullptr && ::GetDlgCtrlID(hNoId) == 0);
    int position = 300;
    for (HWND hFrom : {hNoId, ::GetDlgItem(panel.hDlg, IDC_BTN_APPLY)}) {
        ::SendDlgItemMessageW(panel.hDlg, IDC_SLD_TOUCH_JITTER, TBM_SETPOS, TRUE, position);
        ::SendMessageW(panel.hDlg, WM_HSCROLL, SB_ENDSCROLL, reinterpret_cast<LPARAM>(hFrom));
        CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_NUM_TOUCH_JITTER)),
                 std::to_string(position));
        CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_NUM_TOUCH_HEIGHT)), "5");
        position += 100;
    }
    ::DestroyWindow(hNoId);

    // Exit ends the program; nothing more reaches the device.
    ui::ClickButton(panel.hDlg, IDC_BTN_EXIT);
    CHECK_EQ(panel.program.Wait(), 0);
    CHECK_EQ(CallNames().size(), 5u);
}

VEL_CASE(ChineseUserInterfaceTakesTheChineseCaptions) {
    StartWithFactoryDevice();
    Panel panel;
    Open(panel);
    CHECK_EQ(ui::Narrow(ui::Text(panel.hDlg)), "TOUCH 控制面板");
    const struct {
        int id;
        const char* text;
    } captions[] = {
        {IDC_GRP_TOUCH_PARAM, "触摸参数"},
        {IDC_CHK_TOUCH_ENABLE, "触摸使能"},
        {IDC_RAD_AUTO_MODE, "自动识别"},
        {IDC_RAD_UP_CLICK_MODE, "鼠标抬笔"},
        {IDC_RAD_DOWN_CLICK_MODE, "鼠标落笔"},
        {IDC_LBL_TOUCH_HEIGHT, "触摸高度"},
        {IDC_LBL_TOUCH_SMOOTH, "平  滑  度"},
        {IDC_LBL_TOUCH_DELAY, "触摸延时"},
        {IDC_GRP_RIGHT_CLICK, "鼠标右键参数"},
        {IDC_CHK_RIGHT_CLICK_ENABLE, "使能右键"},
        {IDC_LBL_RIGHT_CLICK_TIME, "右键启动保持时间"},
        {IDC_LBL_RIGHT_CLICK_AREA, "右键启动抖动冗余"},
        {IDC_GRP_DOUBLE_CLICK, "鼠标双击设置"},
        {IDC_LBL_DBLCLK_RANGE, "双击抖动冗余"},
        {IDC_LBL_DBLCLK_SPEED, "双击间隔时间"},
        {IDC_BTN_ABOUT, "关于"},
        {IDC_BTN_CALIB, "校正"},
        {IDC_BTN_RESET, "重置"},
        {IDC_BTN_APPLY, "应用"},
        {IDC_BTN_EXIT, "退出"},
        {IDC_RAD_MULTI_MODE, "多点触摸"},
    };
    for (const auto& row : captions)
        CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, row.id)), row.text);
    for (const auto& row : kFixedTexts)
        CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, row.id)), row.text);
    ui::ClickButton(panel.hDlg, IDC_BTN_EXIT);
    CHECK_EQ(panel.program.Wait(), 0);
}

VEL_CASE(NoScreenOrSeveralEndTheProgramWithAMessage) {
    const struct {
        const char* count;
        const char* message;
    } rows[] = {
        {"0", "No Any TouchScreen Connect The Host"},
        {"-1", "No Any TouchScreen Connect The Host"},
        {"2", "More Than One TouchScreen Connect The Host"},
        // More entries than the record holds cannot be trusted.
        {"30", "More Than One TouchScreen Connect The Host"},
    };
    for (const auto& row : rows) {
        simdev::Reset();
        simdev::Set("deviceCount", row.count);
        ui::Program program;
        ui::Start(program, L"VelApp.exe");
        HWND hBox = ui::WaitForMessageBox(program.pid);
        CHECK(hBox != nullptr);
        CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), row.message);
        CHECK_EQ(ui::Narrow(ui::Text(hBox)), "VelApp");
        // Only the box is on screen: the dialog itself is never shown.
        CHECK_EQ(ui::Windows(program.pid, L"#32770").size(), 1u);
        ui::CloseMessageBox(hBox);
        CHECK_EQ(program.Wait(), 0);
        CHECK_EQ(Join(CallNames()), "EnumDevice");
    }
}

VEL_CASE(ARefusedParameterReadLeavesEveryControlAtItsMinimum) {
    StartWithFactoryDevice();
    simdev::Set("failGetDriverConfig", "1");
    SetMouseText("DoubleClickWidth", "77");
    Panel panel;
    Open(panel);
    for (const auto& row : kShownAtStart) {
        CHECK_EQ(ui::SliderPos(panel.hDlg, row.slider), row.minimum);
        CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, row.number)), "0");
    }
    CHECK(!ui::Checked(panel.hDlg, IDC_CHK_TOUCH_ENABLE));
    // touchMode 0 still selects the first radio button.
    CHECK(ui::Checked(panel.hDlg, IDC_RAD_DOWN_CLICK_MODE));
    // The output mode is still asked for; the registry was not read.
    CHECK_EQ(Join(CallNames()), "EnumDevice,OpenDevice,GetDriverConfig,GetOutPutMode,CloseDevice");
    ui::ClickButton(panel.hDlg, IDC_BTN_EXIT);
    CHECK_EQ(panel.program.Wait(), 0);
}

VEL_CASE(AnUnterminatedDevicePathIsCutTo259Characters) {
    StartWithFactoryDevice();
    simdev::Set("pathUnterminated", "1");
    Panel panel;
    Open(panel);
    std::string open = Calls()[1];
    std::string path = open.substr(open.find("path=") + 5);
    path = path.substr(0, path.rfind(" -> "));
    CHECK_EQ(path.size(), 259u);
    CHECK(open.find("-> ok") != std::string::npos);
    ui::ClickButton(panel.hDlg, IDC_BTN_EXIT);
    CHECK_EQ(panel.program.Wait(), 0);
}

VEL_CASE(AMissingMouseKeyIsReportedOnceAtStart) {
    StartWithFactoryDevice();
    MouseKeyRemoved removed;
    ui::Program program;
    ui::Start(program, L"VelApp.exe");
    HWND hBox = ui::WaitForMessageBox(program.pid);
    CHECK(hBox != nullptr);
    CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), "Error: RegOpenKeyEx");
    CHECK_EQ(ui::Narrow(ui::Text(hBox)), "VelApp");
    ui::CloseMessageBox(hBox);
    HWND hDlg = ui::WaitForWindow(program.pid, L"#32770", L"VELTOUCH Control Panel");
    CHECK(hDlg != nullptr);
    CHECK(ui::WaitForMessageBox(program.pid, 500, hDlg) == nullptr);
    CHECK_EQ(ui::SliderPos(hDlg, IDC_SLD_DBLCLK_RANGE), 1);
    ui::ClickButton(hDlg, IDC_BTN_EXIT);
    CHECK_EQ(program.Wait(), 0);
}
