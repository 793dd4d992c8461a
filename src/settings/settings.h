// The settings record's exchanges with the registry, under its stored names.
#pragma once

#include "settings/registry_key.h"
#include "settings/settings_record.h"

bool ExchangeWarningFlags(Settings& settings, ExchangeMode mode, RegistryKey& key);
void SaveWarningFlags(Settings& settings, ExchangeMode mode);
void ExchangeSettings(Settings& settings, ExchangeMode mode);
