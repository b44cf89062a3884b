#include "cmdline.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "calibresult.h"
#include "exitcodes.h"
#include "settings.h"
#include "velversion.h"

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
    const char* exitHeading = "exit codes:"; // nullptr: a help topic, no command
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
  calibrate [OPTIONS]  runs the calibration window; tells how it ended
                       (velctl help calibrate)
  identify [OPTIONS]   finds the display the touch screen lies over: each
                       display asks for a touch in turn (velctl help identify)
  watch [OPTIONS]      shows what the screen sends while you touch it: each
                       touch, the report rate, the noise of still touches
                       and the Touch Jitter that covers it (velctl help watch)
  record FILE [OPTIONS]
                       records what the screen sends, with its settings and
                       the displays, for support (velctl help record)
  check-sdk [FILE]     tells whether the tools can use a device library
                       (default: the SDK.dll beside velctl)
  displays [--json]    the displays of the desktop: number, device, rectangle,
                       primary, orientation and DPI
  check [--json] [--calibrate]
                       tells whether the calibration remembered for the screen
                       still fits the displays; --calibrate mends it when not
                       (velctl help check)
  help [COMMAND|TOPIC]
                       this text, or the help of a command or of a topic

help topics:
  exit-codes           every exit code, what it means and which commands end
                       with it

options:
  --device PATH        the screen to use when several are connected (see list)
  --help, -h, /?       the help of the tool, or of the command it goes with
  --version            the version of velctl

Every command but list, check-sdk, displays and help needs exactly one
screen connected, or --device naming one of those connected. Command names
and the words options and operands take (rotate's orientations, --space,
--display touch) ignore case, as setting names do.

)";

const char kWatchHelp[] = R"(usage: velctl [--device PATH] watch [--seconds N] [--json]

Puts the screen in calibration mode and shows its own reports while you touch
it, until Ctrl+C (or N seconds). Per touch: when it came down and where (raw,
and in desktop pixels through the calibration remembered for the screen, see
velctl show), and when it lifted: how long it lasted, its mean position and,
for a still touch, how much it wandered per axis (standard deviation and
range, in raw units, in the Touch Jitter setting's 1/32767 of the screen and
in pixels). At the end: the reports per second, the noise of all still
touches, and whether the screen's Touch Jitter covers it, with the value that
would. With --json, one object per line: each event, a summary every second
and at the end.

Ctrl+C, closing the console, or the time running out lets the screen go: its
calibration mode ends and the device is closed; nothing is written to it.

  --seconds N  stop after N seconds (0 to 86400; default: until Ctrl+C)
)";

const char kRecordHelp[] = R"(usage: velctl [--device PATH] record FILE [--seconds N]

Writes FILE: a text file that support can read and the simulated screen can
replay (device.ini replay = FILE). Its header: the format version, velctl's
and Windows' versions, the device path and count, the 54-byte configuration
record, the output mode, the displays (rectangle, primary, orientation, DPI)
and the calibration remembered for the screen. Then, while the screen is in
calibration mode, one line per report: microseconds since the start and the
report's bytes in hex. Until Ctrl+C or N seconds; --seconds 0 writes the
header alone (a snapshot for a support ticket) without calibration mode.

  --seconds N  stop after N seconds (0 to 86400; default: until Ctrl+C)
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

After them, the calibration the tools remember for this screen (the last one
calibrate, or another program through StartCalibrateEx, wrote to it): the
display it was made on (number, device name, identity), the space, the
display's rectangle, orientation and DPI then, how the run ended, the verify
accuracy, the set written and the date (UTC); and a warning line for each
change since: the display is gone, moved, resized, turned or at another DPI
(calibrate again). "no calibration remembered for this screen" when there is
none. The tools keep it in calibrations.ini in %LOCALAPPDATA%\VelTouch, or in
the folder %VEL_TOOLS_HOME% names.

With --json the same as one JSON object.
)";

const char kImportHelp[] = R"(usage: velctl [--device PATH] import FILE

Applies an INI profile such as export writes (velctl help export tells what it
may hold and in which encodings). The whole file is checked before anything is
written: each bad line is reported with its number and nothing is written. A
profile may name only some settings; the others stay as they are. It is
written as set writes (velctl help set).
)";

const char kExportHelp[] = R"(usage: velctl [--device PATH] export FILE

