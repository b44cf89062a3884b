#include "journal.h"

#include "folder.h"

namespace velsim {

void JournalLine(const std::wstring& folder, const std::string& line) {
    FolderLock lock(folder);
    AppendToFile(FolderFile(folder, L"journal.txt"), line + "\n");
}

} // namespace velsim
