#include "settings/settings.h"

namespace {

const char kKeyName[] = "EdgeWarden";

// Each exchange passes the field's current value as its default, so a missing or
// mistyped value leaves the field as it is.
bool ExchangeField(RegistryKey& key, ExchangeMode mode, const char* name,
                   std::atomic<uint8_t>& field)
{
    uint8_t value = field.load();
    bool ok = key.ExchangeBool(mode, name, &value, value);
    if (mode == Load)
        field.store(value);
    return ok;
}

template <typename Word>
bool ExchangeField(RegistryKey& key, ExchangeMode mode, const char* name, std::atomic<Word>& field)
{
    static_assert(sizeof(Word) == sizeof(DWORD), "registry words are 32 bits");
    DWORD value = static_cast<DWORD>(field.load());
    bool ok = key.ExchangeDword(mode, name, &value, value);
    if (mode == Load)
        field.store(static_cast<Word>(value));
    return ok;
}

} // namespace

bool ExchangeWarningFlags(Settings& settings, ExchangeMode mode, RegistryKey& key)
{
    ExchangeField(key, mode, "priowarn", settings.prioWarn);
    return ExchangeField(key, mode, "nobumpwarn", settings.noBumpWarn);
}

void SaveWarningFlags(Settings& settings, ExchangeMode mode)
{
    RegistryKey key;
    key.Open(kKeyName);
    ExchangeWarningFlags(settings, mode, key);
    key.Close();
}

void ExchangeSettings(Settings& settings, ExchangeMode mode)
{
    RegistryKey key;
    key.Open(kKeyName);
    ExchangeWarningFlags(settings, mode, key);
    ExchangeField(key, mode, "tarvo", settings.bumpEnabled);
    ExchangeField(key, mode, "tarvostrength", settings.bumpStrength);
    ExchangeField(key, mode, "tarvotime", settings.bumpTime);
    ExchangeField(key, mode, "tarvocolor", settings.bumpColor);
    ExchangeField(key, mode, "tooltipsontop", settings.tooltipsOnTop);
    ExchangeField(key, mode, "hide", settings.hideEnabled);
    ExchangeField(key, mode, "hidesecs", settings.hideSeconds);
    ExchangeField(key, mode, "hidemode", settings.hideMode);
    key.Close();
}
