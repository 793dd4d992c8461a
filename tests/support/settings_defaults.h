// Puts the process's settings record back to its defaults between tests.
#pragma once

#include "settings/settings.h"

inline void ResetSettingsToDefaults()
{
    settings.prioWarn.store(1);
    settings.noBumpWarn.store(1);
    settings.bumpEnabled.store(1);
    settings.bumpStrength.store(50);
    settings.bumpTime.store(200);
    settings.bumpColor.store(0x000000FF);
    settings.tooltipsOnTop.store(0);
    settings.hideEnabled.store(1);
    settings.hideSeconds.store(20);
    settings.hideMode.store(1);
}
