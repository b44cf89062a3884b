// velctl's windowless core: settings by name with the control panel's ranges,
// values as the command line and profiles give them, the command line, the
// profile round trip and its bad lines, JSON strings, the list of displays,
// the calibration and identify reports, show's remembered calibration, what
// watch makes of touches and the header record writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "calibcheck.h"
#include "calibreport.h"
#include "cmdline.h"
#include "displays.h"
#include "exitcodes.h"
#include "profile.h"
#include "recording.h"
#include "report.h"
#include "screenreport.h"
#include "settings.h"
#include "touchrecording.h"
#include "watch.h"

namespace {

using ctl::Values;

// One row per setting: its range and unit as the control panel has them, and
// the TouchParams member it travels in (nullptr: a double-click setting).
struct SettingRow {
    const char* name;
    int minimum;
    int maximum;
    const char* unit;
    int panel::TouchParams::*member;
};

const SettingRow kSettingRows[] = {
    {"touchEnable", 0, 1, "", &panel::TouchParams::touchEnable},
    {"touchMode", 0, 3, "", &panel::TouchParams::touchMode},
    {"touchHeight", 3, 8, "", &panel::TouchParams::touchHeight},
    {"touchSmooth", 0, 10, "", &panel::TouchParams::touchSmooth},
    {"touchDelay", 0, 500, "ms", &panel::TouchParams::touchDelay},
    {"touchJitter", 10, 15000, "1/32767", &panel::TouchParams::touchJitter},
    {"rightClickEnable", 0, 1, "", &panel::TouchParams::rightClickEnable},
    {"rightClickTime", 1000, 5000, "ms", &panel::TouchParams::rightClickTime},
    {"rightClickArea", 100, 1500, "1/32767", &panel::TouchParams::rightClickArea},
    {"doubleClickRange", 1, 500, "pixels", nullptr},
    {"doubleClickSpeed", 1, 1000, "ms", nullptr},
};

TEST(VelctlSettings, EachTakesThePanelsRangeAndTravelsInItsField) {
    ASSERT_EQ(ctl::Settings().size(), sizeof(kSettingRows) / sizeof(kSettingRows[0]));
    for (const SettingRow& row : kSettingRows) {
        SCOPED_TRACE(row.name);
        const ctl::Setting* pSetting = ctl::FindSetting(row.name);
        ASSERT_NE(pSetting, nullptr);
        EXPECT_EQ(pSetting->minimum, row.minimum);
        EXPECT_EQ(pSetting->maximum, row.maximum);
        EXPECT_STREQ(pSetting->unit, row.unit);
        EXPECT_EQ(pSetting->section == ctl::Section::Touch, row.member != nullptr);
        // Both ends of the setting's range are taken, one past either is not.
        const int minimum = pSetting->minimum, maximum = pSetting->maximum;
        int value = -7;
        EXPECT_EQ(ctl::ParseValue(*pSetting, std::to_string(minimum), value), "");
        EXPECT_EQ(value, minimum);
        EXPECT_EQ(ctl::ParseValue(*pSetting, std::to_string(maximum), value), "");
        EXPECT_NE(ctl::ParseValue(*pSetting, std::to_string(minimum - 1), value), "");
        EXPECT_NE(ctl::ParseValue(*pSetting, std::to_string(maximum + 1), value), "");
        if (row.member == nullptr)
            continue;
        // Only this field of the record's values changes, to the value given.
        panel::TouchParams read;
        Values values;
        values.value[pSetting->id] = 4242;
        values.given[pSetting->id] = true;
        panel::TouchParams expected = read;
        expected.*row.member = 4242;
        const panel::TouchParams changed = ctl::ChangedParams(read, values);
        for (const SettingRow& other : kSettingRows) {
            if (other.member != nullptr) {
                EXPECT_EQ(changed.*other.member, expected.*other.member) << other.name;
            }
        }
    }
}

TEST(VelctlSettings, ValuesAreDecimalIntegersInRange) {
    const ctl::Setting& delay = *ctl::FindSetting("touchDelay");
    const struct {
        const char* text;
        int value;           // when taken
        const char* message; // "" when taken
    } rows[] = {
        {"0", 0, ""},
        {"+500", 500, ""},
        {"501", 0, "touchDelay: 501 is out of range; touchDelay takes 0..500 ms"},
        {"-1", 0, "touchDelay: -1 is out of range; touchDelay takes 0..500 ms"},
        {"99999999999999999999", 0, "touchDelay: 99999999999999999999 is out of range"},
        {"", 0, "touchDelay: \"\" is not a number; touchDelay takes 0..500 ms"},
        {"5ms", 0, "touchDelay: \"5ms\" is not a number"},
        {" 5", 0, "touchDelay: \" 5\" is not a number"},
        {"0x10", 0, "touchDelay: \"0x10\" is not a number"},
        {"5.0", 0, "touchDelay: \"5.0\" is not a number"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        int value = -7;
        const std::string message = ctl::ParseValue(delay, row.text, value);
        EXPECT_EQ(message.substr(0, std::string(row.message).size()), row.message);
        EXPECT_EQ(message.empty(), row.message[0] == 0);
        EXPECT_EQ(value, message.empty() ? row.value : -7);
    }
}

TEST(VelctlSettings, AssignmentsReportEveryBadArgumentAndIgnoreTheNamesCase) {
    Values values;
    const std::vector<std::string> errors =
        ctl::ParseAssignments({"TOUCHHEIGHT=4", "touchHeight=5", "colour=red", "touchSmooth", "=3",
                               "doubleclickspeed=700"},
                              values);
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0], "touchHeight is given twice");
    EXPECT_EQ(errors[1], "unknown setting \"colour\" (velctl help set lists them)");
    EXPECT_EQ(errors[2], "\"touchSmooth\" is not NAME=VALUE");
    EXPECT_EQ(errors[3].rfind("unknown setting \"\"", 0), 0u);
    EXPECT_TRUE(values.given[ctl::kTouchHeight] && values.given[ctl::kDoubleClickSpeed]);
    EXPECT_EQ(values.value[ctl::kTouchHeight], 4);
    EXPECT_EQ(values.value[ctl::kDoubleClickSpeed], 700);
    EXPECT_TRUE(values.AnyGiven(ctl::Section::Touch));
    EXPECT_FALSE(values.given[ctl::kTouchSmooth]);
}

// The invocation in a few words: command, --help, --json, --device, operands, rotation.
std::string Summary(const ctl::Invocation& invocation) {
    return std::to_string(static_cast<int>(invocation.command)) + (invocation.help ? " help" : "") +
           (invocation.version ? " version" : "") + (invocation.json ? " json" : "") +
           (invocation.hasDevice ? " device=" + invocation.device : "") +
           " operands=" + std::to_string(invocation.operands.size()) +
           (invocation.rotation >= 0 ? " rotation=" + std::to_string(invocation.rotation) : "") +
           (invocation.calibrateOnFailure ? " calibrate" : "") +
           (invocation.command == ctl::Command::Calibrate ||
                    invocation.command == ctl::Command::Identify
                ? " targets=" + std::to_string(invocation.calibration.nTargets) +
                      " checks=" + std::to_string(invocation.calibration.nCheckPoints) +
                      " max=" + std::to_string(invocation.calibration.dMaxCheckError) +
                      " attempts=" + std::to_string(invocation.calibration.nAttempts) +
                      " timeout=" + std::to_string(invocation.calibration.nIdleSeconds) +
                      (invocation.calibration.nDisplay + invocation.calibration.nSpace +
                                   invocation.calibration.nVerifyPoints >
                               0
                           ? " display=" + std::to_string(invocation.calibration.nDisplay) +
                                 " space=" + std::to_string(invocation.calibration.nSpace) +
                                 " verify=" + std::to_string(invocation.calibration.nVerifyPoints) +
                                 " vmax=" + std::to_string(invocation.calibration.dMaxVerifyError)
                           : "") +
                      (invocation.calibration.nFlags + invocation.calibration.nIdentifySeconds +
                                   invocation.calibration.nIdentifyRounds >
                               0
                           ? " flags=" + std::to_string(invocation.calibration.nFlags) + " pages=" +
                                 std::to_string(invocation.calibration.nIdentifySeconds) +
                                 " rounds=" + std::to_string(invocation.calibration.nIdentifyRounds)
                           : "")
                : "");
}

