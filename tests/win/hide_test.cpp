#include "win_support.h"

#include "support/test_windows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kTestClass[] = "EdgeWardenHideTestWindow";

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

// The atom of the hide window's class, 0 while it is not registered.
ATOM HideClass()
{
    WNDCLASSEXA cls = {};
    cls.cbSize = sizeof(cls);
    return static_cast<ATOM>(
        GetClassInfoExA(GetModuleHandleA(nullptr), "EdgeWardenHideMouseClass", &cls));
}

HWND MakeWindow(HWND parent, int x, int y, int width, int height)
{
    return CreateWindowExA(0, kTestClass, "",
                           (parent != nullptr ? WS_CHILD : WS_POPUP) | WS_VISIBLE, x, y, width,
                           height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

class CursorHiderTest : public win_test::AppTest {
protected:
    void SetUp() override
    {
        RegisterPlainClass(kTestClass);
        AppTest::SetUp();
        settings().hideEnabled.store(1);
        settings().hideSeconds.store(1);
        settings().hideMode.store(HIDE_POPUP);
        baseCount = CursorCount();
        screenW = GetSystemMetrics(SM_CXSCREEN);
        screenH = GetSystemMetrics(SM_CYSCREEN);
        SetCursorPos(500, 400);
    }

    void TearDown() override
    {
        AppTest::TearDown();
        Settle(0);
        EXPECT_EQ(baseCount, CursorCount());
    }

    void Tick() { App::HideTimerProc(app->MainWindow, WM_TIMER, HIDE_TIMER_ID, 0); }

    // Starts counting afresh, as after a mouse event that a tick has seen:
    // nothing hidden, and the last look at the pointer forgotten, which the
    // test places next.
    void ResetHideState()
    {
        app->hider.DestroyHideWindow();
        shared().isHidden.store(0);
        shared().lastInputTime.store(shared().lastInputTime.load() + 1);
        Tick();
        app->watchdog.ForgetHookSample();
    }

    // Hides with `mode` at the cursor's current place; the new hide window.
    HWND HideWith(int32_t mode)
    {
        ResetHideState();
        settings().hideMode.store(mode);
        Tick();
        return shared().HideWindow.load();
    }

    // The unhide request, and the main thread's handling of what it posted.
    void Unhide()
    {
        RequestUnhide(shared());
        Settle(0);
    }

    void MouseEvent()
    {
        shared().lastInputTime.store(shared().lastInputTime.load() + 1000);
        Unhide();
    }

    int baseCount = 0;
    int screenW = 0;
    int screenH = 0;
};

} // namespace

namespace {

// What the last window made on this thread was created with.
CREATESTRUCTA created;

LRESULT CALLBACK RecordCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND)
        created = *reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_F(CursorHiderTest, EachMethodMakesItsWindowAndTheNextEventRemovesIt)
{
    HWND top = MakeWindow(nullptr, 100, 100, 300, 200);
    HWND child = MakeWindow(top, 50, 40, 100, 80);
    const POINT inChild = {160, 150};
    const POINT corner = {screenW - 1, screenH - 1};

    struct Case {
        int32_t mode;
        HWND parent; // null for the pop-up owned by the main window
        POINT place; // screen coordinates, also where the cursor is afterwards
    } cases[] = {
        {HIDE_POPUP, nullptr, inChild}, {HIDE_CHILD_OF_TOP, top, inChild},
        {HIDE_CHILD, child, inChild},   {HIDE_POPUP_IN_CORNER, nullptr, corner},
        {7, nullptr, inChild},          {-1, nullptr, inChild},
    };
    HHOOK hook = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    ATOM atom = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        SetCursorPos(inChild.x, inChild.y);
        created = {};
        HWND window = HideWith(c.mode);
        ASSERT_NE(nullptr, window);
        EXPECT_EQ(1, shared().isHidden.load());
        EXPECT_EQ("EdgeWardenHideMouseClass", ClassOf(window));
        EXPECT_EQ(0x0800002Cu, created.dwExStyle);
        // Clicked, it leaves the activation and the focus where they are.
        EXPECT_EQ(MA_NOACTIVATE,
                  SendMessageA(window, WM_MOUSEACTIVATE,
                               reinterpret_cast<WPARAM>(GetAncestor(window, GA_ROOT)),
                               MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)));
        EXPECT_EQ(c.parent != nullptr ? WS_CHILD : WS_POPUP, static_cast<DWORD>(created.style));
        EXPECT_EQ(c.parent != nullptr ? c.parent : app->MainWindow, created.hwndParent);
        EXPECT_EQ(1, created.cx);
        EXPECT_EQ(1, created.cy);
        EXPECT_TRUE(IsWindowVisible(window));
        if (c.parent != nullptr) {
            EXPECT_EQ(c.parent, GetAncestor(window, GA_PARENT));
        } else {
            EXPECT_EQ(app->MainWindow, GetWindow(window, GW_OWNER));
            EXPECT_EQ(GetDesktopWindow(), GetAncestor(window, GA_PARENT));
        }
        RECT r = {};
        GetWindowRect(window, &r);
        EXPECT_EQ(c.place.x, r.left);
        EXPECT_EQ(c.place.y, r.top);
        EXPECT_EQ(1, r.right - r.left);
        EXPECT_EQ(1, r.bottom - r.top);
        EXPECT_EQ(c.place.x, CursorPos().x);
        EXPECT_EQ(c.place.y, CursorPos().y);
        EXPECT_EQ(baseCount - 1, CursorCount());

        // Registered once: every hide uses the same class.
        EXPECT_NE(0, HideClass());
        if (atom == 0)
            atom = HideClass();
        EXPECT_EQ(atom, HideClass());

        MouseEvent();
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(nullptr, shared().HideWindow.load());
        EXPECT_EQ(0, shared().isHidden.load());
        EXPECT_EQ(baseCount, CursorCount());
    }
    UnhookWindowsHookEx(hook);
    DestroyWindow(top);
}

