// HKCU\Software\EdgeWarden as a test sees and prepares it.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace reg {
void DeleteKey();
void SetDword(const char* name, DWORD value);
// Stores each named value as a REG_DWORD, as a test sets the program up.
struct Value {
    const char* name;
    DWORD value;
};
void Store(std::initializer_list<Value> values);
void SetRaw(const char* name, DWORD type, const void* data, DWORD size);
// False when the value is missing; type and data of what is stored otherwise.
bool Get(const char* name, DWORD* type, DWORD* value);
// False unless the value is a REG_DWORD.
bool GetDword(const char* name, DWORD* value);
std::vector<std::string> ValueNames();
} // namespace reg
