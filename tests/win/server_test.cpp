#include "ui_support.h"

#include "app/app.h"
#include "app/engine.h"
#include "app/server.h"
#include "app/tick.h"
#include "hide/hide.h"
#include "settings/settings.h"
#include "support/fake_shell.h"
#include "support/test_windows.h"
#include "taskbar/autohide_bars.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

bool Eventually(bool (*condition)(), DWORD ms = 2000)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start <= ms; Sleep(10)) {
        if (condition())
            return true;
    }
    return condition();
}

bool HookInstalled()
{
    return MouseHook.load() != nullptr;
}
bool HookRemoved()
{
    return MouseHook.load() == nullptr;
}

bool TimerTicks(DWORD ms)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start <= ms; Sleep(10)) {
        MSG msg;
        if (PeekMessageA(&msg, MainWindow, WM_TIMER, WM_TIMER, PM_REMOVE))
            return true;
    }
    return false;
}

// The engine is made once per process; each test ends it and forgets the thread
// so that the next test starts from a process that never had one.
class Engine : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
        AppInstance = GetModuleHandleA(nullptr);
        MainWindow = CreateWindowExA(0, "STATIC", "EdgeWarden", 0, 0, 0, 10, 10, nullptr, nullptr,
                                     AppInstance, nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\EdgeWarden");
        settings.hideEnabled.store(1);
    }
    void TearDown() override
    {
        StopServerThread();
        if (ServerThread != nullptr) {
            WaitForSingleObject(ServerThread, 5000);
            CloseHandle(ServerThread);
            ServerThread = nullptr;
        }
        DestroyWindow(MainWindow);
        MainWindow = nullptr;
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\EdgeWarden");
        settings.hideEnabled.store(1);
        settings.prioWarn.store(1);
        serverWindowWaitMs = 5000;
    }
};

} // namespace

TEST_F(Engine, SwitchingOffBeforeAnyActivationStartsNothing)
{
    EXPECT_TRUE(SetEngineActive(false));
    EXPECT_EQ(nullptr, ServerThread);
    EXPECT_EQ(nullptr, ServerWindow.load());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WMU_HOOKCONTROL, WMU_HOOKCONTROL, PM_REMOVE))
        << "a request without a server window must not land in the caller's queue";
    StopServerThread();
}

TEST_F(Engine, ActivationRunsOneThreadHookAndTimerUntilSwitchedOff)
{
    settings.prioWarn.store(0);
    // The hook starts with the bars as the shell has them, though it answers late.
    FakeShell shell;
    HWND bar = shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    shell.BeforeNextAnswer([] { Sleep(200); });
    ASSERT_TRUE(SetEngineActive(true));
    EXPECT_EQ(bar, AutoHideBars[ABE_BOTTOM].load());
    // The main thread steps back to idle only when real time was really granted.
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()) == REALTIME_PRIORITY_CLASS,
              GetThreadPriority(GetCurrentThread()) == THREAD_PRIORITY_IDLE);
    HANDLE thread = ServerThread;
    HWND window = ServerWindow.load();
    ASSERT_NE(nullptr, thread);
    ASSERT_NE(nullptr, window);
    char text[32] = "";
    GetClassNameA(window, text, sizeof(text));
    EXPECT_STREQ("Static", text);
    GetWindowTextA(window, text, sizeof(text));
    EXPECT_STREQ("EdgeWarden_Server", text);
    EXPECT_TRUE(Eventually(HookInstalled));
    EXPECT_TRUE(TimerTicks(1500));

    // Raised priorities re-arm a silenced warning and store only the two flags.
    EXPECT_EQ(1, settings.prioWarn.load());
    DWORD stored = 0, size = sizeof(stored);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, "Software\\EdgeWarden", "priowarn",
                                          RRF_RT_REG_DWORD, nullptr, &stored, &size));
    EXPECT_EQ(1u, stored);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegGetValueA(HKEY_CURRENT_USER, "Software\\EdgeWarden", "tarvo",
                                                 RRF_RT_ANY, nullptr, nullptr, nullptr));

    HHOOK hook = MouseHook.load();
    ASSERT_TRUE(SetEngineActive(true));
    Sleep(200);
    EXPECT_EQ(thread, ServerThread);
    EXPECT_EQ(hook, MouseHook.load()) << "a second install request keeps the hook";

    // The shell's answer to a refresh under way when the engine is switched
    // off comes too late to be published.
    HANDLE asked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    shell.SetBar(ABE_BOTTOM, nullptr);
    shell.BeforeNextAnswer([asked] {
        SetEvent(asked);
        Sleep(200);
    });
    const LONG queries = shell.Queries();
    AskForBarRefresh();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(asked, 2000));
    ASSERT_TRUE(SetEngineActive(false));
    EXPECT_TRUE(Eventually(HookRemoved));
    EXPECT_FALSE(TimerTicks(1300));
    EXPECT_EQ(window, ServerWindow.load()) << "switching off keeps the thread";
    const LONG oneRefresh = 4 * desktopBars.Published()->desktop.count + 4;
    EXPECT_EQ(queries + oneRefresh, shell.Queries()) << "the refresh has ended";
    EXPECT_EQ(bar, AutoHideBars[ABE_BOTTOM].load());
    CloseHandle(asked);
}

