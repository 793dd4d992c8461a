// The one settings record of the process, its stored names and defaults.
#pragma once

#include "settings/registry_key.h"
#include "settings/settings_record.h"

extern Settings settings;

bool ExchangeWarningFlags(ExchangeMode mode, RegistryKey& key);
void SaveWarningFlags(ExchangeMode mode);
void ExchangeSettings(ExchangeMode mode);
