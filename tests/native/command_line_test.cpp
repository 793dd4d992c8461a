#include "app/command_line.h"

#include <gtest/gtest.h>

TEST(CommandLine, SwitchTable)
{
    struct Case {
        const char* tail;
        CommandLineSwitch expected;
    } cases[] = {
        {"", CommandLineSwitch::None},
        {"hide", CommandLineSwitch::None},
        {"x", CommandLineSwitch::None},
        {"-hide", CommandLineSwitch::Hide},
        {"/hide", CommandLineSwitch::Hide},
        {"-HIDE", CommandLineSwitch::Hide},
        {"/Hide", CommandLineSwitch::Hide},
        {"-hide x", CommandLineSwitch::Usage},
        {"-hide ", CommandLineSwitch::Usage},
        {"--hide", CommandLineSwitch::Usage},
        {"-h", CommandLineSwitch::Usage},
        {"-", CommandLineSwitch::Usage},
        {"-x", CommandLineSwitch::Usage},
        {"/hid", CommandLineSwitch::Usage},
        {"-hi\xC4"
         "e",
         CommandLineSwitch::Usage},
        {"-hid", CommandLineSwitch::Usage},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ParseCommandLine(c.tail)) << '"' << c.tail << '"';
    EXPECT_EQ(CommandLineSwitch::None, ParseCommandLine(nullptr));
}
