#include "cmdline.h"

#include <cstring>

#include "settings.h"

namespace ctl {

const char* const kRotations[6] = {"90", "180", "270", "mirror-x", "mirror-y", "none"};

namespace {

struct CommandSpec {
    Command command;
    const char* name;
    size_t minOperands;
    size_t maxOperands;
    const char* operands; // what the operands are, for messages
    bool json;            // takes --json
    const char* help;
};

const char kToolHelp[] = R"(usage: velctl [--device PATH] COMMAND [ARGUMENTS]

Sets up the touch screen from the command line, as the control panel does.

commands:
  list [--json]        the screens found: their count and device paths
  show [--json]        every setting with its unit and range, the output mode
                       and the double-click settings
  set NAME=VALUE...    changes settings (velctl help set lists them)
  export FILE          writes every setting to an INI profile
  import FILE          applies a profile: all of it, or nothing
  rotate ORIENTATION   turns or mirrors the touch coordinates:
                       90, 180, 270, mirror-x, mirror-y or none
  reset                drops the calibration
  calibrate            runs the calibration window; returns when it is over
  check-sdk [FILE]     tells whether the tools can use a device library
                       (default: the SDK.dll beside velctl)
  help [COMMAND]       this text, or a command's

options:
  --device PATH        the screen to use when several are connected (see list)
  --help               the help of the tool, or of the command it follows

Every command but list, check-sdk and help needs exactly one screen
connected, or --device naming one of those connected.

exit codes:
  0  done
  1  unknown command or option, operands missing or too many
  2  unknown setting, value not a number or out of range, bad profile
  3  no screen, several screens, or none with the path of --device
  4  the device refused to give its settings or to take what was sent
  5  a file or the registry could not be read or written
  6  SDK.dll is missing, of the other architecture or lacks a member (the
     message says which; velctl check-sdk tells more)
)";

const char kListHelp[] = R"(usage: velctl list [--json]

Prints how many screens the device library finds and their device paths, one a
line (with --json, an object {"count": N, "paths": [...]}). Needs no screen:
with none it prints a count of 0 and ends with 0.
)";

const char kShowHelp[] = R"(usage: velctl [--device PATH] show [--json]

Prints every touch parameter of the screen by name with its value, range and
unit, the device's output mode, and the double-click settings: as the registry
holds them and as the system uses them now. A value outside its range is
marked. The device cannot report its orientation, so show does not guess it.
With --json the same as one JSON object.
)";

const char kImportHelp[] = R"(usage: velctl [--device PATH] import FILE

Applies an INI profile such as export writes. The whole file is checked before
anything is written: each bad line is reported with its number and nothing is
written. A profile may name only some settings; the others stay as they are.
It is written as set writes (velctl help set).
)";

const char kExportHelp[] = R"(usage: velctl [--device PATH] export FILE

Writes every setting of the screen to FILE as an INI profile (UTF-8):

  [touch]
  touchEnable = 1
  ...
  [doubleClick]
  doubleClickRange = 4
  doubleClickSpeed = 500

Lines starting with # or ; are comments. The double-click settings come from
the registry, or from the system where the registry holds none. A device value
outside its range is written as it is, with a warning: import refuses it.
)";

const char kRotateHelp[] = R"(usage: velctl [--device PATH] rotate 90|180|270|mirror-x|mirror-y|none

Sends the screen the coefficient set of that orientation, as the control
panel's orientation button does: the single-precision record, then the 16-bit
record. The set replaces the calibration; none sends the identity. Ends with 4
when the device refuses both records.
)";

const char kResetHelp[] = R"(usage: velctl [--device PATH] reset

Tells the screen to drop its calibration. Prints "Reset Success." or
"Reset Failed." (exit code 4).
)";

const char kCalibrateHelp[] = R"(usage: velctl [--device PATH] calibrate

Runs a calibration of the screen through VelCalib.dll: a window covering the
primary screen shows four targets to touch in turn; Escape ends it. Returns
when the window has closed. The calibration library reports no result, so the
exit code is 0 whether the calibration was written or ended by Escape.
)";

const char kCheckSdkHelp[] = R"(usage: velctl check-sdk [FILE]

Reads a device library's file, without loading it, and tells whether
VelApp.exe, VelCalib.dll and velctl.exe can use it: its architecture, each
member of Vel_DeviceManager found or missing under the names the tools import,
and on x86 the convention of the data callback. FILE defaults to the SDK.dll
beside velctl.exe, the one the tools use. Ends with 0 when the tools can use
it, else with 6.
)";

const char kHelpHelp[] = R"(usage: velctl help [COMMAND]

Prints the help of the tool, or of a command.
)";