Writes every setting of the screen to FILE as an INI profile (UTF-8):

  [touch]
  touchEnable = 1
  ...
  [doubleClick]
  doubleClickRange = 4
  doubleClickSpeed = 500

Lines end with CR LF. Lines starting with # or ; are comments, and so is the
rest of a line from a ; or #. Section and setting names ignore case. import
reads UTF-8 (with or without a byte order mark) and UTF-16 with its byte order
mark, as Notepad and PowerShell save it. The double-click settings come from
the registry, or from the system where the registry holds none. A device value
outside its range is written as it is, with a warning: import refuses it.
)";

const char kRotateHelp[] = R"(usage: velctl [--device PATH] rotate 90|180|270|mirror-x|mirror-y|none

Sends the screen the coefficient set of that orientation, as the control
panel's orientation button does: the single-precision record, then the 16-bit
record. The set replaces the calibration the screen held, and rotate says so:
calibrate again afterwards. none sends the identity. The orientation's word
ignores case (MIRROR-X is mirror-x).
)";

const char kResetHelp[] = R"(usage: velctl [--device PATH] reset

Tells the screen to drop its calibration. Prints "Reset Success." or
"Reset Failed.".
)";

const char kCalibrateHelp[] = R"(usage: velctl [--device PATH] calibrate [--targets N] [--checks N]
          [--max-error PX] [--attempts N] [--timeout S]
          [--display N|touch [--page-seconds N] [--rounds N]]
          [--space primary|display|desktop|auto] [--verify N]
          [--max-verify-error PX] [--keep-unverified] [--json]

Runs a calibration of the screen through VelCalib.dll: a window covering the
primary screen (or --display N) shows the targets to touch in turn; Escape
ends it. Prints how it ended, the record the screen took, each target's touch
and, with check points, each check's error in pixels; with verify points,
where the system put the pointer for each touch and, when they land off, which
rectangle the screen's range evidently covers (with --json, one object).
When a verify touch lands beyond the limit, or the run ends (Escape, another
program, --timeout) after the screen took its calibration but before its
check and verify touches are done, what was in force before the run is put
back: the calibration the tools wrote before, else the screen's own reset;
the output says which. Ended at the targets, the run wrote nothing.

  --targets N     4 (default), 9, 16 or 25 targets on a square grid
  --checks N      0 (default) to 9 check targets shown after the screen took
                  a record, away from every target; each touch is mapped
                  through the record taken and its error measured in pixels
  --max-error PX  the largest check error accepted (0, the default: measure
                  only); beyond it the window says so and starts again;
                  needs --checks 1 or more
  --attempts N    attempts before giving up (0, the default: unlimited)
  --timeout S     seconds without a touch that end it (0, the default: 20)
  --display N     the display the touch screen lies over, as velctl displays
                  numbers them (0, the default: the primary)
  --display touch the display is the one touched: each display shows a page
                  asking for a touch in turn, as velctl identify does, and
                  the calibration runs on the display touched
  --page-seconds N, --rounds N
                  with --display touch: how long a page shows and how many
                  rounds over the displays (velctl help identify)
  --space SPACE   what the screen's range covers, as its driver or the system
                  maps it: primary (default: the primary display), display
                  (the display of --display), desktop (the whole desktop) or
                  auto: the display's own space first; when the verify touches
                  show the range to cover the primary display or the whole
                  desktop, the same touches are fitted again for that space
                  and verified in a second round (needs --verify 2 or more)
  --verify N      0 (default) to 9 verify targets after the record (and its
                  checks): the screen leaves calibration mode, and each touch
                  is measured where the system puts the pointer
  --max-verify-error PX
                  how far a verify touch may land from its target (0, the
                  default: 1.5); needs --verify 1 or more
  --keep-unverified
                  a calibration whose verify touches land beyond the limit
                  stays written (exit code 13) instead of being undone (16),
                  and so does one whose run ends before its check and verify
                  touches are done; needs --verify or --checks 1 or more
)";

const char kIdentifyHelp[] =
    R"(usage: velctl [--device PATH] identify [--page-seconds N] [--rounds N] [--json]

