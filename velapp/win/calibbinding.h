// The control panel's binding to VelCalib.dll, the calibration library.
//
// Only Calib needs the library, so StartCalibrate and StartCalibrateEx (for
// a computer with several displays) are delayed imports: the program starts
// without loading the library (nor what the library loads), and a library
// that is missing or cannot be used stops Calib alone, with a message that
// names the file and says what to do. The library is taken from the
// program's own folder, never from the current folder or PATH.
#pragma once

#include <string>
#include <vector>

// "" when the VelCalib.dll beside the program is loaded and offers
// StartCalibrate, and StartCalibrateEx when the computer has several
// displays (the only time Calib calls it): only then may they be called. Else
// the message for the user, in the language of the user interface. Until a
// load succeeds, each call tries again, so a library put in place meanwhile
// is taken at the next click.
std::wstring CalibLibraryProblem(bool bSeveralDisplays);

// A string of the table, in the language of the user interface, with %1,
// %2… replaced by the arguments in their order.
std::wstring FormatString(unsigned nID, const std::vector<std::wstring>& args);
