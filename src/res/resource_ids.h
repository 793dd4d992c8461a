// The ids that the resource script and the code share; plain defines so that
// the resource compiler reads them too.
#pragma once

#define IDD_SETTINGS 103
#define IDI_APP_BIG 107
#define IDI_APP_SMALL 108

// Controls of the settings dialog.
#define IDC_APP_ICON 101
#define IDC_HOME_LINK 110
#define IDC_BUMP_ENABLED 1001
#define IDC_BUMP_STRENGTH 1002
#define IDC_BUMP_INDICATE 1003
#define IDC_BUMP_COLOR 1004
#define IDC_BUMP_TIME 1005
#define IDC_HIDE_ENABLED 1007
#define IDC_HIDE_SECONDS 1008
#define IDC_HIDE_MODE 1011
#define IDC_EXIT 1012
#define IDC_TOOLTIPS_ON_TOP 1013
#define IDC_DONATE 1014