// set's help lists the settings, so it is built from the table.
std::string SetHelp() {
    std::string text = R"(usage: velctl [--device PATH] set NAME=VALUE...

Changes the named settings and nothing else, with the control panel's ranges,
in the order of its Apply: the double-click settings first (registry, then the
running system), then the touch parameters (the device's record is read,
changed and written back, bytes velctl does not interpret kept as read), then,
when touchMode is named and the device has an output mode, the output mode.
Every argument is checked first: an unknown name, a value that is not a decimal
number or out of range is reported and nothing is written (exit code 2).

settings (names ignore case):
)";
    for (const Setting& setting : Settings()) {
        std::string line = std::string("  ") + setting.name;
        line.resize(20, ' ');
        line += RangeText(setting);
        line.resize(40, ' ');
        text += line + setting.meaning + "\n";
    }
    return text;
}

const CommandSpec kCommands[] = {
    {Command::Help, "help", 0, 1, "COMMAND", false, kHelpHelp},
    {Command::List, "list", 0, 0, "", true, kListHelp},
    {Command::Show, "show", 0, 0, "", true, kShowHelp},
    {Command::Set, "set", 1, static_cast<size_t>(-1), "NAME=VALUE", false, nullptr},
    {Command::Export, "export", 1, 1, "FILE", false, kExportHelp},
    {Command::Import, "import", 1, 1, "FILE", false, kImportHelp},
    {Command::Rotate, "rotate", 1, 1, "ORIENTATION", false, kRotateHelp},
    {Command::Reset, "reset", 0, 0, "", false, kResetHelp},
    {Command::Calibrate, "calibrate", 0, 0, "", false, kCalibrateHelp},
    {Command::CheckSdk, "check-sdk", 0, 1, "FILE", false, kCheckSdkHelp},
};

const CommandSpec* FindCommand(const std::string& name) {
    for (const CommandSpec& entry : kCommands) {
        if (name == entry.name)
            return &entry;
    }
    return nullptr;
}

const CommandSpec* SpecOf(Command command) {
    for (const CommandSpec& entry : kCommands) {
        if (entry.command == command)
            return &entry;
    }
    return nullptr;
}

} // namespace

std::string ParseCommandLine(const std::vector<std::string>& args, Invocation& invocation) {
    invocation = Invocation();
    std::vector<std::string> words;
    bool bOptions = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!bOptions || arg.empty() || arg[0] != '-' || arg == "-") {
            words.push_back(arg);
        } else if (arg == "--") {
            bOptions = false;
        } else if (arg == "--help" || arg == "-h") {
            invocation.help = true;
        } else if (arg == "--json") {
            invocation.json = true;
        } else if (arg == "--device" || arg.rfind("--device=", 0) == 0) {
            if (invocation.hasDevice)
                return "--device is given twice";
            if (arg == "--device") {
                if (i + 1 == args.size())
                    return "--device needs a device path (velctl list shows them)";
                invocation.device = args[++i];
            } else {
                invocation.device = arg.substr(std::strlen("--device="));
            }
            if (invocation.device.empty())
                return "--device needs a device path (velctl list shows them)";
            invocation.hasDevice = true;
        } else {
            return "unknown option " + arg + " (velctl --help lists them)";
        }
    }
    if (words.empty()) {
        if (invocation.help) {
            invocation.command = Command::Help;
            return std::string();
        }
        return "no command given (velctl --help lists them)";
    }
    const CommandSpec* pSpec = FindCommand(words[0]);
    if (pSpec == nullptr)
        return "unknown command \"" + words[0] + "\" (velctl --help lists them)";
    invocation.command = pSpec->command;
    invocation.operands.assign(words.begin() + 1, words.end());
    if (invocation.help)
        return std::string();
    if (invocation.json && !pSpec->json)
        return std::string("--json goes with list and show, not with ") + pSpec->name;
    const size_t count = invocation.operands.size();
    const std::string name = pSpec->name;
    if (count < pSpec->minOperands)
        return name + " needs " + pSpec->operands + " (velctl help " + name + ")";
    if (count > pSpec->maxOperands)
        return name + ": unexpected \"" + invocation.operands[pSpec->maxOperands] +
               "\" (velctl help " + name + ")";
    if (pSpec->command == Command::Help && count == 1) {
        const CommandSpec* pTopic = FindCommand(invocation.operands[0]);
        if (pTopic == nullptr)
            return "unknown command \"" + invocation.operands[0] + "\" (velctl --help lists them)";
        invocation.command = pTopic->command;
        invocation.help = true;
        invocation.operands.clear();
    }
    if (pSpec->command == Command::Rotate) {
        for (int i = 0; i < 6; ++i) {
            if (invocation.operands[0] == kRotations[i])
                invocation.rotation = i;
        }
        if (invocation.rotation < 0)
            return "rotate: unknown orientation \"" + invocation.operands[0] +
                   "\"; it takes 90, 180, 270, mirror-x, mirror-y or none";
    }
    return std::string();
}

std::string HelpText(Command command) {
    if (command == Command::Set)
        return SetHelp();
    const CommandSpec* pSpec = SpecOf(command);
    if (pSpec == nullptr || command == Command::Help)
        return kToolHelp;
    return pSpec->help;
}

} // namespace ctl