TEST_F(Engine, HookControlRequestsAndStop)
{
    ASSERT_TRUE(SetEngineActive(true));
    ASSERT_TRUE(Eventually(HookInstalled));
    HWND window = ServerWindow.load();
    PostMessageA(window, WMU_HOOKCONTROL, 0, 0);
    EXPECT_TRUE(Eventually(HookRemoved));
    PostMessageA(window, WMU_HOOKCONTROL, 0, 5);
    EXPECT_TRUE(Eventually(HookInstalled));

    StopServerThread();
    EXPECT_EQ(nullptr, ServerWindow.load());
    EXPECT_EQ(nullptr, MouseHook.load());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, settings.hideEnabled.load());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ServerThread, 2000));
    DWORD code = 1;
    GetExitCodeThread(ServerThread, &code);
    EXPECT_EQ(0u, code);
}

TEST_F(Engine, ForeignQuitEndsTheThreadAndTheProgramRunsOnWithoutHook)
{
    ASSERT_TRUE(SetEngineActive(true));
    ASSERT_TRUE(Eventually(HookInstalled));
    PostThreadMessageA(GetThreadId(ServerThread), WM_QUIT, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ServerThread, 2000));
    EXPECT_EQ(nullptr, ServerWindow.load());
    EXPECT_EQ(nullptr, MouseHook.load());
    EXPECT_EQ(0, settings.hideEnabled.load());

    // A later activation starts no second thread and posts nowhere.
    HANDLE thread = ServerThread;
    EXPECT_TRUE(SetEngineActive(true));
    EXPECT_EQ(thread, ServerThread);
    EXPECT_TRUE(TimerTicks(1500));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WMU_HOOKCONTROL, WMU_HOOKCONTROL, PM_REMOVE));
}

namespace {

// Holds up the making of the server thread's window until released: a "Static"
// class of the program's own comes before the system's of the same name.
class HeldServerWindow {
public:
    HeldServerWindow()
    {
        release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        RegisterPlainClass("Static", Proc);
    }
    ~HeldServerWindow()
    {
        Release();
        UnregisterClassA("Static", AppInstance);
        CloseHandle(release);
    }
    void Release() { SetEvent(release); }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            const char* title = reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpszName;
            if (!IS_INTRESOURCE(title) && std::strcmp(title, "EdgeWarden_Server") == 0)
                WaitForSingleObject(release, INFINITE);
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    static inline HANDLE release = nullptr;
};

} // namespace

TEST_F(Engine, LateServerThreadEndsItselfAndTheNextActivationStartsOne)
{
    serverWindowWaitMs = 300;
    HeldServerWindow held;
    {
        ui_test::BoxAnswerer answerer(IDOK);
        EXPECT_FALSE(SetEngineActive(true));
        EXPECT_EQ(1, answerer.Count());
        EXPECT_EQ("Can't start server thread", answerer.LastText());
    }
    ASSERT_NE(nullptr, ServerThread);
    const DWORD lateId = GetThreadId(ServerThread);
    held.Release();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ServerThread, 2000)) << "the late thread runs on";
    EXPECT_EQ(nullptr, ServerWindow.load());

    serverWindowWaitMs = 5000;
    settings.prioWarn.store(0);
    ASSERT_TRUE(SetEngineActive(true));
    EXPECT_NE(lateId, GetThreadId(ServerThread));
    EXPECT_TRUE(Eventually(HookInstalled));
    EXPECT_EQ(THREAD_PRIORITY_TIME_CRITICAL, GetThreadPriority(ServerThread));
}

TEST_F(Engine, HookRemovedBehindItsBackIsRenewedAtTheNextTick)
{
    FakeShell shell;
    shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    settings.hideEnabled.store(0);
    settings.bumpEnabled.store(1);
    ASSERT_TRUE(SetEngineActive(true));
    ASSERT_TRUE(Eventually(HookInstalled));
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    SetCursorPos(cx / 2, cy / 2);
    Sleep(100);
    HideTimerProc(nullptr, WM_TIMER, HIDE_TIMER_ID, 0);

    // A move made while the engine was off proves nothing about the hook.
    ASSERT_TRUE(SetEngineActive(false));
    ASSERT_TRUE(Eventually(HookRemoved));
    SetCursorPos(cx / 2 + 20, cy / 2);
    Sleep(100);
    ASSERT_TRUE(SetEngineActive(true));
    ASSERT_TRUE(Eventually(HookInstalled));
    HHOOK hook = MouseHook.load();
    HideTimerProc(nullptr, WM_TIMER, HIDE_TIMER_ID, 0);
    Sleep(200);
    EXPECT_EQ(hook, MouseHook.load()) << "renewed for a move made while the engine was off";

    // The system drops the hook; the pointer moves on without it.
    ASSERT_TRUE(UnhookWindowsHookEx(MouseHook.load()));
    SetCursorPos(cx / 2 + 40, cy / 2);
    Sleep(100);
    HideTimerProc(nullptr, WM_TIMER, HIDE_TIMER_ID, 0);
    Sleep(200);

    SetCursorPos(cx / 2, cy - 1);
    Sleep(100);
    POINT p = {};
    GetCursorPos(&p);
    EXPECT_EQ(cy - 3, p.y) << "no hook holds the pointer off the bar";
    SetCursorPos(cx / 2, cy / 2);
}