Finds the display the touch screen lies over. Each display shows in turn a
page with its number, "Touch this screen" in the user's language and a
countdown, the display calibrated last first. A touch on the screen picks the
display whose page shows; Enter or Space moves on to the next display, Escape
cancels. Pages move on by themselves, round after round, so no keyboard is
needed. Prints the display touched: its number (as velctl displays numbers
them), device name, rectangle, orientation and DPI (with --json, one object).
Nothing is calibrated; calibrate --display touch finds the display the same
way and calibrates it.

  --page-seconds N  seconds a page shows (0, the default: 5; up to 60)
  --rounds N        rounds over every display before giving up (0, the
                    default: 3; up to 20)
)";

const char kCheckSdkHelp[] = R"(usage: velctl check-sdk [FILE]

Reads a device library's file, without loading it, and tells whether
VelApp.exe, VelCalib.dll and velctl.exe can use it: its architecture, each
member of Vel_DeviceManager found or missing under the names the tools import,
and on x86 the convention of the data callback. FILE defaults to the SDK.dll
beside velctl.exe, the one the tools use.
)";

const char kDisplaysHelp[] = R"(usage: velctl displays [--json]

Prints the displays of the desktop, one a line, in the order the system
enumerates them: the number that names the display (1 to N), its device name,
its rectangle in desktop pixels as X,Y WIDTHxHEIGHT (the primary display's top
left corner is 0,0; a display left of or above it has a negative X or Y),
whether it is the primary, its orientation in degrees and its DPI. With --json
an array of objects. Needs no touch screen and no device library.
)";

const char kCheckHelp[] = R"(usage: velctl [--device PATH] check [--json] [--calibrate]

Tells whether the calibration the tools remember for the screen (velctl show)
still fits the displays: its display is still there, with the same rectangle,
orientation and DPI. For a logon script or a fleet tool: the exit code says
what changed, the output says it in words with the command that mends it:

  velctl calibrate --display touch --space auto --verify 5

With --json, one object: status, exitCode, device, the remembered calibration
(or null), the display now (or null), the changes and the command (null when
nothing changed).

  --calibrate  when the check fails, runs that calibration and ends with its
               exit code (velctl help calibrate); when it passes, nothing
               else runs

The first change found decides, in the order of the exit codes below. The
tools remember per user: for a user who never calibrated, check says 20.
)";

const char kHelpHelp[] = R"(usage: velctl help [COMMAND|TOPIC]

Prints the help of the tool, of a command or of a topic (velctl help lists
them). velctl COMMAND --help (or -h, or /?) prints the command's too.
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
number or out of range is reported and nothing is written.

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
    {Command::Calibrate, "calibrate", 0, 0, "", true, kCalibrateHelp},
    {Command::CheckSdk, "check-sdk", 0, 1, "FILE", false, kCheckSdkHelp},
    {Command::Displays, "displays", 0, 0, "", true, kDisplaysHelp},
    {Command::Identify, "identify", 0, 0, "", true, kIdentifyHelp},
    {Command::Watch, "watch", 0, 0, "", true, kWatchHelp},
    {Command::Record, "record", 1, 1, "FILE", false, kRecordHelp},
    {Command::Check, "check", 0, 0, "", true, kCheckHelp,
     "exit codes (without --calibrate, or when the check passes):"},
    {Command::ExitCodes, "exit-codes", 0, 0, "", false, nullptr, nullptr},
};

// calibrate's options and the field each sets: a count, a number of pixels,
// or (neither) the space's name. identify takes those that find the display.
struct CalibrateOption {
    const char* name;
    uint32_t VEL_CALIB_OPTIONS::*pCount;
    double VEL_CALIB_OPTIONS::*pPixels;
    bool bIdentify; // identify's too; calibrate's only with --display touch
};

const CalibrateOption kCalibrateOptions[] = {
    {"--targets", &VEL_CALIB_OPTIONS::nTargets, nullptr, false},
    {"--checks", &VEL_CALIB_OPTIONS::nCheckPoints, nullptr, false},
    {"--max-error", nullptr, &VEL_CALIB_OPTIONS::dMaxCheckError, false},
    {"--attempts", &VEL_CALIB_OPTIONS::nAttempts, nullptr, false},
    {"--timeout", &VEL_CALIB_OPTIONS::nIdleSeconds, nullptr, false},
    {"--display", &VEL_CALIB_OPTIONS::nDisplay, nullptr, false},
    {"--space", nullptr, nullptr, false},
    {"--verify", &VEL_CALIB_OPTIONS::nVerifyPoints, nullptr, false},
    {"--max-verify-error", nullptr, &VEL_CALIB_OPTIONS::dMaxVerifyError, false},
    {"--page-seconds", &VEL_CALIB_OPTIONS::nIdentifySeconds, nullptr, true},
    {"--rounds", &VEL_CALIB_OPTIONS::nIdentifyRounds, nullptr, true},
};

