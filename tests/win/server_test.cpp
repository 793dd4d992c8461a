#include "win_support.h"

#include "support/test_windows.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The engine is made afresh for every case, from a process that never had one.
class Engine : public win_test::AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        settings().prioWarn.store(1);
    }

    bool HookInstalled() const { return app->server.Hook() != nullptr; }
    bool HookRemoved() const { return app->server.Hook() == nullptr; }

    bool TimerTicks(DWORD ms) const
    {
        for (DWORD start = GetTickCount(); GetTickCount() - start <= ms; Sleep(10)) {
            MSG msg;
            if (PeekMessageA(&msg, app->MainWindow, WM_TIMER, WM_TIMER, PM_REMOVE))
                return true;
        }
        return false;
    }

    void Tick() { App::HideTimerProc(app->MainWindow, WM_TIMER, HIDE_TIMER_ID, 0); }
};

} // namespace

TEST_F(Engine, SwitchingOffBeforeAnyActivationStartsNothing)
{
    EXPECT_TRUE(app->SetEngineActive(false));
    EXPECT_EQ(nullptr, app->server.Thread());
    EXPECT_EQ(nullptr, app->server.Window());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WMU_HOOKCONTROL, WMU_HOOKCONTROL, PM_REMOVE))
        << "a request without a server window must not land in the caller's queue";
    app->server.StopServerThread();
}

TEST_F(Engine, ActivationRunsOneThreadHookAndTimerUntilSwitchedOff)
{
    settings().prioWarn.store(0);
    // The hook starts with the bars as the shell has them, though it answers late.
    FakeShell shell;
    HWND bar = shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    shell.BeforeNextAnswer([] { Sleep(200); });
    ASSERT_TRUE(app->SetEngineActive(true));
    EXPECT_EQ(bar, app->bars.PrimaryBar(ABE_BOTTOM));
    // The main thread steps back to idle only when real time was really granted.
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()) == REALTIME_PRIORITY_CLASS,
              GetThreadPriority(GetCurrentThread()) == THREAD_PRIORITY_IDLE);
    HANDLE thread = app->server.Thread();
    HWND window = app->server.Window();
    ASSERT_NE(nullptr, thread);
    ASSERT_NE(nullptr, window);
    char text[32] = "";
    GetClassNameA(window, text, sizeof(text));
    EXPECT_STREQ("Static", text);
    GetWindowTextA(window, text, sizeof(text));
    EXPECT_STREQ("EdgeWarden_Server", text);
    EXPECT_TRUE(WaitFor([this] { return HookInstalled(); }, 2000));
    EXPECT_TRUE(TimerTicks(1500));

    // Raised priorities re-arm a silenced warning and store only the two flags.
    EXPECT_EQ(1, settings().prioWarn.load());
    DWORD stored = 0, size = sizeof(stored);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, "Software\\EdgeWarden", "priowarn",
                                          RRF_RT_REG_DWORD, nullptr, &stored, &size));
    EXPECT_EQ(1u, stored);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegGetValueA(HKEY_CURRENT_USER, "Software\\EdgeWarden", "tarvo",
                                                 RRF_RT_ANY, nullptr, nullptr, nullptr));

    HHOOK hook = app->server.Hook();
    ASSERT_TRUE(app->SetEngineActive(true));
    Sleep(200);
    EXPECT_EQ(thread, app->server.Thread());
    EXPECT_EQ(hook, app->server.Hook()) << "a second install request keeps the hook";

    // The shell's answer to a refresh under way when the engine is switched
    // off comes too late to be published.
    HANDLE asked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    shell.SetBar(ABE_BOTTOM, nullptr);
    shell.BeforeNextAnswer([asked] {
        SetEvent(asked);
        Sleep(200);
    });
    const LONG queries = shell.Queries();
    app->bars.RefreshAutoHideBars(0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(asked, 2000));
    ASSERT_TRUE(app->SetEngineActive(false));
    EXPECT_TRUE(WaitFor([this] { return HookRemoved(); }, 2000));
    EXPECT_FALSE(TimerTicks(1300));
    EXPECT_EQ(window, app->server.Window()) << "switching off keeps the thread";
    const LONG oneRefresh = 4 * app->bars.Tables().Published()->desktop.count + 4;
    EXPECT_EQ(queries + oneRefresh, shell.Queries()) << "the refresh has ended";
    EXPECT_EQ(bar, app->bars.PrimaryBar(ABE_BOTTOM));
    CloseHandle(asked);
}