TEST_F(CursorHiderTest, ClassHasNoCursorBrushOrExtraBytes)
{
    ASSERT_NE(nullptr, HideWith(HIDE_POPUP));
    WNDCLASSEXA cls = {};
    cls.cbSize = sizeof(cls);
    ASSERT_NE(0, GetClassInfoExA(app->AppInstance, "EdgeWardenHideMouseClass", &cls));
    EXPECT_EQ(0u, cls.style);
    EXPECT_EQ(CursorHider::HideWindowProc, cls.lpfnWndProc);
    EXPECT_EQ(0, cls.cbClsExtra);
    EXPECT_EQ(0, cls.cbWndExtra);
    EXPECT_EQ(nullptr, cls.hCursor);
    EXPECT_EQ(nullptr, cls.hbrBackground);
    EXPECT_EQ(nullptr, cls.hIcon);
    MouseEvent();
}

TEST_F(CursorHiderTest, ClimbOfSixteenLevelsFallsBackToThePopup)
{
    HWND top = MakeWindow(nullptr, 100, 100, 300, 200);
    HWND deepest = top;
    for (int level = 0; level < MAX_PARENT_CLIMB; ++level)
        deepest = MakeWindow(deepest, 0, 0, 200, 150);
    SetCursorPos(150, 150);
    ASSERT_EQ(deepest, WindowFromPoint({150, 150}));

    HWND window = HideWith(HIDE_CHILD_OF_TOP);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(app->MainWindow, GetWindow(window, GW_OWNER));
    EXPECT_EQ(GetDesktopWindow(), GetAncestor(window, GA_PARENT));
    MouseEvent();

    // One level less reaches the top.
    DestroyWindow(deepest);
    window = HideWith(HIDE_CHILD_OF_TOP);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(top, GetAncestor(window, GA_PARENT));
    MouseEvent();
    DestroyWindow(top);
}