// auto is no rectangle of its own, so it is no row of the spaces' table.
const char kAutoSpace[] = "auto";

// --space's words: the table's and auto.
bool ParseSpace(const std::string& text, uint32_t& value) {
    const std::string word = AsciiLower(text);
    const SpaceRow* pRow = FindSpace(word);
    if (pRow != nullptr)
        value = pRow->nSpace;
    else if (word == kAutoSpace)
        value = VEL_CALIB_SPACE_AUTO;
    return pRow != nullptr || word == kAutoSpace;
}

// "primary, display, desktop or auto".
std::string SpaceWordsWithAuto() {
    std::vector<std::string> words;
    for (const SpaceRow& row : Spaces())
        words.push_back(row.name);
    if (FindSpace(kAutoSpace) == nullptr)
        words.push_back(kAutoSpace);
    std::string text;
    for (size_t i = 0; i < words.size(); ++i)
        text += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
    return text;
}

const CalibrateOption* FindCalibrateOption(const std::string& arg) {
    for (const CalibrateOption& option : kCalibrateOptions) {
        const size_t n = std::strlen(option.name);
        if (arg.compare(0, n, option.name) == 0 && (arg.size() == n || arg[n] == '='))
            return &option;
    }
    return nullptr;
}

bool IsDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Decimal digits that fit 32 bits; the option's own range is checked later.
bool ParseCount(const std::string& text, uint32_t& value) {
    if (!IsDigits(text) || text.size() > 10)
        return false;
    const unsigned long long n = std::strtoull(text.c_str(), nullptr, 10);
    value = static_cast<uint32_t>(n);
    return n <= 0xFFFFFFFFull;
}

bool ParseReal(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(value) &&
           text.find_first_of("xXpP") == std::string::npos;
}

// An option's value: "--name=value", else the next argument unless that is an
// option itself (a negative number is a value). false when there is none.
bool TakeValue(const std::vector<std::string>& args, size_t& i, size_t nameLength,
               std::string& value) {
    const std::string& arg = args[i];
    if (arg.size() > nameLength) {
        value = arg.substr(nameLength + 1);
        return true;
    }
    if (i + 1 == args.size() || args[i + 1].rfind("--", 0) == 0)
        return false;
    value = args[++i];
    return true;
}

// A value that was given but is not one the option takes: exit code 2.
struct BadValue {
    std::string message;
};

// One calibrate option and its value ("--targets 9" or "--targets=9"); ""
// when it is fine, else a message of a missing value; a value it cannot take
// throws BadValue.
std::string TakeCalibrateOption(const CalibrateOption& option, const std::vector<std::string>& args,
                                size_t& i, VEL_CALIB_OPTIONS& options) {
    const std::string name = option.name;
    const std::string help =
        std::string(" (velctl help ") + (option.bIdentify ? "identify" : "calibrate") + ")";
    const bool bDisplay = option.pCount == &VEL_CALIB_OPTIONS::nDisplay;
    const bool bSpace = option.pCount == nullptr && option.pPixels == nullptr;
    const std::string wanted = bSpace     ? SpaceWordsWithAuto()
                               : bDisplay ? "a number or touch"
                                          : "a number";
    std::string value;
    if (!TakeValue(args, i, name.size(), value))
        return name + " needs " + wanted + help;
    if (bSpace) {
        if (!ParseSpace(value, options.nSpace))
            throw BadValue{name + " takes " + wanted + ", not \"" + value + "\"" + help};
        return std::string();
    }
    if (bDisplay && AsciiLower(value) == "touch") {
        options.nDisplay = VEL_CALIB_DISPLAY_TOUCH;
        return std::string();
    }
    if (option.pPixels != nullptr ? ParseReal(value, options.*option.pPixels)
                                  : ParseCount(value, options.*option.pCount))
        return std::string();
    // A whole number, but negative or beyond 32 bits.
    const bool bNumber = IsDigits(value[0] == '-' || value[0] == '+' ? value.substr(1) : value);
    throw BadValue{bNumber ? name + ": " + value + " is out of range" + help
                           : name + " needs " + wanted + ", not \"" + value + "\"" + help};
}

