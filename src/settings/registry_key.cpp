#include "settings/registry_key.h"

RegistryKey::~RegistryKey()
{
    if (isOpen)
        Close();
}

bool RegistryKey::Open(const char* subkey)
{
    // Two steps so that both "Software" and our own key are created when missing.
    char noClass[] = "";
    HKEY software = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, noClass, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &software, &disposition)
        != ERROR_SUCCESS)
        return false;
    if (RegCreateKeyExA(software, subkey, 0, noClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, &disposition)
        != ERROR_SUCCESS) {
        RegCloseKey(software);
        return false;
    }
    if (RegCloseKey(software) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return false;
    }
    isOpen = true;
    return true;
}

bool RegistryKey::Close()
{
    if (!isOpen)
        return false;
    LONG result = RegCloseKey(key);
    isOpen = false;
    return result == ERROR_SUCCESS;
}

bool RegistryKey::ExchangeDword(ExchangeMode mode, const char* name, DWORD* target, DWORD def)
{
    if (!isOpen)
        return false;
    if (mode != Load)
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(target),
                              sizeof(DWORD))
               == ERROR_SUCCESS;
    DWORD type = 0;
    DWORD size = sizeof(DWORD);
    // A REG_DWORD of fewer than four bytes would fill only the low bytes.
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(target), &size)
            == ERROR_SUCCESS
        && type == REG_DWORD && size == sizeof(DWORD))
        return true;
    *target = def;
    return false;
}

bool RegistryKey::ExchangeBool(ExchangeMode mode, const char* name, uint8_t* target, uint8_t def)
{
    DWORD value = *target;
    bool ok = ExchangeDword(mode, name, &value, def);
    if (mode == Load && ok)
        *target = value != 0 ? 1 : 0;
    return ok;
}
