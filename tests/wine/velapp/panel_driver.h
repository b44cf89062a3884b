// Starting the control panel against the simulated screen and reading what
// reached the device and the registry.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "mousereg.h"
#include "uidriver.h"

namespace panel_test {

// The control panel's main dialog as the user sees it.
struct Panel {
    ui::Program program;
    HWND hDlg = nullptr;
};

// Starts VelApp and waits for its dialog to show.
void Open(Panel& panel);

// Journal lines whose operation is one of the device calls (no reports).
std::vector<std::string> Calls();
// The operation names of Calls(), in order.
std::vector<std::string> CallNames();
// The bytes of the last "<op> bytes=<hex>" line of that operation.
std::vector<unsigned char> LastRecord(const std::string& op);

// The user's Control Panel\Mouse values.
using mousereg::GetMouseValue;
using mousereg::SetMouseNumber;
using mousereg::SetMouseText;
using mousereg::SetMouseValue;
// Removes the key for a test and puts the saved values back afterwards.
class MouseKeyRemoved {
public:
    MouseKeyRemoved();
    ~MouseKeyRemoved();

private:
    std::string m_width, m_height, m_speed;
};

// The double-click time and rectangle a newly started process gets from the
// system: {time, width, height}.
std::vector<int> SystemDoubleClick();

std::string Join(const std::vector<std::string>& items);

} // namespace panel_test