const CommandSpec* FindCommand(const std::string& name) {
    const std::string word = AsciiLower(name);
    for (const CommandSpec& entry : kCommands) {
        if (word == entry.name)
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

bool Given(const std::vector<const CalibrateOption*>& given, const char* name) {
    for (const CalibrateOption* pOption : given) {
        if (std::strcmp(pOption->name, name) == 0)
            return true;
    }
    return false;
}

// What the options that qualify another need of it: "" or the refusal.
std::string QualifierRefusal(const std::vector<const CalibrateOption*>& given, bool bKeepUnverified,
                             const VEL_CALIB_OPTIONS& options) {
    if (Given(given, "--max-error") && options.nCheckPoints == 0)
        return "--max-error needs --checks 1 or more: it is the largest error of a check point "
               "(velctl help calibrate)";
    if (Given(given, "--max-verify-error") && options.nVerifyPoints == 0)
        return "--max-verify-error needs --verify 1 or more: it is how far a verify touch may "
               "land (velctl help calibrate)";
    if (bKeepUnverified && options.nVerifyPoints == 0 && options.nCheckPoints == 0)
        return "--keep-unverified needs --verify or --checks 1 or more: it keeps a calibration "
               "that was not proved, and without them every one is (velctl help calibrate)";
    return std::string();
}

std::string ParseArguments(const std::vector<std::string>& args, Invocation& invocation) {
    std::vector<std::string> words;
    bool bOptions = true;
    std::vector<const CalibrateOption*> calibrateOptions; // in the order given
    bool bKeepUnverified = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (bOptions && (arg == "--help" || arg == "-h" || arg == "-?" || arg == "/?")) {
            invocation.help = true;
        } else if (!bOptions || arg.empty() || arg[0] != '-' || arg == "-") {
            words.push_back(arg);
        } else if (arg == "--") {
            bOptions = false;
        } else if (arg == "--version") {
            invocation.version = true;
        } else if (arg == "--json") {
            invocation.json = true;
        } else if (arg == "--calibrate") {
            invocation.calibrateOnFailure = true;
        } else if (arg == "--keep-unverified") {
            bKeepUnverified = true;
        } else if (arg == "--device" || arg.rfind("--device=", 0) == 0) {
            if (invocation.hasDevice)
                return "--device is given twice";
            if (!TakeValue(args, i, std::strlen("--device"), invocation.device) ||
                invocation.device.empty())
                return "--device needs a device path (velctl list shows them)";
            invocation.hasDevice = true;
        } else if (arg == "--seconds" || arg.rfind("--seconds=", 0) == 0) {
            std::string value;
            if (!TakeValue(args, i, std::strlen("--seconds"), value))
                return "--seconds needs a number of seconds, 0 to 86400";
            uint32_t n = 0;
            if (!ParseCount(value, n) || n > 86400)
                throw BadValue{"--seconds takes 0 to 86400, not \"" + value + "\""};
            invocation.seconds = static_cast<int>(n);
        } else if (const CalibrateOption* pOption = FindCalibrateOption(arg)) {
            const std::string why = TakeCalibrateOption(*pOption, args, i, invocation.calibration);
            if (!why.empty())
                return why;
            calibrateOptions.push_back(pOption);
        } else {
            return "unknown option " + arg + " (velctl --help lists them)";
        }
    }
    if (invocation.version)
        return std::string();
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
    if (pSpec->exitHeading == nullptr)
        return std::string(pSpec->name) + " is a help topic: velctl help " + pSpec->name;
    const bool bCalibrate = pSpec->command == Command::Calibrate;
    const bool bIdentify = pSpec->command == Command::Identify;
    for (const CalibrateOption* pOption : calibrateOptions) {
        const std::string name = pOption->name;
        if (!bCalibrate && !(bIdentify && pOption->bIdentify))
            return name +
                   (pOption->bIdentify ? " goes with identify and calibrate"
                                       : " goes with calibrate") +
                   ", not with " + pSpec->name;
        if (bCalibrate && pOption->bIdentify &&
            invocation.calibration.nDisplay != VEL_CALIB_DISPLAY_TOUCH)
            return name + " goes with --display touch (velctl help calibrate)";
    }
    if (bKeepUnverified && !bCalibrate)
        return std::string("--keep-unverified goes with calibrate, not with ") + pSpec->name;
    if (bCalibrate) {
        const std::string why =
            QualifierRefusal(calibrateOptions, bKeepUnverified, invocation.calibration);
        if (!why.empty())
            return why;
    }
    if (bKeepUnverified)
        invocation.calibration.nFlags |= VEL_CALIB_FLAG_KEEP_UNVERIFIED;
    if (invocation.calibrateOnFailure && pSpec->command != Command::Check)
        return std::string("--calibrate goes with check, not with ") + pSpec->name;
    if (invocation.seconds >= 0 && pSpec->command != Command::Watch &&
        pSpec->command != Command::Record)
        return std::string("--seconds goes with watch and record, not with ") + pSpec->name;
    if (bIdentify) {
        invocation.calibration.nDisplay = VEL_CALIB_DISPLAY_TOUCH;
        invocation.calibration.nFlags = VEL_CALIB_FLAG_IDENTIFY_ONLY;
    }
    if (invocation.json && !pSpec->json)
        return std::string("--json goes with list, show, displays, calibrate, identify, watch and "
                           "check, not with ") +
               pSpec->name;
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
            return "unknown command or help topic \"" + invocation.operands[0] +
                   "\" (velctl help lists them)";
        invocation.command = pTopic->command;
        invocation.help = true;
        invocation.operands.clear();
    }
    if (pSpec->command == Command::Rotate) {
        const std::string word = AsciiLower(invocation.operands[0]);
        for (int i = 0; i < 6; ++i) {
            if (word == kRotations[i])
                invocation.rotation = i;
        }
        if (invocation.rotation < 0)
            throw BadValue{"rotate: unknown orientation \"" + invocation.operands[0] +
                           "\"; it takes 90, 180, 270, mirror-x, mirror-y or none"};
    }
    return std::string();
}

} // namespace

