#include "exitcodes.h"

namespace ctl {

namespace {

using C = Command;

constexpr unsigned kEvery =
    CommandBit(C::Help) | CommandBit(C::List) | CommandBit(C::Show) | CommandBit(C::Set) |
    CommandBit(C::Export) | CommandBit(C::Import) | CommandBit(C::Rotate) | CommandBit(C::Reset) |
    CommandBit(C::Calibrate) | CommandBit(C::CheckSdk) | CommandBit(C::Displays) |
    CommandBit(C::Identify) | CommandBit(C::Watch) | CommandBit(C::Record) | CommandBit(C::Check);
// Those that need one screen, and those that load SDK.dll or read it.
constexpr unsigned kScreen = kEvery & ~(CommandBit(C::Help) | CommandBit(C::List) |
                                        CommandBit(C::CheckSdk) | CommandBit(C::Displays));
constexpr unsigned kLibrary = kScreen | CommandBit(C::List) | CommandBit(C::CheckSdk);
constexpr unsigned kRuns = CommandBit(C::Calibrate) | CommandBit(C::Identify);

const char kRunFamily[] =
    "calibrate and identify: how the run ended (velctl help calibrate, velctl help identify)";
const char kCheckFamily[] = "check: what changed since the calibration (velctl help check)";

const std::vector<ExitCodeRow>& Table() {
    static const std::vector<ExitCodeRow> rows = {
        {kExitOk,
         "done",
         kEvery,
         "",
         {{C::Calibrate, "the calibration was written (and passed its checks and verify touches, "
                         "when asked)"},
          {C::Identify, "a display was touched"},
          {C::Check, "the display is as it was when the screen was calibrated"},
          {C::CheckSdk, "the tools can use the library"},
          {C::Watch, "done, also after Ctrl+C"},
          {C::Record, "done, also after Ctrl+C"}}},
        {kExitUsage,
         "unknown command or option, an option without its value or without the option it "
         "goes with, operands missing or too many",
         kEvery,
         "",
         {}},
        {kExitBadValue,
         "a value out of range, not a number or not one of its words, an unknown setting, or a "
         "bad profile; nothing was written",
         CommandBit(C::Set) | CommandBit(C::Import) | CommandBit(C::Rotate) | kRuns |
             CommandBit(C::Watch) | CommandBit(C::Record),
         "",
         {{C::Set, "an unknown setting, or a value not a number or out of range; nothing was "
                   "written"},
          {C::Import, "a bad line, or a file that is not UTF-8 (or UTF-16 with its byte order "
                      "mark); nothing was written"},
          {C::Rotate, "an orientation it does not know"},
          {C::Calibrate, "an option's value out of range or not one of its words, --space auto "
                         "with fewer than 2 verify points, or a display or space that does not "
                         "fit the desktop"},
          {C::Identify, "an option's value out of range or not a number"},
          {C::Watch, "--seconds out of range or not a number"},
          {C::Record, "--seconds out of range or not a number"}}},
        {kExitNoScreen,
         "no screen, several screens, or none with the path of --device",
         kScreen,
         "",
         {{C::Calibrate, "no screen, several screens, none with the path of --device, or "
                         "VelCalib.dll could not use the device library"}}},
        {kExitDevice,
         "the screen refused to give its settings or to take what was sent",
         kScreen & ~(CommandBit(C::Identify) | CommandBit(C::Check)),
         "",
         {{C::Rotate, "the screen refused both records of the orientation"},
          {C::Reset, "the screen refused: Reset Failed."},
          {C::Calibrate, "the screen refused every record of the last attempt"}}},
        {kExitFileOrSystem,
         "a file or the registry could not be read or written",
         CommandBit(C::Set) | CommandBit(C::Import) | CommandBit(C::Export) | CommandBit(C::Record),
         "",
         {{C::Export, "FILE could not be written"}, {C::Record, "FILE could not be written"}}},
        {kExitLibrary,
         "SDK.dll is missing, of the other architecture or lacks a member (the message says "
         "which; velctl check-sdk tells more)",
         kLibrary,
         "",
         {{C::CheckSdk, "the tools cannot use the library, or its file cannot be read"}}},
        {kExitCheckFailed,
         "a check point lay beyond --max-error in the last attempt (that attempt's calibration "
         "stays written)",
         CommandBit(C::Calibrate),
         kRunFamily,
         {}},
        {kExitCancelled,
         "the user ended the run (Escape, or closing its window)",
         kRuns,
         kRunFamily,
         {}},
        {kExitStopped,
         "another program ended the run (its window's thread was told to quit)",
         kRuns,
         kRunFamily,
         {}},
        {kExitTimedOut,
         "no touch for the --timeout seconds while targets were due",
         CommandBit(C::Calibrate),
         kRunFamily,
         {}},
        {kExitBusy,
         "another calibration runs in this process",
         CommandBit(C::Calibrate),
         kRunFamily,
         {}},
        {kExitNotFitted,
         "the touches made no calibration in the last attempt",
         CommandBit(C::Calibrate),
         kRunFamily,
         {}},
        {kExitVerifyFailed,
         "a verify touch landed beyond --max-verify-error; the calibration stays written "
         "(--keep-unverified, or the screen refused what was there before); the output says "
         "which rectangle the range covers",
         CommandBit(C::Calibrate),
         kRunFamily,
         {}},
        {kExitVerifyNoPointer,
         "the verify step could not hold the pointer, so it measured no touch (the calibration "
         "stays written)",
         CommandBit(C::Calibrate),
         kRunFamily,
         {}},
        {kExitNotIdentified,
         "no page was touched within the rounds; nothing was calibrated",
         kRuns,
         kRunFamily,
         {{C::Calibrate, "--display touch: no page was touched within the rounds; nothing was "
                         "calibrated"}}},
        {kExitVerifyUndone,
         "a verify touch landed beyond --max-verify-error, so what was in force before was put "
         "back (the output says what, and which rectangle the range covers)",
         CommandBit(C::Calibrate),
         kRunFamily,
         {}},
        {kExitNotRemembered,
         "no calibration is remembered for the screen, nor for any other",
         CommandBit(C::Check),
         kCheckFamily,
         {}},
        {kExitPathChanged,
         "none for its device path, but for another: the screen's path changed (another port "
         "or hub); the output names the paths remembered",
         CommandBit(C::Check),
         kCheckFamily,
         {}},
        {kExitDisplayGone,
         "the display it was calibrated on is gone",
         CommandBit(C::Check),
         kCheckFamily,
         {}},
        {kExitDisplayTurned, "that display was turned", CommandBit(C::Check), kCheckFamily, {}},
        {kExitDisplayResized,
         "that display has another resolution",
         CommandBit(C::Check),
         kCheckFamily,
         {}},
        {kExitDisplayMoved,
         "that display has moved on the desktop",
         CommandBit(C::Check),
         kCheckFamily,
         {}},
        {kExitDisplayRescaled,
         "that display is at another DPI",
         CommandBit(C::Check),
         kCheckFamily,
         {}},
    };
    return rows;
}

// The words of a text in lines of at most width columns (a longer word
// stands alone).
std::vector<std::string> Wrap(const std::string& text, size_t width) {
    std::vector<std::string> lines;
    std::string line;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(' ', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(pos, end - pos);
        pos = end + 1;
        if (word.empty())
            continue;
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty() || lines.empty())
        lines.push_back(line);
    return lines;
}

std::string Padded(std::string text, size_t width) {
    if (text.size() < width)
        text.resize(width, ' ');
    return text;
}

// "list, show and set"; "every command", "every command but help and list".
std::string CommandsText(unsigned commands) {
    std::vector<std::string> in, out;
    for (Command command : AllCommands())
        ((commands & CommandBit(command)) != 0 ? in : out).push_back(CommandName(command));
    auto join = [](const std::vector<std::string>& names) {
        std::string text;
        for (size_t i = 0; i < names.size(); ++i)
            text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
        return text;
    };
    if (out.empty())
        return "every command";
    if (out.size() <= 4 && out.size() < in.size())
        return "every command but " + join(out);
    return join(in);
}

const char* MeaningFor(const ExitCodeRow& row, Command command) {
    for (const CommandMeaning& specific : row.specific) {
        if (specific.command == command)
            return specific.meaning;
    }
    return row.meaning;
}

// "  7   meaning", continued under the meaning, in 80 columns.
std::string CodeLines(const std::string& code, const std::string& meaning, size_t column) {
    std::string text;
    const std::vector<std::string> lines = Wrap(meaning, 80 - column);
    for (size_t i = 0; i < lines.size(); ++i)
        text += Padded(i == 0 ? "  " + code : "", column) + lines[i] + "\n";
    return text;
}

} // namespace

const std::vector<ExitCodeRow>& ExitCodes() {
    return Table();
}

std::string CommandExitCodes(Command command, const char* heading) {
    std::string text = std::string(heading) + "\n";
    for (const ExitCodeRow& row : Table()) {
        if ((row.commands & CommandBit(command)) != 0)
            text += CodeLines(std::to_string(row.code), MeaningFor(row, command), 6);
    }
    return text;
}

std::string ToolExitCodes() {
    std::string text = "exit codes (velctl help exit-codes lists each with its commands):\n";
    const std::vector<ExitCodeRow>& rows = Table();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].family[0] == 0) {
            text += CodeLines(std::to_string(rows[i].code), rows[i].meaning, 8);
            continue;
        }
        size_t last = i;
        while (last + 1 < rows.size() && std::string(rows[last + 1].family) == rows[i].family)
            ++last;
        text += CodeLines(std::to_string(rows[i].code) + "-" + std::to_string(rows[last].code),
                          rows[i].family, 8);
        i = last;
    }
    return text;
}