TEST_F(CursorHiderTest, MoveToCornerParksClearOfBarsWithoutAWindow)
{
    FakeShell shell;
    HWND right = shell.AddBar(ABE_RIGHT, FakeShell::HiddenRect(ABE_RIGHT));
    HWND bottom = shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    shell.AddBar(ABE_LEFT, FakeShell::HiddenRect(ABE_RIGHT));
    shell.DestroyBar(ABE_LEFT);
    HWND vanished = shell.Bar(ABE_LEFT);
    shell.SetBar(ABE_LEFT, nullptr);

    struct Case {
        HWND rightBar;
        HWND bottomBar;
        POINT expected;
    } cases[] = {
        {nullptr, nullptr, {screenW - 1, screenH - 1}},
        {right, nullptr, {screenW - 3, screenH - 1}},
        {nullptr, bottom, {screenW - 1, screenH - 3}},
        {right, bottom, {screenW - 3, screenH - 3}},
        // A bar that went away since the refresh moves nothing.
        {vanished, bottom, {screenW - 1, screenH - 3}},
    };
    for (const Case& c : cases) {
        shell.SetBar(ABE_RIGHT, c.rightBar);
        shell.SetBar(ABE_BOTTOM, c.bottomBar);
        // The tick only asks for a new table; the corner keeps clear of the last.
        app->bars.RefreshAutoHideBars(FRESH_TABLE_WAIT_MS);
        SetCursorPos(300, 300);
        EXPECT_EQ(nullptr, HideWith(HIDE_MOVE_TO_CORNER));
        EXPECT_EQ(1, shared().isHidden.load());
        EXPECT_EQ(c.expected.x, CursorPos().x);
        EXPECT_EQ(c.expected.y, CursorPos().y);
        EXPECT_EQ(baseCount, CursorCount());
        EXPECT_NE(0, HideClass());
        // Its own move is none of the user's: the next tick keeps it hidden, and
        // so does the hook when the move comes back; a click there is the user's.
        Tick();
        EXPECT_EQ(1, shared().isHidden.load());
        MSLLHOOKSTRUCT event = {};
        event.pt = c.expected;
        event.time = shared().ownMoveTime.load();
        Server::LowLevelMouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&event));
        EXPECT_EQ(1, shared().isHidden.load());
        Server::LowLevelMouseProc(HC_ACTION, WM_LBUTTONDOWN, reinterpret_cast<LPARAM>(&event));
        EXPECT_EQ(0, shared().isHidden.load());
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, WMU_UNHIDE, WMU_UNHIDE, PM_NOREMOVE));
    }
}

TEST_F(CursorHiderTest, CountsQuietTicksUpToTheStoredSeconds)
{
    settings().hideSeconds.store(3);
    Tick();
    Tick();
    EXPECT_EQ(2, app->hider.Count().idleTicks);
    EXPECT_EQ(nullptr, shared().HideWindow.load());

    // A mouse event starts the count again.
    shared().lastInputTime.store(777);
    Tick();
    EXPECT_EQ(0, app->hider.Count().idleTicks);
    EXPECT_EQ(777u, app->hider.Count().lastSeenInputTime);
    Tick();
    Tick();
    EXPECT_EQ(0, shared().isHidden.load());

    // So does hiding switched off, even without input.
    settings().hideEnabled.store(0);
    Tick();
    Tick();
    Tick();
    EXPECT_EQ(0, app->hider.Count().idleTicks);
    EXPECT_EQ(0, shared().isHidden.load());
    settings().hideEnabled.store(1);
    Tick();
    Tick();
    EXPECT_EQ(nullptr, shared().HideWindow.load());
    Tick();
    EXPECT_NE(nullptr, shared().HideWindow.load());
    EXPECT_EQ(1, shared().isHidden.load());

    // While hidden every tick starts over; a move that no hook saw shows it.
    Tick();
    EXPECT_EQ(0, app->hider.Count().idleTicks);
    EXPECT_EQ(1, shared().isHidden.load());
    SetCursorPos(510, 400);
    Tick();
    Settle(0);
    EXPECT_EQ(0, shared().isHidden.load());
    EXPECT_EQ(nullptr, shared().HideWindow.load());
    MouseEvent();

    // One second or less hides at the first quiet tick.
    for (int32_t seconds : {1, 0, -4}) {
        ResetHideState();
        settings().hideSeconds.store(seconds);
        Tick();
        EXPECT_NE(nullptr, shared().HideWindow.load()) << seconds;
        MouseEvent();
    }
}

TEST_F(CursorHiderTest, SecondHideKeepsTheFirstWindow)
{
    HWND first = HideWith(HIDE_POPUP);
    ASSERT_NE(nullptr, first);
    // The flag was cleared without the window being removed.
    shared().isHidden.store(0);
    Tick();
    EXPECT_EQ(1, shared().isHidden.load());
    EXPECT_EQ(first, shared().HideWindow.load());
    EXPECT_EQ(baseCount - 1, CursorCount());

    // After an unhide without input (the dialog's, on a change of method) the
    // next tick hides at once, with the method now chosen.
    Unhide();
    EXPECT_FALSE(IsWindow(first));
    settings().hideMode.store(HIDE_POPUP_IN_CORNER);
    Tick();
    HWND second = shared().HideWindow.load();
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(screenW - 1, CursorPos().x);

    // An unhide that reaches a window the slot no longer holds takes that
    // window alone: the one in the slot stays for its own unhide.
    shared().HideWindow.store(nullptr);
    shared().isHidden.store(0);
    Tick();
    HWND third = shared().HideWindow.load();
    ASSERT_NE(nullptr, third);
    EXPECT_EQ(1, SendMessageA(second, WMU_UNHIDE, 0, 0));
    EXPECT_FALSE(IsWindow(second));
    EXPECT_EQ(third, shared().HideWindow.load());
    EXPECT_TRUE(IsWindowVisible(third));
    MouseEvent();
    EXPECT_FALSE(IsWindow(third));
}