std::string ParseCommandLine(const std::vector<std::string>& args, Invocation& invocation,
                             int* pExitCode) {
    invocation = Invocation();
    std::string why;
    int exitCode = kExitUsage;
    try {
        why = ParseArguments(args, invocation);
    } catch (const BadValue& bad) {
        why = bad.message;
        exitCode = kExitBadValue;
    }
    if (pExitCode != nullptr)
        *pExitCode = why.empty() ? kExitOk : exitCode;
    return why;
}

std::string CheckCalibrateOptions(const Invocation& invocation) {
    const VEL_CALIB_OPTIONS& options = invocation.calibration;
    const std::string command = invocation.command == Command::Identify ? "identify" : "calibrate";
    // The library would find it out only after the run: said before any window.
    if (options.nSpace == VEL_CALIB_SPACE_AUTO && options.nVerifyPoints < 2)
        return "calibrate: --space auto needs --verify 2 or more: where the verify touches "
               "land tells which space the screen's range covers (velctl help calibrate)";
    CalibSettings settings;
    const std::string why = CheckOptions(&options, settings);
    return why.empty() ? why : command + ": " + why + " (velctl help " + command + ")";
}

std::string HelpText(Command command) {
    if (command == Command::ExitCodes)
        return ExitCodesHelp();
    const CommandSpec* pSpec = SpecOf(command);
    if (pSpec == nullptr || command == Command::Help)
        return kToolHelp + ToolExitCodes();
    const std::string text = command == Command::Set ? SetHelp() : std::string(pSpec->help);
    return text + "\n" + CommandExitCodes(command, pSpec->exitHeading);
}

std::string RotateText(int rotation, bool bHd, bool b16) {
    return std::string("orientation ") + kRotations[rotation] + " sent" +
           (bHd ? (b16 ? "" : " (the 16-bit record was refused)")
                : " (the single-precision record was refused)") +
           "\nthe screen's calibration was replaced by this orientation's set: calibrate again "
           "(velctl calibrate)\n";
}

std::string VersionText(const std::string& architecture) {
    return std::string("velctl ") + VEL_VERSION_TEXT + " " + architecture + "\n";
}

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = [] {
        std::vector<Command> all;
        for (const CommandSpec& entry : kCommands) {
            if (entry.exitHeading != nullptr)
                all.push_back(entry.command);
        }
        return all;
    }();
    return commands;
}

const char* CommandName(Command command) {
    const CommandSpec* pSpec = SpecOf(command);
    return pSpec != nullptr ? pSpec->name : "";
}

} // namespace ctl
