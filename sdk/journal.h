// The call journal (journal.txt): one line per call into the library and per
// report handed to a callback, appended under the folder's lock by whichever
// process makes the call. The file is opened and closed for each line, so a
// test can read or delete it at any time.
#pragma once

#include <string>

namespace velsim {

void JournalLine(const std::wstring& folder, const std::string& line);

} // namespace velsim