TEST(VelctlCommandLine, CommandsOptionsAndOperands) {
    using C = ctl::Command;
    auto summary = [](C command, const char* rest) {
        return std::to_string(static_cast<int>(command)) + rest;
    };
    const struct {
        std::vector<std::string> args;
        const char* error; // prefix; "" when fine
        std::string summary;
        int exitCode = 1; // with the error: 2 for a value it cannot take, else 1
    } rows[] = {
        {{"list", "--json"}, "", summary(C::List, " json operands=0")},
        {{"displays", "--json"}, "", summary(C::Displays, " json operands=0")},
        {{"--device", "P", "set", "a=1", "b=2"}, "", summary(C::Set, " device=P operands=2")},
        {{"reset", "--device=\\\\?\\x"}, "", summary(C::Reset, " device=\\\\?\\x operands=0")},
        {{"export", "--", "--odd-name.ini"}, "", summary(C::Export, " operands=1")},
        {{"rotate", "mirror-x"}, "", summary(C::Rotate, " operands=1 rotation=3")},
        {{"ROTATE", "MIRROR-X"}, "", summary(C::Rotate, " operands=1 rotation=3")},
        {{"help", "import"}, "", summary(C::Import, " help operands=0")},
        {{"set", "--help"}, "", summary(C::Set, " help operands=0")},
        {{"help"}, "", summary(C::Help, " operands=0")},
        // Every way to ask for help, and the version.
        {{"/?"}, "", summary(C::Help, " help operands=0")},
        {{"-h"}, "", summary(C::Help, " help operands=0")},
        {{"show", "/?"}, "", summary(C::Show, " help operands=0")},
        {{"Calibrate", "-h"},
         "",
         summary(C::Calibrate,
                 " help operands=0 targets=0 checks=0 max=0.000000 attempts=0 timeout=0")},
        {{"help", "EXIT-CODES"}, "", summary(C::ExitCodes, " help operands=0")},
        {{"exit-codes"},
         "exit-codes is a help topic: velctl help exit-codes",
         summary(C::ExitCodes, " operands=0")},
        {{"--version"}, "", summary(C::None, " version operands=0")},
        {{"--", "/?"}, "unknown command \"/?\"", summary(C::None, " operands=0")},
        {{}, "no command given", summary(C::None, " operands=0")},
        {{"show", "x"}, "show: unexpected \"x\"", summary(C::Show, " operands=1")},
        {{"import"}, "import needs FILE", summary(C::Import, " operands=0")},
        {{"set", "--json", "a=1"},
         "--json goes with list, show, displays, calibrate, identify, watch and check, not "
         "with "
         "set",
         summary(C::Set, " json operands=1")},
        {{"check", "--calibrate", "--json"}, "", summary(C::Check, " json operands=0 calibrate")},
        {{"show", "--calibrate"},
         "--calibrate goes with check, not with show",
         summary(C::Show, " operands=0 calibrate")},
        {{"calibrate", "--keep-unverified", "--verify", "3"},
         "",
         summary(C::Calibrate, " operands=0 targets=0 checks=0 max=0.000000 attempts=0 timeout=0 "
                               "display=0 space=0 verify=3 vmax=0.000000 flags=2 pages=0 "
                               "rounds=0")},
        {{"calibrate", "--targets", "9", "--checks=5", "--max-error", "2.5", "--attempts=3",
          "--timeout", "60", "--json"},
         "",
         summary(C::Calibrate,
                 " json operands=0 targets=9 checks=5 max=2.500000 attempts=3 timeout=60")},
        {{"calibrate", "--display", "2", "--space=desktop", "--verify", "5", "--max-verify-error",
          "2"},
         "",
         summary(C::Calibrate, " operands=0 targets=0 checks=0 max=0.000000 attempts=0 timeout=0"
                               " display=2 space=2 verify=5 vmax=2.000000")},
        {{"calibrate", "--space", "screen"},
         "--space takes primary, display, desktop or auto, not \"screen\"",
         summary(C::None, " operands=0"),
         2},
        {{"calibrate", "--space", "Desktop", "--display", "TOUCH"},
         "",
         summary(C::Calibrate, " operands=0 targets=0 checks=0 max=0.000000 attempts=0 timeout=0 "
                               "display=4294967295 space=2 verify=0 vmax=0.000000")},
        {{"identify", "--json", "--page-seconds", "8", "--rounds=4"},
         "",
         summary(C::Identify, " json operands=0 targets=0 checks=0 max=0.000000 attempts=0 "
                              "timeout=0 display=4294967295 space=0 verify=0 vmax=0.000000 "
                              "flags=1 pages=8 rounds=4")},
        {{"calibrate", "--display", "touch", "--rounds", "2", "--space", "auto", "--verify", "3"},
         "",
         summary(C::Calibrate, " operands=0 targets=0 checks=0 max=0.000000 attempts=0 timeout=0 "
                               "display=4294967295 space=3 verify=3 vmax=0.000000 flags=0 "
                               "pages=0 rounds=2")},
        {{"calibrate", "--display", "2", "--page-seconds", "8"},
         "--page-seconds goes with --display touch",
         summary(C::Calibrate, " operands=0 targets=0 checks=0 max=0.000000 attempts=0 timeout=0 "
                               "display=2 space=0 verify=0 vmax=0.000000 flags=0 pages=8 "
                               "rounds=0")},
        {{"identify", "--targets", "9"},
         "--targets goes with calibrate, not with identify",
         summary(C::Identify, " operands=0 targets=9 checks=0 max=0.000000 attempts=0 timeout=0")},
        {{"show", "--rounds", "2"},
         "--rounds goes with identify and calibrate, not with show",
         summary(C::Show, " operands=0")},
        {{"calibrate", "--display", "screen"},
         "--display needs a number or touch, not \"screen\"",
         summary(C::None, " operands=0"),
         2},
        {{"show", "--targets", "9"},
         "--targets goes with calibrate, not with show",
         summary(C::Show, " operands=0")},
        {{"calibrate", "--attempts", "many"},
         "--attempts needs a number, not \"many\"",
         summary(C::None, " operands=0"),
         2},
        {{"calibrate", "--max-error=0x10"},
         "--max-error needs a number",
         summary(C::None, " operands=0"),
         2},
        // A value out of range ends with 2 whatever its sign and size; a
        // value missing is a usage error.
        {{"calibrate", "--verify", "-1"},
         "--verify: -1 is out of range",
         summary(C::None, " operands=0"),
         2},
        {{"calibrate", "--targets=99999999999"},
         "--targets: 99999999999 is out of range",
         summary(C::None, " operands=0"),
         2},
        {{"calibrate", "--verify"}, "--verify needs a number", summary(C::None, " operands=0")},
        {{"calibrate", "--timeout", "--json"},
         "--timeout needs a number",
         summary(C::None, " operands=0")},
        {{"watch", "--seconds", "-1"},
         "--seconds takes 0 to 86400, not \"-1\"",
         summary(C::None, " operands=0"),
         2},
        {{"record", "x", "--seconds=86401"},
         "--seconds takes 0 to 86400",
         summary(C::None, " operands=0"),
         2},
        {{"watch", "--seconds"}, "--seconds needs a number", summary(C::None, " operands=0")},
        // An option without the one it qualifies.
        {{"calibrate", "--max-error", "5"},
         "--max-error needs --checks 1 or more",
         summary(C::Calibrate, " operands=0 targets=0 checks=0 max=5.000000 attempts=0 "
                               "timeout=0")},
        {{"calibrate", "--verify", "2", "--max-error", "5", "--checks", "0"},
         "--max-error needs --checks 1 or more",
         summary(C::Calibrate, " operands=0 targets=0 checks=0 max=5.000000 attempts=0 timeout=0"
                               " display=0 space=0 verify=2 vmax=0.000000")},
        {{"calibrate", "--max-verify-error", "3"},
         "--max-verify-error needs --verify 1 or more",
         summary(C::Calibrate, " operands=0 targets=0 checks=0 max=0.000000 attempts=0 timeout=0")},
        {{"calibrate", "--keep-unverified"},
         "--keep-unverified needs --verify or --checks 1 or more",
         summary(C::Calibrate, " operands=0 targets=0 checks=0 max=0.000000 attempts=0 timeout=0")},
        {{"rotate", "-90"}, "unknown option -90", summary(C::None, " operands=0")},
        {{"rotate", "90deg"},
         "rotate: unknown orientation \"90deg\"",
         summary(C::Rotate, " operands=1"),
         2},
        {{"--device", "a", "--device", "b", "show"},
         "--device is given twice",
         summary(C::None, " device=a operands=0")},
        {{"show", "--device"}, "--device needs a device path", summary(C::None, " operands=0")},
        {{"help", "frob"},
         "unknown command or help topic \"frob\"",
         summary(C::Help, " operands=1")},
    };
    for (const auto& row : rows) {
        std::string line;
        for (const std::string& arg : row.args)
            line += arg + " ";
        SCOPED_TRACE(line);
        ctl::Invocation invocation;
        int exitCode = -1;
        const std::string error = ctl::ParseCommandLine(row.args, invocation, &exitCode);
        EXPECT_EQ(error.substr(0, std::string(row.error).size()), row.error);
        EXPECT_EQ(error.empty(), row.error[0] == 0);
        EXPECT_EQ(Summary(invocation), row.summary);
        EXPECT_EQ(exitCode, error.empty() ? 0 : row.exitCode);
    }
}

