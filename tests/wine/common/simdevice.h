// Access to the simulated touch screen's folder for the Wine tests.
//
// Works on the folder's text files only (device.ini, journal.txt,
// script.txt), as a person would, so the tests also check the file contract
// that sdk/README.md describes. Paths are relative to VEL_SDK_HOME.
#pragma once

// CreateFile below is a macro of <windows.h>; every user must see the same name.
#include <windows.h>

#include <string>
#include <vector>

namespace simdev {

// VEL_SDK_HOME of this process, else %LOCALAPPDATA%\VelSim.
std::wstring Home();

// Edits one "key = value" line of device.ini (atomically), keeping the rest.
void Set(const std::string& key, const std::string& value);
// The value in device.ini, else the factory value ("" for an unknown key).
std::string Get(const std::string& key);

// Lines of journal.txt, without line ends.
std::vector<std::string> Journal();
void ClearJournal();
// Waits until the journal holds at least `count` lines that start with
// `prefix`; false on timeout.
bool WaitForJournal(const std::string& prefix, size_t count, int timeoutMs);
// How many lines start with `prefix`.
size_t CountJournal(const std::string& prefix);

void WriteScript(const std::string& text);
void RemoveScript();

// Waits until file `name` exists in the folder (it is left in place).
bool WaitForFile(const std::string& name, int timeoutMs);
bool FileExists(const std::string& name);
// Creates an empty file `name` in the folder (what a script's waitfor waits for).
void CreateFile(const std::string& name);

// Deletes every file in the folder: factory state, empty journal, no script.
void Reset();

} // namespace simdev
