// The one table of velctl's exit codes: each code, what it means, and the
// commands that end with it. Every help text that lists exit codes is made
// from it, and so is "velctl help exit-codes".
#pragma once

#include <string>
#include <vector>

#include "cmdline.h"

namespace ctl {

// What a code means for one command, where the general words say too little.
struct CommandMeaning {
    Command command;
    const char* meaning;
};

struct ExitCodeRow {
    int code;
    const char* meaning; // in general
    unsigned commands;   // CommandBit of each command that ends with it
    const char* family;  // codes told together in the tool's help; "" for none
    std::vector<CommandMeaning> specific;
};

constexpr unsigned CommandBit(Command command) {
    return 1u << static_cast<unsigned>(command);
}

// Every exit code, in increasing order.
const std::vector<ExitCodeRow>& ExitCodes();

// "exit codes:" and a line per code the command ends with, in its words.
std::string CommandExitCodes(Command command, const char* heading = "exit codes:");
// The tool's summary: the codes of every command, then a line per family.
std::string ToolExitCodes();
// velctl help exit-codes: the whole table, at most 100 columns wide.
std::string ExitCodesHelp();

} // namespace ctl