// The exit codes of the help texts come from one table: a command's help
// lists exactly the codes it can end with; the tool's help names every
// command and topic.
TEST(VelctlHelp, EachTextListsItsCommandsAndExitCodes) {
    using C = ctl::Command;
    auto listed = [](const std::string& help, int code) {
        return help.find("\n  " + std::to_string(code) + " ") != std::string::npos;
    };
    std::vector<int> runs = {0, 1, 2, 3, 4, 6};
    for (int code = ctl::kExitCheckFailed; code <= ctl::kExitVerifyUndone; ++code)
        runs.push_back(code);
    const struct {
        C command;
        std::vector<int> codes;
    } rows[] = {
        {C::Calibrate, runs},
        {C::Identify, {0, 1, 2, 3, 6, 8, 9, 15}},
        {C::Check, {0, 1, 3, 6, 20, 21, 22, 23, 24, 25, 26}},
        {C::CheckSdk, {0, 1, 6}},
        {C::List, {0, 1, 6}},
        {C::Reset, {0, 1, 3, 4, 6}},
        {C::Rotate, {0, 1, 2, 3, 4, 6}},
        {C::Import, {0, 1, 2, 3, 4, 5, 6}},
        {C::Record, {0, 1, 2, 3, 4, 5, 6}},
        {C::Displays, {0, 1}},
    };
    for (const auto& row : rows) {
        const std::string help = ctl::HelpText(row.command);
        for (int code = 0; code <= 30; ++code) {
            const bool bExpected =
                std::find(row.codes.begin(), row.codes.end(), code) != row.codes.end();
            EXPECT_EQ(listed(help, code), bExpected)
                << ctl::CommandName(row.command) << " " << code;
        }
    }
    // Whatever way a run ends, calibrate's help tells its code.
    for (uint32_t outcome = 0; outcome < 64; ++outcome)
        EXPECT_TRUE(listed(ctl::HelpText(C::Calibrate), ctl::CalibrationExitCode(outcome)))
            << outcome;

    const std::string tool = ctl::HelpText(C::None);
    EXPECT_EQ(ctl::AllCommands().size(), static_cast<size_t>(C::Check));
    for (C command : ctl::AllCommands()) {
        const std::string name = ctl::CommandName(command);
        EXPECT_NE(tool.find("\n  " + name + " "), std::string::npos) << name;
        ctl::Invocation invocation;
        EXPECT_EQ(ctl::ParseCommandLine({"help", name}, invocation), "");
        EXPECT_EQ(invocation.command, command);
    }
    EXPECT_NE(tool.find("\n  exit-codes "), std::string::npos);

    // The whole table: every code once, in order, in 100 columns, without
    // blanks at line ends (the README shows it as it is).
    const std::string table = ctl::HelpText(C::ExitCodes);
    int last = -1;
    for (const ctl::ExitCodeRow& row : ctl::ExitCodes()) {
        EXPECT_GT(row.code, last);
        last = row.code;
        const std::string start = "\n" + std::to_string(row.code) + " ";
        EXPECT_NE(table.find(start), std::string::npos) << row.code;
        EXPECT_EQ(table.find(start), table.rfind(start)) << row.code;
    }
    size_t begin = 0;
    for (size_t end; (end = table.find('\n', begin)) != std::string::npos; begin = end + 1) {
        const std::string line = table.substr(begin, end - begin);
        EXPECT_LE(line.size(), 100u) << line;
        EXPECT_TRUE(line.empty() || line.back() != ' ') << line;
    }
}

