// The user's Control Panel\Mouse values as the tests set and read them.
#pragma once

#include <windows.h>

#include <string>

namespace mousereg {

void SetMouseText(const char* name, const std::string& text);
void SetMouseNumber(const char* name, DWORD value);
// Stores the bytes as they are under that type; type 0 deletes the value.
void SetMouseValue(const char* name, DWORD type, const std::string& bytes);
// Type and raw bytes of a value; type 0 when it is missing.
DWORD GetMouseValue(const char* name, std::string* pBytes);
// The text of a value up to its first NUL; "" when it is missing or not text.
std::string GetMouseText(const char* name);

} // namespace mousereg
