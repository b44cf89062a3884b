#include "script.h"

#include "records.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace velsim {

namespace {

constexpr int kMaxRepeat = 100000;
// Desktop pixels lie within the system's coordinate space, ±32767 and a margin.
constexpr int kMaxDesk = 100000;

bool ToInt(const std::string& token, long lo, long hi, int* pValue) {
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(token.c_str(), &end, 10);
    if (token.empty() || *end != '\0' || errno == ERANGE || value < lo || value > hi)
        return false;
    *pValue = static_cast<int>(value);
    return true;
}

// A plain file name: the script may only create or remove files in its
// folder, and never the folder's own files (device.ini and its temporary
// files, journal.txt, script.txt). Names the file system would take as
// another name (a trailing dot, a short name with '~') are refused too.
bool IsPlainName(const std::string& name) {
    if (name.empty() || name.back() == '.' ||
        name.find_first_of("\\/:*?\"<>|~") != std::string::npos)
        return false;
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower.compare(0, 10, "device.ini") != 0 && lower != "journal.txt" &&
           lower != "script.txt";
}

// Parses one command; returns an error message or an empty string.
std::string ParseCommand(const std::vector<std::string>& t, ScriptCommand* pCmd) {
    const std::string& verb = t[0];
    size_t args = t.size() - 1;
    ScriptCommand& cmd = *pCmd;
    if (verb == "touch" || verb == "screen") {
        cmd.kind = verb == "touch" ? ScriptCommand::Touch : ScriptCommand::Screen;
        long hi = verb == "touch" ? 65535 : 32767;
        if (args < 2 || args > 3)
            return verb + " needs <x> <y> [n]";
        if (!ToInt(t[1], 0, hi, &cmd.x) || !ToInt(t[2], 0, hi, &cmd.y))
            return "coordinates must be integers from 0 to " + std::to_string(hi);
        if (args == 3 && !ToInt(t[3], 1, kMaxRepeat, &cmd.count))
            return "count must be from 1 to " + std::to_string(kMaxRepeat);
        return std::string();
    }
    if (verb == "target") {
        cmd.kind = ScriptCommand::Screen;
        cmd.count = 5;
        int index = 0;
        if (args < 1 || args > 2)
            return "target needs <i> [n]";
        if (!ToInt(t[1], 0, 3, &index))
            return "target index must be from 0 to 3";
        if (args == 2 && !ToInt(t[2], 1, kMaxRepeat, &cmd.count))
            return "count must be from 1 to " + std::to_string(kMaxRepeat);
        TargetPosition(index, &cmd.x, &cmd.y);
        return std::string();
    }
    if (verb == "shown" || verb == "session") {
        cmd.kind = verb == "shown" ? ScriptCommand::Shown : ScriptCommand::Session;
        return args == 0 ? std::string() : verb + " takes no arguments";
    }
    if (verb == "lift" || verb == "mouse") {
        cmd.kind = verb == "lift" ? ScriptCommand::Lift : ScriptCommand::Mouse;
        return args == 0 ? std::string() : verb + " takes no arguments";
    }
    if (verb == "wait") {
        cmd.kind = ScriptCommand::Wait;
        if (args != 1 || !ToInt(t[1], 0, 3600000, &cmd.ms))
            return "wait needs <ms> from 0 to 3600000";
        return std::string();
    }
    if (verb == "waitfor" || verb == "mark") {
        cmd.kind = verb == "mark" ? ScriptCommand::Mark : ScriptCommand::WaitFor;
        if (args != 1 || !IsPlainName(t[1]))
            return verb + " needs one plain file name other than the folder's own files";
        cmd.name = t[1];
        return std::string();
    }
    if (verb == "desk") {
        cmd.kind = ScriptCommand::Desk;
        if (args != 2 || !ToInt(t[1], -kMaxDesk, kMaxDesk, &cmd.x) ||
            !ToInt(t[2], -kMaxDesk, kMaxDesk, &cmd.y))
            return "desk needs <X> <Y>, desktop pixels from " + std::to_string(-kMaxDesk) + " to " +
                   std::to_string(kMaxDesk);
        return std::string();
    }
    if (verb == "raw") {
        cmd.kind = ScriptCommand::Raw;
        if (args < 1 || !ToInt(t[1], 0, 255, &cmd.length))
            return "raw needs <len> from 0 to 255";
        for (size_t i = 2; i < t.size(); ++i) {
            if (!ParseHex(t[i], &cmd.data))
                return "raw bytes must be pairs of hex digits";
        }
        if (cmd.data.size() > static_cast<size_t>(cmd.length))
            cmd.data.resize(cmd.length);
        return std::string();
    }
    return "unknown command '" + verb + "'";
}

} // namespace

void TargetPosition(int index, int* pX, int* pY) {
    *pX = (index & 1) ? 30720 : 2048;
    *pY = (index & 2) ? 30720 : 2048;
}

Script ParseScript(const std::string& text) {
    Script script;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::vector<std::string> tokens;
        for (std::string word; words >> word;)
            tokens.push_back(word);
        if (tokens.empty())
            continue;
        ScriptCommand cmd;
        cmd.line = number;
        std::string error = ParseCommand(tokens, &cmd);
        if (error.empty())
            script.commands.push_back(cmd);
        else
            script.errors.push_back(ScriptError{number, error});
    }
    return script;
}

std::vector<ScriptCommand> SessionPart(const Script& script, int index) {
    std::vector<ScriptCommand> part;
    bool bMarked = false;
    int nPart = 0;
    for (const ScriptCommand& cmd : script.commands) {
        if (cmd.kind == ScriptCommand::Session) {
            bMarked = true;
            ++nPart;
        } else if (nPart == index) {
            part.push_back(cmd);
        }
    }
    if (!bMarked) {
        part.clear();
        for (const ScriptCommand& cmd : script.commands)
            part.push_back(cmd);
    }
    return part;
}

} // namespace velsim