TEST(VelctlProfile, WhatExportWritesImportReadsBack) {
    Values values;
    for (const ctl::Setting& setting : ctl::Settings()) {
        values.value[setting.id] =
            setting.maximum - setting.id % (setting.maximum - setting.minimum + 1);
        values.given[setting.id] = true;
    }
    const std::string text = ctl::FormatProfile(values, "\\\\?\\hid#x#0");
    // Every line ends with CR LF, as Windows programs expect.
    size_t nLf = 0, nCrLf = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        nLf += text[i] == '\n';
        nCrLf += text.compare(i, 2, "\r\n") == 0;
    }
    EXPECT_EQ(nLf, nCrLf);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    // UTF-16 as Notepad and PowerShell save it, with its byte order mark.
    auto utf16 = [](const std::string& ascii, bool bBigEndian) {
        std::string bytes = bBigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char c : ascii)
            bytes += bBigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        return bytes;
    };
    std::string lf = text;
    for (size_t i; (i = lf.find("\r\n")) != std::string::npos;)
        lf.erase(i, 1);
    const struct {
        const char* what;
        std::string bytes;
    } rows[] = {
        {"as written", text},
        {"LF only", lf},
        {"UTF-8 byte order mark", "\xEF\xBB\xBF" + text},
        {"UTF-16LE", utf16(text, false)},
        {"UTF-16BE", utf16(text, true)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Values read;
        EXPECT_EQ(ctl::ParseProfile(row.bytes, read), std::vector<std::string>());
        for (const ctl::Setting& setting : ctl::Settings()) {
            EXPECT_TRUE(read.given[setting.id]) << setting.name;
            EXPECT_EQ(read.value[setting.id], values.value[setting.id]) << setting.name;
        }
    }
    // Written by hand: blanks, comments after values and headers, any case,
    // a character beyond the BMP in a comment.
    Values edited;
    EXPECT_EQ(ctl::ParseProfile("\xEF\xBB\xBF; by hand \xF0\x9F\x96\x90\r\n\r\n"
                                "  [DoubleClick] ; the mouse\r\n"
                                "\tdoubleClickSpeed=  700 ; slower\r\n[TOUCH]\n"
                                "touchsmooth = 3 # smoother\n",
                                edited),
              std::vector<std::string>());
    EXPECT_EQ(edited.value[ctl::kDoubleClickSpeed], 700);
    EXPECT_EQ(edited.value[ctl::kTouchSmooth], 3);
    EXPECT_FALSE(edited.given[ctl::kTouchHeight]);
}

TEST(VelctlProfile, ABadProfileIsReportedLineByLine) {
    const struct {
        std::string text;
        std::vector<std::string> errors;
    } rows[] = {
        {"", {"the profile names no setting"}},
        {"# nothing\n[touch]\n", {"the profile names no setting"}},
        {"touchMode = 1\n", {"line 1: touchMode belongs in [touch]"}},
        {"[touch]\ntouchMode = 1\n[touches]\ntouchHeight = 4\n[touch\n",
         {"line 3: unknown section [touches]; the sections are [touch] and [doubleClick]",
          "line 4: touchHeight belongs in [touch]",
          "line 5: unknown section [touch; the sections are [touch] and [doubleClick]"}},
        {"[touch]\ntouchSmooth = ; 3\n",
         {"line 2: touchSmooth: \"\" is not a number; touchSmooth takes 0..10"}},
        // Encodings it cannot read: one message, what to do at its end.
        {std::string("[touch]\0\n", 9),
         {"the profile holds NUL bytes, as UTF-16 without a byte order mark does; save it as "
          "UTF-8"}},
        {"[touch]\n; caf\xE9\ntouchMode = 1\n",
         {"line 2: a byte that is not UTF-8 (another encoding, such as ANSI); save it as UTF-8"}},
        {"\xED\xA0\x80",
         {"line 1: a byte that is not UTF-8 (another encoding, such as ANSI); "
          "save it as UTF-8"}},
        {"\xC0\xAF",
         {"line 1: a byte that is not UTF-8 (another encoding, such as ANSI); save "
          "it as UTF-8"}},
        {"\xFF\xFE[\0", {"the profile is UTF-16 of an odd number of bytes; save it as UTF-8"}},
        {std::string("\xFF\xFE\x00\xD8[\0", 6),
         {"the profile's UTF-16 holds a lone surrogate; save it as UTF-8"}},
        {"[touch]\ntouchMode = 1\ntouchMode = 2\ntouchHeight: 4\ntouchSmooth = 11\n",
         {"line 3: touchMode is given twice", "line 4: \"touchHeight: 4\" is not NAME = VALUE",
          "line 5: touchSmooth: 11 is out of range; touchSmooth takes 0..10"}},
        {"[doubleClick]\r\nspeed = 1\r\n",
         {"line 2: unknown setting \"speed\" (velctl help set lists them)"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        Values values;
        EXPECT_EQ(ctl::ParseProfile(row.text, values), row.errors);
    }
}

TEST(VelctlReport, JsonStringsEscapeWhatJsonRequires) {
    EXPECT_EQ(ctl::JsonString("\\\\?\\hid#\"x\"\n\x01\xE6\x97\x8B"),
              "\"\\\\\\\\?\\\\hid#\\\"x\\\"\\u000a\\u0001\xE6\x97\x8B\"");
}

// Columns as wide as their widest entry, negative origins, a display whose
// orientation the system did not give; numbered in their order.
TEST(VelctlReport, DisplaysAsTableAndJson) {
    DisplayInfo primary, left, odd;
    primary.device = "\\\\.\\DISPLAY1", primary.rect = {0, 0, 1920, 1080};
    primary.work = {0, 0, 1920, 1040}, primary.primary = true;
    left.device = "\\\\.\\DISPLAY2", left.rect = left.work = {-1080, -420, 1080, 1920};
    left.orientation = 270, left.dpi = 144;
    odd.device = "\\\\.\\DISPLAY10", odd.rect = odd.work = {1920, 0, 800, 600};
    odd.orientation = -1, odd.dpi = 120;
    DesktopLayout three;
    three.displays = {primary, left, odd};
    const struct {
        DesktopLayout displays;
        const char* text;
        const char* json;
    } rows[] = {
        {DesktopLayout(), "display  device  rectangle  primary  orientation  dpi\n", "[]\n"},
        {three,
         R"(display  device         rectangle             primary  orientation  dpi
1        \\.\DISPLAY1   0,0 1920x1080         yes      0            96
2        \\.\DISPLAY2   -1080,-420 1080x1920  no       270          144
3        \\.\DISPLAY10  1920,0 800x600        no       ?            120
)",
         R"([
  {"number": 1, "device": "\\\\.\\DISPLAY1", "x": 0, "y": 0, "width": 1920, )"
         R"("height": 1080, "workX": 0, "workY": 0, "workWidth": 1920, "workHeight": 1040, )"
         R"("primary": true, "orientation": 0, "dpi": 96},
  {"number": 2, "device": "\\\\.\\DISPLAY2", "x": -1080, "y": -420, "width": 1080, )"
         R"("height": 1920, "workX": -1080, "workY": -420, "workWidth": 1080, "workHeight": 1920, )"
         R"("primary": false, "orientation": 270, "dpi": 144},
  {"number": 3, "device": "\\\\.\\DISPLAY10", "x": 1920, "y": 0, "width": 800, )"
         R"("height": 600, "workX": 1920, "workY": 0, "workWidth": 800, "workHeight": 600, )"
         R"("primary": false, "orientation": null, "dpi": 120}
]
)"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ctl::DisplaysText(row.displays), row.text);
        EXPECT_EQ(ctl::DisplaysJson(row.displays), row.json);
    }
}

// Display 1 the primary, display 2 left of it, lower down.
DesktopLayout TwoDisplays() {
    DisplayInfo primary, left;
    primary.device = "\\\\.\\DISPLAY1", primary.rect = {0, 0, 1024, 768};
    primary.primary = true;
    left.device = "\\\\.\\DISPLAY2", left.rect = {-800, 100, 800, 600};
    left.identity = "\\\\?\\DISPLAY#VEL0002#2";
    DesktopLayout layout;
    layout.displays = {primary, left};
    layout.desktop = {-800, 0, 1824, 768};
    return layout;
}

