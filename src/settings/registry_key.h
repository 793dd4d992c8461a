// One open key below HKEY_CURRENT_USER\Software, moving single REG_DWORD values
// in either direction with the same call.
#pragma once

#include <windows.h>

#include <cstdint>

enum ExchangeMode : uint8_t { Load = 0, Save = 1 };

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool Open(const char* subkey);
    bool Close();
    bool ExchangeDword(ExchangeMode mode, const char* name, DWORD* target, DWORD def);
    bool ExchangeBool(ExchangeMode mode, const char* name, uint8_t* target, uint8_t def);

private:
    bool isOpen = false;
    HKEY key = nullptr;
};
