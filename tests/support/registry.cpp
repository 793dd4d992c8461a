#include "support/registry.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
const char kKey[] = "Software\\EdgeWarden";
} // namespace

namespace reg {

void DeleteKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
}

void SetRaw(const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetDword(const char* name, DWORD value)
{
    SetRaw(name, REG_DWORD, &value, sizeof(value));
}

void Store(std::initializer_list<Value> values)
{
    for (const Value& v : values)
        SetDword(v.name, v.value);
}

bool Get(const char* name, DWORD* type, DWORD* value)
{
    BYTE data[64] = {};
    DWORD size = sizeof(data);
    DWORD storedType = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_ANY | RRF_NOEXPAND, &storedType, data,
                     &size)
        != ERROR_SUCCESS)
        return false;
    if (type != nullptr)
        *type = storedType;
    if (value != nullptr)
        std::memcpy(value, data, sizeof(DWORD));
    return true;
}

bool GetDword(const char* name, DWORD* value)
{
    DWORD size = sizeof(*value);
    return RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, nullptr, value, &size)
           == ERROR_SUCCESS;
}

std::vector<std::string> ValueNames()
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr)
            != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

} // namespace reg
