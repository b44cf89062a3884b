// velctl's command line: the commands, their options and operands, the help
// texts and the exit codes.
#pragma once

#include <string>
#include <vector>

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

namespace ctl {

enum class Command {
    None,
    Help,
    List,
    Show,
    Set,
    Export,
    Import,
    Rotate,
    Reset,
    Calibrate,
    CheckSdk,
    Displays,
    Identify,
    Watch,
    Record,
    Check,
    ExitCodes // a help topic only: velctl help exit-codes
};

// What the program ends with; exitcodes.h tells each in words, with the
// commands that end with it.
enum ExitCode {
    kExitOk = 0,
    kExitUsage = 1,        // unknown command or option, operands missing or too many
    kExitBadValue = 2,     // unknown setting, value not a number or out of range, bad profile
    kExitNoScreen = 3,     // no screen, several screens, or --device names none of them
    kExitDevice = 4,       // the device refused a read or a write
    kExitFileOrSystem = 5, // a file or the registry could not be read or written
    kExitLibrary = 6,      // SDK.dll is missing, of the other architecture, or incomplete
    // calibrate: how the run ended (also 0, 2, 3 and 4 above)
    kExitCheckFailed = 7,      // the check points lay beyond --max-error in the last attempt
    kExitCancelled = 8,        // the user ended it (Escape)
    kExitStopped = 9,          // another program ended it
    kExitTimedOut = 10,        // no touch for the idle time
    kExitBusy = 11,            // another calibration runs in the process
    kExitNotFitted = 12,       // the touches made no calibration in the last attempt
    kExitVerifyFailed = 13,    // a verify touch landed beyond --max-verify-error
    kExitVerifyNoPointer = 14, // the verify step could not hold the system's pointer
    kExitNotIdentified = 15,   // identify, calibrate --display touch: no page was touched
    kExitVerifyUndone = 16,    // a verify touch landed beyond --max-verify-error, and what
                               // was in force before the run was put back
    // check: what changed since the calibration remembered for the screen, the
    // first found in this order (above 16, so that no calibrate code clashes)
    kExitNotRemembered = 20,  // nothing remembered for the screen, nor for any other path
    kExitPathChanged = 21,    // nothing for its device path, something for another
    kExitDisplayGone = 22,    // the display it was calibrated on is gone
    kExitDisplayTurned = 23,  // ... has another orientation
    kExitDisplayResized = 24, // ... another resolution
    kExitDisplayMoved = 25,   // ... another place on the desktop
    kExitDisplayRescaled = 26 // ... another DPI
};

struct Invocation {
    Command command = Command::None;
    bool help = false;    // --help, -h, /? or "help COMMAND": the command's help
    bool version = false; // --version
    bool json = false;
    bool hasDevice = false;
    std::string device; // --device PATH
    std::vector<std::string> operands;
    int rotation = -1;               // rotate: index into the orientation cycle
    int seconds = -1;                // watch, record: --seconds N; -1: until Ctrl+C
    bool calibrateOnFailure = false; // check --calibrate
    // calibrate: --targets, --checks, --max-error, --attempts, --timeout,
    // --display, --space, --verify, --max-verify-error, --keep-unverified (a
    // flag); with --display touch and for identify (which sets the display and
    // the flag): --page-seconds, --rounds
    VEL_CALIB_OPTIONS calibration = {
        sizeof(VEL_CALIB_OPTIONS), 0, 0, 0, 0.0, 0, 0, 0, 0, 0, 0, 0.0, 0, 0, 0, 0};
};

// Reads the arguments (without the program's name); "" when they are fine,
// else a message, and in *pExitCode the code it ends with: kExitBadValue for
// a value that is out of range, not a number or not one of its words,
// kExitUsage for anything else. Options may stand anywhere; "--" ends them.
// Command names and the words of values ignore ASCII case.
std::string ParseCommandLine(const std::vector<std::string>& args, Invocation& invocation,
                             int* pExitCode = nullptr);

// calibrate's and identify's options in their ranges and together: "", or
// what is wrong.
std::string CheckCalibrateOptions(const Invocation& invocation);

// The help of a command or topic, with the exit codes it ends with;
// Command::None or Help: the tool's.
std::string HelpText(Command command);

// What --version prints: "velctl 1.2.3.4 x64" and a line end.
std::string VersionText(const std::string& architecture);

// The commands, in the order the tool's help lists them (no help topic), and
// the word that names each.
const std::vector<Command>& AllCommands();
const char* CommandName(Command command);

// Operands of rotate, in the order of the orientation cycle.
extern const char* const kRotations[6];

// What rotate prints once the screen took at least one of the orientation's
// records (bHd: the single-precision one, b16: the 16-bit one).
std::string RotateText(int rotation, bool bHd, bool b16);

} // namespace ctl
