// velctl's command line: the commands, their options and operands, the help
// texts and the exit codes.
#pragma once

#include <string>
#include <vector>

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
    CheckSdk
};

// What the program ends with.
enum ExitCode {
    kExitOk = 0,
    kExitUsage = 1,        // unknown command or option, operands missing or too many
    kExitBadValue = 2,     // unknown setting, value not a number or out of range, bad profile
    kExitNoScreen = 3,     // no screen, several screens, or --device names none of them
    kExitDevice = 4,       // the device refused a read or a write
    kExitFileOrSystem = 5, // a file or the registry could not be read or written
    kExitLibrary = 6       // SDK.dll is missing, of the other architecture, or incomplete
};

struct Invocation {
    Command command = Command::None;
    bool help = false; // --help, or "help COMMAND": the command's help
    bool json = false;
    bool hasDevice = false;
    std::string device; // --device PATH
    std::vector<std::string> operands;
    int rotation = -1; // rotate: index into the orientation cycle
};

// Reads the arguments (without the program's name); "" when they are fine,
// else a message. Options may stand anywhere; "--" ends them.
std::string ParseCommandLine(const std::vector<std::string>& args, Invocation& invocation);

// The help of a command; Command::None or Help: the tool's.
std::string HelpText(Command command);

// Operands of rotate, in the order of the orientation cycle.
extern const char* const kRotations[6];

} // namespace ctl
