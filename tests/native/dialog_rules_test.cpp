#include "ui/dialog_rules.h"

#include <gtest/gtest.h>

#include <climits>

TEST(UiDialogRules, SecondsFieldReadsLikeAtoiAndClampsIntoRange)
{
    struct Case {
        const char* text;
        int read;
        int seconds;
    } cases[] = {
        {"", 0, 1},
        {"0", 0, 1},
        {"1", 1, 1},
        {"51", 51, 51},
        {"999", 999, 999},
        {"9999", 9999, 999},
        {"abc", 0, 1},
        {"12abc", 12, 12},
        {"  \t42", 42, 42},
        {"+7", 7, 7},
        {"-5", -5, 1},
        {"- 5", 0, 1},
        {"2147483647", INT_MAX, 999},
        {"2147483648", INT_MAX, 999},
        {"99999999999999999999", INT_MAX, 999},
        {"-2147483648", INT_MIN, 1},
        {"-99999999999999999999", INT_MIN, 1},
        {"0000000000000000000000000000012", 12, 12},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.read, ParseWindowInt(c.text)) << '"' << c.text << '"';
        EXPECT_EQ(c.seconds, ClampHideSeconds(ParseWindowInt(c.text))) << '"' << c.text << '"';
    }
}

TEST(UiDialogRules, IndicateBoxAndChooserMasks)
{
    struct Case {
        uint32_t color;
        bool indicate;
        uint32_t expected;
    } boxCases[] = {
        {0x000000FF, true, 0x000000FF},  {0x800000FF, true, 0x000000FF},
        {0x7F0000FF, true, 0x000000FF},  {0xFF123456, true, 0x00123456},
        {0x000000FF, false, 0x800000FF}, {0x7F0000FF, false, 0xFF0000FF},
    };
    for (const Case& c : boxCases)
        EXPECT_EQ(c.expected, IndicatedBumpColor(c.color, c.indicate)) << std::hex << c.color;

    // The chooser keeps the top byte, so the indication stays off when it was.
    EXPECT_EQ(0x8000FF00u, ChosenBumpColor(0x800000FF, 0x0000FF00));
    EXPECT_EQ(0x00ABCDEFu, ChosenBumpColor(0x000000FF, 0xFFABCDEF));
}

TEST(UiDialogRules, OnlyOkOrCancelWithAFeatureOnKeepsRunning)
{
    EXPECT_EQ(kDialogYes, ClosingResult(false, true));
    EXPECT_EQ(kDialogNo, ClosingResult(false, false));
    EXPECT_EQ(kDialogNo, ClosingResult(true, true));
    EXPECT_EQ(kDialogNo, ClosingResult(true, false));
}
