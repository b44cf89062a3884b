// The report script (script.txt): what the simulated panel delivers while
// calibration mode is on, one command per line.
//
//   touch <x> <y> [n]     n contact reports (default 1) at raw (x, y)
//   screen <X> <Y> [n]    the same at a logical screen point, through the panel model
//   target <i> [n]        the same at target i of the four-target layout (n default 5)
//   lift                  one release report at the last contact's position
//   wait <ms>             pause
//   waitfor <name>        wait until file <name> exists in the folder, then delete it
//                         (never one of the folder's own files)
//   mark <name>           create file <name> in the folder
//   raw <len> <hex...>    exactly these bytes with this length (zero-padded)
//   mouse                 the mouse delivers for the rest of the session
//   desk <X> <Y>          once calibration mode is off, a touch at desktop pixel (X, Y)
//                         that the simulated driver turns into pointer input
//   shown                 wait until a window of this program shows at the centre of
//                         the panel's display (a person sees something to touch there)
//   session               ends the part of the script one calibration mode session
//                         plays: the Nth session of a program plays the Nth part; a
//                         script without it plays whole in every session
//
// Reports (touch, screen, target, lift, raw) need calibration mode; once it
// is off they are dropped and the rest of the script still runs.
// '#' starts a comment anywhere on a line. A line that does not parse is left
// out and reported with its number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velsim {

struct ScriptCommand {
    enum Kind { Touch, Screen, Lift, Wait, WaitFor, Mark, Raw, Mouse, Desk, Shown, Session };
    Kind kind = Lift;
    int line = 0;
    int x = 0; // Touch: raw units; Screen: logical units; Desk: desktop pixels
    int y = 0;
    int count = 1;             // Touch, Screen: reports to deliver
    int ms = 0;                // Wait
    std::string name;          // WaitFor, Mark: a file name in the folder
    int length = 0;            // Raw: the length handed to the callback
    std::vector<uint8_t> data; // Raw: the bytes given, at most `length` of them used
};

struct ScriptError {
    int line;
    std::string message;
};

struct Script {
    std::vector<ScriptCommand> commands;
    std::vector<ScriptError> errors;
};

Script ParseScript(const std::string& text);

// The commands session `index` (0, 1, …) of a program plays: the part
// between its `session` lines; the whole script when it has none.
std::vector<ScriptCommand> SessionPart(const Script& script, int index);

// Logical position of target i of the four-target layout: a sixteenth of the
// screen in from each edge, top left, top right, bottom left, bottom right.
void TargetPosition(int index, int* pX, int* pY);

} // namespace velsim
