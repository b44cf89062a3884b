// The report script: every command with its defaults and limits, and errors
// by line.
#include "script.h"

#include <gtest/gtest.h>

using velsim::ParseScript;
using velsim::Script;
using velsim::ScriptCommand;

TEST(SdkScript, ParsesEachCommandWithItsDefaults) {
    Script script = ParseScript("# a comment line\n"
                                "touch 1 2\n"
                                "touch 65535 0 3   # trailing comment\n"
                                "screen 100 200 2\n"
                                "target 1\n"
                                "target 2 1\n"
                                "lift\n"
                                "wait 250\n"
                                "waitfor go\n"
                                "mark done.flag\n"
                                "raw 61 0001 02\n"
                                "raw 2 aabbcc\n"
                                "\n"
                                "mouse\n"
                                "desk -800 99999\n");
    ASSERT_TRUE(script.errors.empty());
    ASSERT_EQ(script.commands.size(), 13u);
    struct Row {
        ScriptCommand::Kind kind;
        int x, y, count;
    };
    const Row rows[] = {
        {ScriptCommand::Touch, 1, 2, 1},         {ScriptCommand::Touch, 65535, 0, 3},
        {ScriptCommand::Screen, 100, 200, 2},    {ScriptCommand::Screen, 30720, 2048, 5},
        {ScriptCommand::Screen, 2048, 30720, 1},
    };
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(script.commands[i].kind, rows[i].kind) << i;
        EXPECT_EQ(script.commands[i].x, rows[i].x) << i;
        EXPECT_EQ(script.commands[i].y, rows[i].y) << i;
        EXPECT_EQ(script.commands[i].count, rows[i].count) << i;
    }
    EXPECT_EQ(script.commands[5].kind, ScriptCommand::Lift);
    EXPECT_EQ(script.commands[6].ms, 250);
    EXPECT_EQ(script.commands[7].kind, ScriptCommand::WaitFor);
    EXPECT_EQ(script.commands[7].name, "go");
    EXPECT_EQ(script.commands[8].name, "done.flag");
    EXPECT_EQ(script.commands[9].length, 61);
    EXPECT_EQ(script.commands[9].data, (std::vector<uint8_t>{0x00, 0x01, 0x02}));
    EXPECT_EQ(script.commands[10].data, (std::vector<uint8_t>{0xAA, 0xBB}));
    EXPECT_EQ(script.commands[11].kind, ScriptCommand::Mouse);
    EXPECT_EQ(script.commands[11].line, 14);
    EXPECT_EQ(script.commands[12].kind, ScriptCommand::Desk);
    EXPECT_EQ(script.commands[12].x, -800);
    EXPECT_EQ(script.commands[12].y, 99999);
}

TEST(SdkScript, BadLinesAreReportedByNumberAndLeftOut) {
    const char* bad[] = {
        "touch 1",
        "touch 1 2 3 4",
        "touch -1 0",
        "touch 65536 0",
        "touch 1 2 0",
        "screen 32768 0",
        "target 4",
        "target -1",
        "target",
        "lift now",
        "wait",
        "wait -5",
        "waitfor",
        "waitfor a/b",
        "mark ..\\x",
        "mark c:x",
        "raw",
        "raw 256",
        "raw 4 0g",
        "raw 4 abc",
        "jump 1 2",
        "touch 1.5 2",
        "touch 0x10 2",
        // The folder's own files, and names the file system reads as others.
        "waitfor device.ini",
        "waitfor DEVICE.INI",
        "waitfor device.ini.",
        "mark device.ini.1.2.tmp",
        "waitfor journal.txt",
        "mark Script.txt",
        "waitfor DEVICE~1.INI",
        "mark ..",
        "desk 1",
        "desk 1 2 3",
        "desk 1.5 2",
        "desk 0 -100001",
        "shown 1",
        "session now",
    };
    for (const char* line : bad) {
        Script script = ParseScript(std::string("touch 1 1\n") + line + "\nlift\n");
        ASSERT_EQ(script.errors.size(), 1u) << line;
        EXPECT_EQ(script.errors[0].line, 2) << line;
        EXPECT_EQ(script.commands.size(), 2u) << line;
    }
}

// Each session of a program plays its own part; a script without parts plays
// whole every time; a session beyond the parts plays nothing.
TEST(SdkScript, SessionsPlayTheirParts) {
    const Script parted = ParseScript("shown\ntouch 1 1\nlift\nsession\ntouch 2 2\nsession\n");
    const Script whole = ParseScript("shown\ntouch 1 1\n");
    ASSERT_TRUE(parted.errors.empty());
    const struct {
        const Script& script;
        int session;
        std::vector<ScriptCommand::Kind> kinds;
    } rows[] = {
        {parted, 0, {ScriptCommand::Shown, ScriptCommand::Touch, ScriptCommand::Lift}},
        {parted, 1, {ScriptCommand::Touch}},
        {parted, 2, {}},
        {parted, 3, {}},
        {whole, 0, {ScriptCommand::Shown, ScriptCommand::Touch}},
        {whole, 5, {ScriptCommand::Shown, ScriptCommand::Touch}},
    };
    for (const auto& row : rows) {
        std::vector<ScriptCommand::Kind> kinds;
        for (const ScriptCommand& cmd : velsim::SessionPart(row.script, row.session))
            kinds.push_back(cmd.kind);
        EXPECT_EQ(kinds, row.kinds) << row.session;
    }
}