// What calibrate and identify check before a window: the options' ranges, and
// what the desktop can hold (not what only the run can tell).
TEST(VelctlCommandLine, CalibrateOptionsAndPlaceAreCheckedBeforeAnyRun) {
    const struct {
        std::vector<std::string> args;
        const char* check; // prefix of CheckCalibrateOptions; "" when fine
        const char* place; // prefix of PlaceMessage
    } rows[] = {
        {{"calibrate", "--space", "auto", "--verify", "1"},
         "calibrate: --space auto needs --verify 2 or more",
         ""},
        {{"calibrate", "--display", "2", "--space", "auto", "--verify", "2"}, "", ""},
        {{"calibrate", "--display", "touch"}, "", ""},
        {{"calibrate", "--display", "3", "--space", "auto", "--verify", "2"},
         "",
         "calibrate: display 3: the system has 2 displays (velctl displays, velctl help "
         "calibrate)"},
        {{"calibrate", "--display", "2", "--space", "primary"},
         "",
         "calibrate: display 2 (-800,100 800x600) lies outside the primary display"},
        {{"identify", "--rounds", "21"}, "identify: 21 ", ""},
        // What check --calibrate runs.
        {ctl::MendArguments(), "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args[1] + " " + row.args.back());
        ctl::Invocation invocation;
        ASSERT_EQ(ctl::ParseCommandLine(row.args, invocation), "");
        const std::string check = ctl::CheckCalibrateOptions(invocation);
        EXPECT_EQ(check.substr(0, std::strlen(row.check)), row.check);
        EXPECT_EQ(check.empty(), row.check[0] == 0);
        const std::string place = ctl::PlaceMessage(invocation, TwoDisplays());
        EXPECT_EQ(place.substr(0, std::strlen(row.place)), row.place);
        EXPECT_EQ(place.empty(), row.place[0] == 0);
        // Each message points to its help once.
        for (const std::string& message : {check, place})
            EXPECT_EQ(message.find("(velctl"), message.rfind("(velctl")) << message;
    }
    VEL_CALIB_OPTIONS byTouch = ctl::Invocation().calibration;
    byTouch.nDisplay = VEL_CALIB_DISPLAY_TOUCH;
    EXPECT_EQ(ctl::PlaceRefusal(byTouch, DesktopLayout()), "the system reports no display");
}

TEST(VelctlReport, OutcomesNamesAndExitCodes) {
    const struct {
        uint32_t outcome;
        const char* name;
        int exitCode;
    } rows[] = {{VEL_CALIB_VERIFY_FAILED, "verify failed", 13},
                {VEL_CALIB_VERIFY_UNDONE, "verify failed and undone", 16},
                {VEL_CALIB_IDENTIFIED, "identified", 0},
                {VEL_CALIB_NOT_IDENTIFIED, "not identified", 15},
                {VEL_CALIB_CANCELLED, "cancelled", 8},
                {VEL_CALIB_STOPPED, "stopped", 9},
                {99, "unknown", 1}};
    for (const auto& row : rows) {
        EXPECT_STREQ(ctl::OutcomeName(row.outcome), row.name);
        EXPECT_EQ(ctl::CalibrationExitCode(row.outcome), row.exitCode) << row.name;
    }
    VEL_CALIB_RESULT r = {};
    r.cbSize = sizeof r, r.nOutcome = VEL_CALIB_IDENTIFIED, r.nDisplay = 2;
    r.display = {-800, 100, 800, 600}, r.nOrientation = 90, r.nDpi = 144;
    EXPECT_EQ(
        ctl::IdentifyText(r, TwoDisplays()),
        "outcome        identified: the touch screen's display was found by a touch; nothing "
        "was calibrated\ndisplay        2 (\\\\.\\DISPLAY2)\nrectangle      -800,100 800x600\n"
        "orientation    90 degrees\ndpi            144\n");
    r.nOutcome = VEL_CALIB_NOT_IDENTIFIED, r.nDisplay = 0;
    EXPECT_EQ(ctl::IdentifyText(r, TwoDisplays()).find("\ndisplay"), std::string::npos);
}

// An auto run on display 2 found by touch: the first round in the display's
// own space showed the whole desktop, the second verified there; or no space
// reached display 2 and the advice is to change the mapping.
TEST(VelctlReport, CalibrationReportsBothVerifyRoundsAndWhatToChange) {
    VEL_CALIB_RESULT two = {};
    two.cbSize = sizeof two, two.nOutcome = VEL_CALIB_VERIFIED, two.nAttempts = 1;
    two.nDisplay = 2, two.display = {-800, 100, 800, 600};
    two.nSpace = VEL_CALIB_SPACE_DESKTOP, two.space = {-800, 0, 1824, 768};
    two.nChosenBy = 1, two.nVerifyRounds = 2, two.nOrientation = 0, two.nDpi = 96;
    two.nVerifyPoints = 2, two.dVerifyMeanPx = 0.5, two.dVerifyMaxPx = 1.0;
    VEL_CALIB_VERIFY_ROUND& first = two.firstRound;
    first.nSpace = VEL_CALIB_SPACE_DISPLAY, first.space = two.display, first.nVerifyPoints = 2;
    first.nDiagnosis = VEL_CALIB_DIAGNOSIS_DESKTOP, first.diagnosed = {-800, 0, 1824, 768};
    first.dVerifyMeanPx = 501.12, first.dVerifyMaxPx = 769.17;
    VEL_CALIB_RESULT unreached = two;
    unreached.nOutcome = VEL_CALIB_BAD_ARGUMENTS, unreached.nVerifyRounds = 0;
    VEL_CALIB_RESULT failed = two;
    failed.nOutcome = VEL_CALIB_VERIFY_FAILED, failed.nChosenBy = 0, failed.nVerifyRounds = 1;
    failed.nSpace = VEL_CALIB_SPACE_DISPLAY, failed.space = failed.display;
    failed.nDiagnosis = VEL_CALIB_DIAGNOSIS_PRIMARY, failed.nDiagnosedDisplay = 1;
    failed.diagnosed = {0, 0, 1024, 768};
    VEL_CALIB_RESULT undone = failed; // and what was before put back
    undone.nOutcome = VEL_CALIB_VERIFY_UNDONE, undone.nRestored = VEL_CALIB_RESTORED_REMEMBERED;
    // Ways out: after the set was written (taken back, or kept), and before.
    VEL_CALIB_RESULT escaped = failed;
    escaped.nOutcome = VEL_CALIB_CANCELLED, escaped.nRestored = VEL_CALIB_RESTORED_RESET;
    VEL_CALIB_RESULT kept = escaped;
    kept.nOutcome = VEL_CALIB_TIMED_OUT, kept.nRestored = VEL_CALIB_RESTORED_NONE;
    kept.nAccepted = VEL_CALIB_RECORD_HD;
    VEL_CALIB_RESULT early = kept;
    early.nOutcome = VEL_CALIB_STOPPED, early.nAttempts = 0;
    const struct {
        const VEL_CALIB_RESULT& result;
        uint32_t nSpace; // asked for
        std::vector<std::string> text, json;
        std::string date = ""; // of the calibration remembered before the run
    } rows[] = {
        {two,
         VEL_CALIB_SPACE_AUTO,
         {"display        2 found by touch (-800,100 800x600); the screen's range taken to cover "
          "the whole desktop (-800,0 1824x768)\norientation    0 degrees\ndpi            96\n",
          "verify round 1 display (-800,100 800x600): 2 of 2, mean 501.12 px, max 769.17 px; the "
          "touches land as if the screen's range covered the whole desktop (-800,0 1824x768)\n",
          "\nverify round 2 desktop (-800,0 1824x768), the space round 1 showed"},
         {"\"chosenBy\": \"touch\"",
          "\"verifyRounds\": 2,\n  \"firstRound\": {\n    \"space\": \"display\"",
          "\"verifyMaxPx\": 769.17,\n    \"diagnosis\": {\"covers\": \"desktop\""}},
        {failed,
         VEL_CALIB_SPACE_AUTO,
         {"\ndisplay        2 (-800,100 800x600)",
          "diagnosis      the touches land as if the screen's range covered the primary display "
          "(0,0 1024x768): its driver reaches only the primary display; map the touch screen to "
          "display 2 in the touch screen driver's settings (or the system's pen and touch display "
          "setting), or make display 2 the primary display, then calibrate again\n"},
         {"\"chosenBy\": \"option\"", "\"restored\": null,\n  \"restoredDate\": null",
          "\"firstRound\": null"}},
        {undone,
         VEL_CALIB_SPACE_AUTO,
         {"undone: a verify touch landed beyond the limit; what was in force before was put "
          "back\nput back       the calibration the tools wrote before (2026-12-09T21:04:05Z)\n",
          "diagnosis      the touches land as if"},
         {"\"exitCode\": 16", "\"restored\": \"remembered\",\n  \"restoredDate\": "
                              "\"2026-12-09T21:04:05Z\""},
         "2026-12-09T21:04:05Z"},
        {escaped,
         VEL_CALIB_SPACE_DISPLAY,
         {"cancelled: the user ended it; the calibration it wrote was taken back\nput back       "
          "the screen's own reset"},
         {"\"exitCode\": 8", "\"restored\": \"reset\""}},
        {kept, VEL_CALIB_SPACE_DISPLAY, {"idle time; the calibration it wrote stays\n"}, {}},
        {early, VEL_CALIB_SPACE_DISPLAY, {"ended it; nothing was written\n"}, {}},
        {unreached,
         VEL_CALIB_SPACE_PRIMARY,
         {"display        2 found by touch (-800,100 800x600): its targets lie beyond the "
          "screen's range if it covers the primary display; calibrate with --space auto"},
         {}},
    };
    for (const auto& row : rows) {
        VEL_CALIB_OPTIONS options = ctl::Invocation().calibration;
        options.nSpace = row.nSpace, options.nVerifyPoints = 2;
        const std::string text = ctl::CalibrationText(row.result, options, row.date);
        const std::string json = ctl::CalibrationJson(row.result, options, row.date);
        for (const std::string& part : row.text)
            EXPECT_NE(text.find(part), std::string::npos) << part << "\nin:\n" << text;
        for (const std::string& part : row.json)
            EXPECT_NE(json.find(part), std::string::npos) << part << "\nin:\n" << json;
        EXPECT_EQ(text.find("verify round") != std::string::npos, row.result.nVerifyRounds == 2);
    }
}

// show's lines after its own: the calibration remembered for the screen and
// a warning per change of its display since.
TEST(VelctlReport, ShowAddsTheRememberedCalibrationAndWhatChanged) {
    ctl::ScreenState state;
    state.layout = TwoDisplays();
    RememberedCalibration& e = state.remembered;
    e.display = "\\\\?\\DISPLAY#VEL0002#2", e.displayName = "\\\\.\\DISPLAY2", e.nDisplay = 2;
    e.rect = {-800, 100, 800, 600}, e.orientation = 0, e.dpi = 96;
    e.nSpace = VEL_CALIB_SPACE_DISPLAY, e.space = e.rect, e.nOutcome = VEL_CALIB_VERIFIED;
    e.nVerifyPoints = 5, e.dVerifyMeanPx = 0.4, e.dVerifyMaxPx = 0.8;
    e.nRecord = VEL_CALIB_RECORD_16, e.nCoefficients[0] = 1111, e.date = "2026-12-09T21:04:05Z";
    const std::string remembered =
        "calibration       verified, 2026-12-09T21:04:05Z\n"
        "calibDisplay      2 (\\\\.\\DISPLAY2), -800,100 800x600, 0 degrees, 96 DPI\n"
        "calibIdentity     \\\\?\\DISPLAY#VEL0002#2\n"
        "calibSpace        display (-800,100 800x600)\n"
        "calibVerify       5 points, mean 0.40 px, max 0.80 px\n"
        "calibSet          16-bit 1111 0 0 0 0 0 0 0\n";
    DesktopLayout moved = TwoDisplays(), gone = TwoDisplays();
    moved.displays[1].rect = {1024, 0, 800, 600};
    gone.displays.pop_back();
    const struct {
        bool hasRemembered;
        DesktopLayout layout;
        std::string tail; // after "orientation ..."
        const char* json; // part of ShowJson
    } rows[] = {
        {false, TwoDisplays(), "calibration       no calibration remembered for this screen\n",
         "\"orientation\": null,\n  \"calibration\": null\n}"},
        {true, TwoDisplays(), remembered, "\"displayNow\": 2,\n    \"changes\": []"},
        {true, moved,
         remembered + "warning           display 2 (\\\\.\\DISPLAY2) was -800,100 800x600 and is "
                      "1024,0 800x600\n",
         "\"set\": [1111, 0, 0, 0, 0, 0, 0, 0]"},
        {true, gone,
         remembered + "warning           display 2 (\\\\.\\DISPLAY2), calibrated "
                      "2026-12-09T21:04:05Z, is gone\n",
         "\"displayNow\": null"},
    };
    for (const auto& row : rows) {
        state.hasRemembered = row.hasRemembered, state.layout = row.layout;
        const std::string text = ctl::ShowText(state);
        const std::string own = "cannot report its orientation\n";
        EXPECT_EQ(text.substr(text.find(own) + own.size()), row.tail);
        EXPECT_NE(ctl::ShowJson(state).find(row.json), std::string::npos) << ctl::ShowJson(state);
    }
}

// check: the first change found, in the order of the exit codes, decides; a
// display only renumbered is no change.
TEST(VelctlCheck, StatusExitCodeAndWordsOverLayouts) {
    RememberedCalibration e;
    e.device = "\\\\?\\hid#velsim_touch#0", e.date = "2026-12-09T21:04:05Z";
    e.display = "\\\\?\\DISPLAY#VEL0002#2", e.displayName = "\\\\.\\DISPLAY2", e.nDisplay = 2;
    e.rect = {-800, 100, 800, 600}, e.orientation = 0, e.dpi = 96, e.nOutcome = VEL_CALIB_VERIFIED;
    RememberedCalibration other = e;
    other.device = "\\\\?\\hid#velsim_touch#1";
    const DesktopLayout same = TwoDisplays();
    DesktopLayout moved = same, gone = same, turned = same;
    DesktopLayout resized = same, rescaled = same, renumbered = same;
    moved.displays[1].rect = {-700, 100, 800, 600};
    gone.displays.pop_back();
    turned.displays[1].rect = {-600, 100, 600, 800}, turned.displays[1].orientation = 90;
    resized.displays[1].rect = {-1024, 100, 1024, 768}; // moved too
    rescaled.displays[1].dpi = 144;
    std::swap(renumbered.displays[0], renumbered.displays[1]);
    const struct {
        std::vector<RememberedCalibration> memory;
        const DesktopLayout& layout;
        int exitCode;
        const char* status;
        const char* change; // the first, from its end
    } rows[] = {
        {{e}, same, 0, "unchanged", ""},
        {{other, e}, renumbered, 0, "unchanged", ""},
        {{}, same, 20, "not remembered", ""},
        {{other}, same, 21, "path changed", "none for \\\\?\\hid#velsim_touch#0"},
        {{e}, gone, 22, "gone", "calibrated 2026-12-09T21:04:05Z, is gone"},
        {{e}, turned, 23, "turned", "and is -600,100 600x800"},
        {{e}, resized, 24, "resized", "and is -1024,100 1024x768"},
        {{e}, moved, 25, "moved", "and is -700,100 800x600"},
        {{e}, rescaled, 26, "dpi changed", "was at 96 DPI and is at 144"},
    };
    for (const auto& row : rows) {
        const ctl::CalibrationCheck check = ctl::CheckCalibration(row.memory, e.device, row.layout);
        EXPECT_EQ(check.exitCode, row.exitCode) << row.status;
        EXPECT_STREQ(check.status, row.status);
        const std::string first = check.changes.empty() ? "" : check.changes[0];
        EXPECT_EQ(first.substr(first.size() - std::strlen(row.change)), row.change);
        EXPECT_EQ(check.mend.empty(), row.exitCode == 0) << row.status;
    }
    const std::string mend = "velctl calibrate --display touch --space auto --verify 5";
    const ctl::CalibrationCheck check = ctl::CheckCalibration({e}, e.device, moved);
    EXPECT_EQ(ctl::CheckText(check),
              "moved: the display the screen was calibrated on has moved on the desktop\n"
              "device         \\\\?\\hid#velsim_touch#0\n"
              "calibrated     verified, 2026-12-09T21:04:05Z, display 2 (\\\\.\\DISPLAY2), "
              "-800,100 800x600, 0 degrees, 96 DPI\n"
              "display now    2 (\\\\.\\DISPLAY2), -700,100 800x600, 0 degrees, 96 DPI\n"
              "change         display 2 (\\\\.\\DISPLAY2) was -800,100 800x600 and is -700,100 "
              "800x600\n"
              "mend with      " +
                  mend + "\n");
    // calibrate's object one level in, after --calibrate.
    const std::string json = ctl::CheckJson(check, "{\n  \"outcome\": \"verified\"\n}\n");
    EXPECT_EQ(json.substr(json.find("\"mend\"")),
              "\"mend\": \"" + mend +
                  "\",\n  \"calibration\": {\n    \"outcome\": \"verified\"\n  }\n}\n");
    // With --device the command names it, quoted for cmd.
    EXPECT_EQ(ctl::CheckCalibration({e}, "\\\\?\\hid#vid_0eef&pid_0001#0", moved, true).mend,
              "velctl --device \"\\\\?\\hid#vid_0eef&pid_0001#0\" calibrate --display touch "
              "--space auto --verify 5");
}

// A report of the simulated screen and when it came.
struct Fed {
    uint64_t us;
    velsim::Report report;
    size_t length = velsim::kReportSize;
};

// A touch of n contact reports 10 ms apart from startMs, then its release.
// In the first 50 ms the finger lands 300 raw units right of where it rests;
// after them x and y alternate ±ax and ±ay about (x, y), which move by step
// each report.
std::vector<Fed> Touch(uint64_t startMs, int n, int x, int y, int ax, int ay, int step = 0) {
    std::vector<Fed> feed;
    for (int i = 0; i < n; ++i) {
        const int sign = i % 2 ? -1 : 1;
        const int px = i < 5 ? x + 300 : x + sign * ax + step * i, py = i < 5 ? y : y + sign * ay;
        feed.push_back({(startMs + 10 * i) * 1000, velsim::MakeReport(true, px, py)});
    }
    feed.push_back({(startMs + 10 * n) * 1000, velsim::MakeReport(false, 0, 0)});
    return feed;
}

std::vector<Fed> operator+(std::vector<Fed> a, const std::vector<Fed>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Still touches give their noise after the finger settled, in raw units, in
// the Touch Jitter's unit through the set's local scale and in pixels through
// the space; touches pool; what moves or ends early measures nothing.
TEST(VelctlWatch, StillTouchesMeasureTheirNoiseAndTheJitterThatCoversIt) {
    // X = y / 2, Y = x / 2 in a space of 1024 x 4096 pixels at 100,0: raw x
    // noise shows in pixel y, 1/16 pixel per raw unit, raw y noise in pixel x,
    // 1/64 pixel per raw unit.
    RememberedCalibration turned;
    turned.nRecord = VEL_CALIB_RECORD_HD, turned.space = {100, 0, 1024, 4096};
    const float set[8] = {0, 500, 0, 500, 0, 0, 0, 0};
    std::memcpy(turned.fCoefficients, set, sizeof set);
    velsim::Report bad = velsim::MakeReport(true, 1, 1);
    bad[60] = 0;
    const std::vector<Fed> odd = {{1000, velsim::MakeReport(false, 0, 0)}, {2000, bad}};
    const struct {
        const char* what;
        const RememberedCalibration* calibration;
        int jitter;
        std::vector<Fed> feed;
        const char* events; // their kinds, and the ups' motions
        double noise[6][2]; // sd, range: raw x, y, jitter x, y, pixels x, y
        double upPixel[2];  // of the last up, when mapped
        uint64_t counts[4]; // reports, unknown, releases without a touch, still touches
        const char* hint;
    } rows[] = {
        {"one still touch",
         nullptr,
         200,
         Touch(0, 25, 30000, 20000, 40, 10),
         "down up:still ",
         {{40, 80}, {10, 20}, {40, 80}, {10, 20}, {0, 0}, {0, 0}},
         {0, 0},
         {26, 0, 0, 1},
         "still touches wander \u00b140 raw units (\u00b140 in 1/32767); Touch Jitter 200 "
         "covers them"},
        {"two pool: the sd over both, the larger range",
         nullptr,
         20,
         Touch(0, 25, 30000, 20000, 40, 10) + Touch(1000, 25, 5000, 6000, 20, 30),
         "down up:still down up:still ",
         {{std::sqrt(1000.0), 80},
          {std::sqrt(500.0), 60},
          {std::sqrt(1000.0), 80},
          {std::sqrt(500.0), 60},
          {0, 0},
          {0, 0}},
         {0, 0},
         {52, 0, 0, 2},
         "still touches wander \u00b140 raw units (\u00b140 in 1/32767); Touch Jitter 20 is less: "
         "set it to at least 60 (velctl set touchJitter=60)"},
        {"through a turned set",
         &turned,
         ctl::kJitterUnknown,
         Touch(0, 25, 20000, 30000, 4, 2),
         "down up:still ",
         {{4, 8}, {2, 4}, {1, 2}, {2, 4}, {1.0 / 32, 2.0 / 32}, {0.25, 0.5}},
         {100 + 15000 / 32.0, 10000 / 8.0},
         {26, 0, 0, 1},
         "still touches wander \u00b14 raw units (\u00b12 in 1/32767, \u00b10.25 px); the "
         "device's Touch Jitter is unknown: 10 or more covers them"},
        {"a stray release, a tap, an unknown report, a swipe",
         &turned,
         200,
         odd + Touch(100, 3, 30000, 20000, 0, 0) + Touch(500, 25, 1000, 1000, 0, 0, 1000),
         "unknown down up:short down up:moved ",
         {},
         {100 + 500 / 32.0, 7750 / 8.0},
         {32, 1, 1, 0},
         "no still touch yet: hold a finger still on the screen for a second"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ctl::TouchWatch watch(row.calibration, row.jitter);
        std::string kinds;
        ctl::WatchEvent up;
        for (const Fed& fed : row.feed) {
            for (const ctl::WatchEvent& event : watch.Feed(fed.us, fed.report.data(), fed.length)) {
                const std::string json = ctl::WatchEventJson(event);
                EXPECT_EQ(json.find('\n'), json.size() - 1) << json;
                if (event.kind == ctl::WatchEventKind::Down)
                    kinds += "down ";
                if (event.kind == ctl::WatchEventKind::Unknown)
                    kinds += "unknown ";
                if (event.kind != ctl::WatchEventKind::Up)
                    continue;
                up = event;
                kinds += event.motion == ctl::TouchMotion::Still   ? "up:still "
                         : event.motion == ctl::TouchMotion::Moved ? "up:moved "
                                                                   : "up:short ";
            }
        }
        EXPECT_EQ(kinds, row.events);
        EXPECT_EQ(up.hasPixel, row.calibration != nullptr);
        if (up.hasPixel) {
            EXPECT_NEAR(up.pixelX, row.upPixel[0], 1e-6);
            EXPECT_NEAR(up.pixelY, row.upPixel[1], 1e-6);
        }
        const ctl::WatchSummary s = watch.Summary(2000000);
        EXPECT_EQ(s.reports, row.counts[0]);
        EXPECT_DOUBLE_EQ(s.reportRate, row.counts[0] / 2.0);
        EXPECT_EQ(s.unknownReports, row.counts[1]);
        EXPECT_EQ(s.strayReleases, row.counts[2]);
        EXPECT_EQ(s.stillTouches, row.counts[3]);
        EXPECT_EQ(s.hint, row.hint);
        const ctl::AxisNoise* axes[6] = {&s.noise.raw.x,    &s.noise.raw.y,    &s.noise.jitter.x,
                                         &s.noise.jitter.y, &s.noise.pixels.x, &s.noise.pixels.y};
        for (int k = 0; k < 6 && s.hasNoise; ++k) {
            EXPECT_NEAR(axes[k]->sd, row.noise[k][0], 1e-6) << k;
            EXPECT_NEAR(axes[k]->range, row.noise[k][1], 1e-6) << k;
        }
        const std::string json = ctl::WatchSummaryJson(s);
        EXPECT_EQ(json.find('\n'), json.size() - 1) << json;
    }
}

// The header of a recording, line for line, and a report's line.
TEST(VelctlRecording, HeaderAndReportLines) {
    ctl::RecordingInfo info;
    info.toolVersion = "1.4.0", info.toolArchitecture = "x86";
    info.osMajor = 10, info.osMinor = 0, info.osBuild = 19045, info.osArchitecture = "x64";
    info.started = "2026-12-09T21:40:00Z";
    info.devicePath = "\\\\?\\hid#velsim_touch#0", info.deviceCount = 1;
    info.config.touchEnable = 1, info.config.touchMode = 2, info.config.rightClickTime = 2000;
    info.config.touchJitter = 200, info.config.touchHeight = 5, info.config.reserved24[29] = 0xAB;
    info.layout = TwoDisplays();
    info.layout.displays[1].orientation = -1, info.layout.displays[1].dpi = 120;
    const std::string head = "# VelTouch touch recording\r\n"
                             "format = 1\r\n"
                             "tool = velctl 1.4.0 x86\r\n"
                             "os = Windows 10.0.19045 x64\r\n"
                             "started = 2026-12-09T21:40:00Z\r\n"
                             "devicePath = \\\\?\\hid#velsim_touch#0\r\n"
                             "deviceCount = 1\r\n"
                             "config = 010200000000d00700000000000000000000c80000000500" +
                             std::string(58, '0') + "ab\r\n";
    const std::string displays = "display = 1 \\\\.\\DISPLAY1 0,0 1024x768 primary 0 96\r\n"
                                 "display = 2 \\\\.\\DISPLAY2 -800,100 800x600 - -1 120\r\n";
    RememberedCalibration hd, sixteen;
    hd.nDisplay = 2, hd.displayName = "\\\\.\\DISPLAY2", hd.nSpace = VEL_CALIB_SPACE_DISPLAY;
    hd.space = {-800, 100, 800, 600}, hd.nRecord = VEL_CALIB_RECORD_HD;
    hd.fCoefficients[0] = 1024.5f, hd.fCoefficients[4] = -0.1f, hd.date = "2026-12-09T21:04:05Z";
    sixteen.nRecord = VEL_CALIB_RECORD_16, sixteen.nCoefficients[0] = -1000;
    const struct {
        bool hasOutputMode;
        const RememberedCalibration* calibration;
        std::string tail; // after the displays
    } rows[] = {
        {true, &hd,
         "calibration = display 2 \\\\.\\DISPLAY2 space display -800,100 800x600 hd 1024.5 0 0 0 "
         "-0.100000001 0 0 0 2026-12-09T21:04:05Z\r\n"},
        {false, &sixteen,
         "calibration = display 0 - space primary 0,0 0x0 16 -1000 0 0 0 0 0 0 0 -\r\n"},
        {false, nullptr, "calibration = none\r\n"},
    };
    for (const auto& row : rows) {
        info.hasOutputMode = row.hasOutputMode, info.outputMode = 2;
        info.hasCalibration = row.calibration != nullptr;
        if (row.calibration != nullptr)
            info.calibration = *row.calibration;
        EXPECT_EQ(ctl::RecordingHeader(info),
                  head + (row.hasOutputMode ? "outputMode = 2\r\n" : "outputMode = none\r\n") +
                      displays + row.tail + "reports\r\n");
    }
    const velsim::Report report = velsim::MakeReport(true, 0x8002, 0x1234);
    const std::string line = ctl::RecordingLine(10512, report.data(), report.size());
    EXPECT_EQ(line,
              "10512 000000000000000000000007028034120" + std::string(87, '0') + "01000000\r\n");
    // What the x86 tools write, the simulated screen of either architecture
    // reads whole: the same record, output mode and report.
    const velsim::Recording read = velsim::ParseRecording(ctl::RecordingHeader(info) + line);
    EXPECT_TRUE(read.errors.empty());
    ASSERT_TRUE(read.config.has_value());
    EXPECT_EQ(std::memcmp(&*read.config, &info.config, sizeof info.config), 0);
    EXPECT_TRUE(read.hasOutputMode && !read.outputMode.has_value());
    ASSERT_EQ(read.reports.size(), 1u);
    EXPECT_EQ(read.reports[0].microseconds, 10512u);
    EXPECT_EQ(read.reports[0].bytes, std::vector<uint8_t>(report.begin(), report.end()));
}

} // namespace