std::string ExitCodesHelp() {
    const size_t kCode = 6, kMeaning = 56, kGap = 2, kCommands = 36;
    std::string text = R"(usage: velctl help exit-codes

What velctl ends with, and the commands that end with each code. A command's
help lists its own codes in its words (velctl help COMMAND).

)";
    text += Padded("code", kCode) + Padded("meaning", kMeaning + kGap) + "commands\n";
    for (const ExitCodeRow& row : Table()) {
        const std::vector<std::string> meaning = Wrap(row.meaning, kMeaning);
        const std::vector<std::string> commands = Wrap(CommandsText(row.commands), kCommands);
        for (size_t i = 0; i < meaning.size() || i < commands.size(); ++i) {
            std::string line = Padded(i == 0 ? std::to_string(row.code) : "", kCode);
            line += i < meaning.size() ? meaning[i] : "";
            if (i < commands.size())
                line = Padded(line, kCode + kMeaning + kGap) + commands[i];
            text += line + "\n";
        }
    }
    text += "\nWhen a calibrate run ends with 8, 9 or 10 after the screen took its calibration\n"
            "but before its check and verify touches were done, what was in force before is\n"
            "put back, as after 16 (unless --keep-unverified); the output says what. Ended at\n"
            "the targets, it wrote nothing.\n"
            "With --calibrate, a check that fails ends with calibrate's code.\n";
    return text;
}

} // namespace ctl
