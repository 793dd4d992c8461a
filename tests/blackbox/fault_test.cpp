// Faults from outside: a foreign WM_QUIT for the server thread, a registry whose
// every value has the wrong type; and what a crash of the program does to a run.
#include "blackbox/harness.h"

#include <gtest/gtest-spi.h>

#include <string>

namespace {

const char* const kValueNames[] = {"priowarn",  "nobumpwarn", "tarvo",         "tarvostrength",
                                   "tarvotime", "tarvocolor", "tooltipsontop", "hide",
                                   "hidesecs",  "hidemode"};

// Beside the exe under test, so that the i686 run crashes an i686 program.
std::string CrashProbeExe()
{
    const std::string exe = EdgeWardenExe();
    return exe.substr(0, exe.find_last_of("\\/") + 1) + "edgewarden_crash_probe.exe";
}

void RunCrashProbe()
{
    App probe("", CrashProbeExe());
    EXPECT_TRUE(probe.WaitExit(5000)) << "a crash debugger holds the crashed program";
}

} // namespace

TEST_F(BlackBox, ForeignQuitEndsTheServerThreadAndTheProgramRunsOn)
{
    reg::SetDword("nobumpwarn", 0);
    App app("-hide");
    ASSERT_TRUE(app.WaitEngine());
    HWND server = app.WaitWindow("Static", "EdgeWarden_Server", 1000);
    const DWORD serverThread = GetWindowThreadProcessId(server, nullptr);
    ASSERT_TRUE(PostThreadMessageA(serverThread, WM_QUIT, 0, 0));
    for (DWORD start = GetTickCount(); IsWindow(server) && GetTickCount() - start < 3000;)
        Settle(20);
    EXPECT_FALSE(IsWindow(server));

    // Mouse events reach nobody's hook now, and the program still answers a second start.
    MouseAt(500, 400);
    EXPECT_TRUE(app.Running());
    EXPECT_EQ(0u, RunToEnd(""));
    HWND dialog = WaitSettingsDialog(app);
    ASSERT_NE(nullptr, dialog);
    PressButton(dialog, IDCANCEL);
    Settle(300);
    EXPECT_TRUE(app.Running()) << "Cancel with the features stored on runs on in the background";
}

TEST_F(BlackBox, EveryValueOfTheWrongTypeIsReplacedByItsDefault)
{
    for (const char* name : kValueNames)
        reg::SetRaw(name, REG_SZ, "7", 2);
    App app("-hide");
    ASSERT_TRUE(app.WaitEngine());
    for (const char* name : kValueNames) {
        DWORD type = 0;
        ASSERT_TRUE(reg::Get(name, &type, nullptr)) << name;
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type) << name;
    }
    DWORD value = 0;
    reg::Get("tarvostrength", nullptr, &value);
    EXPECT_EQ(50u, value);
    reg::Get("hidemode", nullptr, &value);
    EXPECT_EQ(1u, value);
}

// The test prefix starts no crash debugger, which would keep a crashed program
// and the layer's run alive; the harness fails the scenario and names the code.
TEST(Harness, ACrashEndsTheProgramAtOnceAndFailsTheScenarioWithItsCode)
{
    EXPECT_NONFATAL_FAILURE(RunCrashProbe(), "ended by exception 0xC0000005");
}