namespace {

// What may happen while the hide window is being made: a mouse event that the
// hook handles, and a window that is not made, as one under the cursor may
// refuse a child of another program.
Shared* unhideDuringCreation = nullptr;
DWORD refusedStyles = 0;

LRESULT CALLBACK DuringCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        if (unhideDuringCreation != nullptr)
            RequestUnhide(*unhideDuringCreation);
        if (static_cast<DWORD>(reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->style)
            & refusedStyles)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_F(CursorHiderTest, EventDuringCreationShowsTheCursorAtOnce)
{
    HHOOK hook = SetWindowsHookExA(WH_CBT, DuringCreation, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    unhideDuringCreation = &shared();
    const struct {
        int32_t mode;
        DWORD refused;
    } cases[] = {{HIDE_POPUP, 0}, {HIDE_POPUP_IN_CORNER, 0}, {HIDE_POPUP_IN_CORNER, WS_POPUP}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refused);
        refusedStyles = c.refused;
        SetCursorPos(500, 400);
        EXPECT_EQ(nullptr, HideWith(c.mode)) << c.mode;
        EXPECT_EQ(0, shared().isHidden.load());
        EXPECT_EQ(baseCount, CursorCount());
        // The cancelled hide leaves the cursor where the user put it.
        EXPECT_EQ(500, CursorPos().x);
    }
    unhideDuringCreation = nullptr;
    refusedStyles = 0;
    UnhookWindowsHookEx(hook);
}

TEST_F(CursorHiderTest, RefusedChildFallsBackToThePopup)
{
    HWND top = MakeWindow(nullptr, 100, 100, 300, 200);
    SetCursorPos(200, 200);
    HHOOK hook = SetWindowsHookExA(WH_CBT, DuringCreation, nullptr, GetCurrentThreadId());
    refusedStyles = WS_CHILD;
    for (int32_t mode : {HIDE_CHILD_OF_TOP, HIDE_CHILD}) {
        HWND window = HideWith(mode);
        ASSERT_NE(nullptr, window) << mode;
        EXPECT_EQ(app->MainWindow, GetWindow(window, GW_OWNER));
        // Under the pointer, not at the point in the refusing window's client area.
        RECT r = {};
        GetWindowRect(window, &r);
        EXPECT_EQ(200, r.left) << mode;
        EXPECT_EQ(200, r.top) << mode;
        MouseEvent();
    }
    refusedStyles = 0;
    UnhookWindowsHookEx(hook);
    DestroyWindow(top);
}

TEST_F(CursorHiderTest, SwitchingTheEngineOffShowsTheCursor)
{
    HWND window = HideWith(HIDE_POPUP);
    ASSERT_NE(nullptr, window);
    app->SetEngineActive(false);
    Settle(0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, shared().isHidden.load());
    EXPECT_EQ(baseCount, CursorCount());
}

TEST_F(CursorHiderTest, WindowGoneWithItsParentFreesTheNextHide)
{
    HWND top = MakeWindow(nullptr, 100, 100, 300, 200);
    SetCursorPos(200, 200);
    HWND window = HideWith(HIDE_CHILD);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(top, GetParent(window));
    DestroyWindow(top);
    EXPECT_EQ(nullptr, shared().HideWindow.load());
    EXPECT_EQ(baseCount, CursorCount());

    EXPECT_NE(nullptr, HideWith(HIDE_POPUP));
    MouseEvent();
}

TEST_F(CursorHiderTest, DestroyHideWindowShowsTheCursor)
{
    HWND window = HideWith(HIDE_POPUP);
    ASSERT_NE(nullptr, window);
    app->hider.DestroyHideWindow();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, shared().HideWindow.load());
    EXPECT_EQ(baseCount, CursorCount());
    app->hider.DestroyHideWindow();
}
