// The simulated screen's script: whatever script.txt holds, every command
// parsed lies within its documented ranges, its file names are plain and never
// the folder's own files, and every other line is reported once.
//
// Input: script.txt as it is.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "script.h"

using velsim::ScriptCommand;

namespace {

bool IsOwnFile(const std::string& name) {
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower.rfind("device.ini", 0) == 0 || lower == "journal.txt" || lower == "script.txt";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string text(reinterpret_cast<const char*>(pData), nSize);
    const velsim::Script script = velsim::ParseScript(text);

    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    lines += !text.empty() && text.back() != '\n';
    int last = 0;
    size_t e = 0;
    for (const ScriptCommand& cmd : script.commands) {
        FUZZ_CHECK(cmd.line > last && cmd.line <= lines);
        // A line is either a command or an error, never both.
        for (; e < script.errors.size() && script.errors[e].line < cmd.line; ++e) {
        }
        FUZZ_CHECK(e == script.errors.size() || script.errors[e].line != cmd.line);
        last = cmd.line;
        switch (cmd.kind) {
        case ScriptCommand::Touch:
            FUZZ_CHECK(cmd.x >= 0 && cmd.x <= 65535 && cmd.y >= 0 && cmd.y <= 65535);
            FUZZ_CHECK(cmd.count >= 1 && cmd.count <= 100000);
            break;
        case ScriptCommand::Screen:
            FUZZ_CHECK(cmd.x >= 0 && cmd.x <= 32767 && cmd.y >= 0 && cmd.y <= 32767);
            FUZZ_CHECK(cmd.count >= 1 && cmd.count <= 100000);
            break;
        case ScriptCommand::Wait:
            FUZZ_CHECK(cmd.ms >= 0 && cmd.ms <= 3600000);
            break;
        case ScriptCommand::WaitFor:
        case ScriptCommand::Mark:
            FUZZ_CHECK(!cmd.name.empty() && !IsOwnFile(cmd.name));
            FUZZ_CHECK(cmd.name.find_first_of("\\/:*?\"<>|~") == std::string::npos);
            FUZZ_CHECK(cmd.name.back() != '.');
            break;
        case ScriptCommand::Raw:
            FUZZ_CHECK(cmd.length >= 0 && cmd.length <= 255);
            FUZZ_CHECK(cmd.data.size() <= static_cast<size_t>(cmd.length));
            break;
        case ScriptCommand::Desk: // any desktop pixel, negative ones included
        case ScriptCommand::Lift:
        case ScriptCommand::Mouse:
        case ScriptCommand::Shown:
        case ScriptCommand::Session:
            break;
        }
    }
    // The sessions' parts hold every command but the markers, in order.
    size_t nMarkers = 0, nInParts = 0;
    for (const ScriptCommand& cmd : script.commands)
        nMarkers += cmd.kind == ScriptCommand::Session;
    for (size_t part = 0; nMarkers > 0 && part <= nMarkers; ++part)
        nInParts += velsim::SessionPart(script, static_cast<int>(part)).size();
    FUZZ_CHECK(nMarkers == 0 ? velsim::SessionPart(script, 7).size() == script.commands.size()
                             : nInParts + nMarkers == script.commands.size());
    int previous = 0;
    for (const velsim::ScriptError& error : script.errors) {
        FUZZ_CHECK(error.line > previous && error.line <= lines);
        FUZZ_CHECK(!error.message.empty());
        previous = error.line;
    }
    return 0;
}