TEST_F(Engine, HookControlRequestsAndStop)
{
    ASSERT_TRUE(app->SetEngineActive(true));
    ASSERT_TRUE(WaitFor([this] { return HookInstalled(); }, 2000));
    HWND window = app->server.Window();
    PostMessageA(window, WMU_HOOKCONTROL, 0, 0);
    EXPECT_TRUE(WaitFor([this] { return HookRemoved(); }, 2000));
    PostMessageA(window, WMU_HOOKCONTROL, 0, 5);
    EXPECT_TRUE(WaitFor([this] { return HookInstalled(); }, 2000));

    app->server.StopServerThread();
    EXPECT_EQ(nullptr, app->server.Window());
    EXPECT_EQ(nullptr, app->server.Hook());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, settings().hideEnabled.load());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(app->server.Thread(), 2000));
    DWORD code = 1;
    GetExitCodeThread(app->server.Thread(), &code);
    EXPECT_EQ(0u, code);
}

TEST_F(Engine, ForeignQuitEndsTheThreadAndTheProgramRunsOnWithoutHook)
{
    ASSERT_TRUE(app->SetEngineActive(true));
    ASSERT_TRUE(WaitFor([this] { return HookInstalled(); }, 2000));
    PostThreadMessageA(GetThreadId(app->server.Thread()), WM_QUIT, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(app->server.Thread(), 2000));
    EXPECT_EQ(nullptr, app->server.Window());
    EXPECT_EQ(nullptr, app->server.Hook());
    EXPECT_EQ(0, settings().hideEnabled.load());

    // A later activation starts no second thread and posts nowhere.
    HANDLE thread = app->server.Thread();
    EXPECT_TRUE(app->SetEngineActive(true));
    EXPECT_EQ(thread, app->server.Thread());
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
        UnregisterClassA("Static", GetModuleHandleA(nullptr));
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
    // A server that waits a second for its thread's window.
    Server server(shared(), app->bars, app->AppInstance, 1000);
    HeldServerWindow held;
    {
        win_test::BoxAnswerer answerer(IDOK);
        EXPECT_FALSE(server.EnsureServerThread(nullptr));
        EXPECT_EQ(1, answerer.Count());
        EXPECT_EQ("Can't start server thread", answerer.LastText());
    }
    ASSERT_NE(nullptr, server.Thread());
    const DWORD lateId = GetThreadId(server.Thread());
    held.Release();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(server.Thread(), 2000))
        << "the late thread runs on";
    EXPECT_EQ(nullptr, server.Window());

    settings().prioWarn.store(0);
    ASSERT_TRUE(server.EnsureServerThread(nullptr));
    EXPECT_NE(lateId, GetThreadId(server.Thread()));
    server.RequestMouseHook(true);
    EXPECT_TRUE(WaitFor([&server] { return server.Hook() != nullptr; }, 2000));
    EXPECT_EQ(THREAD_PRIORITY_TIME_CRITICAL, GetThreadPriority(server.Thread()));
}

TEST_F(Engine, HookRemovedBehindItsBackIsRenewedAtTheNextTick)
{
    FakeShell shell;
    shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    settings().hideEnabled.store(0);
    settings().bumpEnabled.store(1);
    ASSERT_TRUE(app->SetEngineActive(true));
    ASSERT_TRUE(WaitFor([this] { return HookInstalled(); }, 2000));
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    SetCursorPos(cx / 2, cy / 2);
    Sleep(100);
    Tick();

    // A move made while the engine was off proves nothing about the hook.
    ASSERT_TRUE(app->SetEngineActive(false));
    ASSERT_TRUE(WaitFor([this] { return HookRemoved(); }, 2000));
    SetCursorPos(cx / 2 + 20, cy / 2);
    Sleep(100);
    ASSERT_TRUE(app->SetEngineActive(true));
    ASSERT_TRUE(WaitFor([this] { return HookInstalled(); }, 2000));
    HHOOK hook = app->server.Hook();
    Tick();
    Sleep(200);
    EXPECT_EQ(hook, app->server.Hook()) << "renewed for a move made while the engine was off";

    // The system drops the hook; the pointer moves on without it.
    ASSERT_TRUE(UnhookWindowsHookEx(app->server.Hook()));
    SetCursorPos(cx / 2 + 40, cy / 2);
    Sleep(100);
    Tick();
    Sleep(200);

    SetCursorPos(cx / 2, cy - 1);
    Sleep(100);
    POINT p = {};
    GetCursorPos(&p);
    EXPECT_EQ(cy - 3, p.y) << "no hook holds the pointer off the bar";
    SetCursorPos(cx / 2, cy / 2);
}
