// Rules of the settings dialog that need no window: reading the seconds field
// and the masks that the indicate box and the colour chooser apply.
#pragma once

#include <climits>
#include <cstdint>

// Reads a decimal int the way atoi does (leading white space, one sign, digits
// up to the first other character; no digits gives 0), but a number too large
// for an int saturates instead of overflowing, so pasted digits stay in range.
inline int ParseWindowInt(const char* text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    // Accumulated as a negative number, whose range reaches INT_MIN.
    int value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        int digit = *text - '0';
        if (value < (INT_MIN + digit) / 10) {
            value = INT_MIN;
            break;
        }
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    return value == INT_MIN ? INT_MAX : -value;
}

constexpr int kMinHideSeconds = 1;
constexpr int kMaxHideSeconds = 999;

constexpr int ClampHideSeconds(int seconds)
{
    return seconds < kMinHideSeconds   ? kMinHideSeconds
           : seconds > kMaxHideSeconds ? kMaxHideSeconds
                                       : seconds;
}

constexpr uint32_t kColorMask = 0x00FFFFFFu;
constexpr uint32_t kNoIndicationBit = 0x80000000u;

// Ticking "indicate bump" clears the whole top byte; unticking sets bit 31.
constexpr uint32_t IndicatedBumpColor(uint32_t bumpColor, bool indicate)
{
    return indicate ? bumpColor & kColorMask : bumpColor | kNoIndicationBit;
}

// A colour from the chooser replaces the low 24 bits; the top byte stays.
constexpr uint32_t ChosenBumpColor(uint32_t bumpColor, uint32_t chosen)
{
    return (bumpColor & ~kColorMask) | (chosen & kColorMask);
}

// What the dialog hands back: stay in the background only after OK or Cancel
// with a feature still on.
constexpr int kDialogYes = 6;
constexpr int kDialogNo = 7;

constexpr int ClosingResult(bool exitChosen, bool anyFeatureOn)
{
    return !exitChosen && anyFeatureOn ? kDialogYes : kDialogNo;
}
