// Faults from outside: a foreign WM_QUIT for the server thread, a registry whose
// every value has the wrong type.
#include "blackbox/harness.h"

namespace {

const char* const kValueNames[] = {"priowarn", "nobumpwarn", "tarvo",     "tarvostrength",
                                   "tarvotime", "tarvocolor", "tooltipsontop", "hide",
                                   "hidesecs", "hidemode"};

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
