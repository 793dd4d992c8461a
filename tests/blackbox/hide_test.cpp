#include "support/test_windows.h"
#include "blackbox/harness.h"
#include "support/fake_shell.h"

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kHideClass[] = "EdgeWardenHideMouseClass";
// Windows 8's pointer activation and its answer, newer than the headers' target.
constexpr UINT kPointerActivate = 0x024B;
constexpr LRESULT kPointerNoActivate = 3;
const char kTestClass[] = "EdgeWardenHideTestWindow";

// A hide window as the program made it, seen from its creation event.
struct SeenWindow {
    HWND window;
    HWND owner;
    LONG_PTR style;
    LONG_PTR exStyle;
    RECT rect;
};

std::vector<SeenWindow> seen;

// Out of context the creation event is handed to this thread while the program
// waits, briefly, inside its creation call: a thread that answers at once (see
// WaitFor in the harness) examines the window here before the program's next step removes it.
// On a busy machine the wait can run out first, and the program shows the
// window before it is examined.
void CALLBACK OnWindowCreated(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                              DWORD)
{
    if (object != OBJID_WINDOW || child != CHILDID_SELF || window == nullptr)
        return;
    char name[64] = "";
    GetClassNameA(window, name, sizeof(name));
    if (std::strcmp(name, kHideClass) != 0)
        return;
    SeenWindow s = {window,
                    GetWindow(window, GW_OWNER),
                    GetWindowLongPtrA(window, GWL_STYLE),
                    GetWindowLongPtrA(window, GWL_EXSTYLE),
                    {}};
    GetWindowRect(window, &s.rect);
    seen.push_back(s);
}

bool SameSpot(POINT a, POINT b)
{
    return a.x == b.x && a.y == b.y;
}

// Hiding on after one quiet second, task-bar protection off so that nothing
// else moves the cursor.
void StoreHideSettings(DWORD mode, DWORD seconds = 1)
{
    reg::Store(
        {{"priowarn", 0}, {"tarvo", 0}, {"hide", 1}, {"hidesecs", seconds}, {"hidemode", mode}});
}

class Hide : public BlackBox {};

} // namespace

TEST_F(Hide, MoveToCornerParksTheCursorAfterTheQuietSecond)
{
    StoreHideSettings(4);
    App app;
    ASSERT_TRUE(app.WaitEngine());
    const POINT corner = {GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1};

    MouseAt(500, 400);
    const DWORD start = GetTickCount();
    ASSERT_TRUE(WaitFor([&] { return SameSpot(corner, CursorPos()); }, 2500));
    const DWORD elapsed = GetTickCount() - start;
    // The first tick after the event sees it; the next quiet one hides.
    EXPECT_GE(elapsed, 900u);
    EXPECT_LE(elapsed, 2200u);

    // Moves that reach no hook (over a program run as administrator) are the
    // user all the same: nothing is parked while they go on.
    MouseAt(500, 400);
    for (int step = 1; step <= 12; ++step) {
        const POINT to = {500 + 10 * step, 400};
        SetCursorPos(to.x, to.y);
        Settle(300);
        ASSERT_TRUE(SameSpot(to, CursorPos()))
            << "parked while moving, after " << step * 300 << " ms";
    }
    EXPECT_TRUE(WaitFor([&] { return SameSpot(corner, CursorPos()); }, 2500));
}

TEST_F(Hide, PopupsAreMadeByTheProcessAndGoneAfterTheNextEvent)
{
    const POINT corner = {GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1};
    struct Case {
        DWORD mode;
        POINT place;
    } cases[] = {{0, {500, 400}}, {3, corner}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        StoreHideSettings(c.mode);
        App app;
        ASSERT_TRUE(app.WaitEngine());
        HWND mainWindow = app.WaitWindow("Static", "EdgeWarden", 1000);
        ASSERT_NE(nullptr, mainWindow);

        seen.clear();
        HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr,
                                             OnWindowCreated, app.Pid(), 0, WINEVENT_OUTOFCONTEXT);
        ASSERT_NE(nullptr, hook);
        MouseAt(500, 400);
        EXPECT_TRUE(WaitFor([] { return !seen.empty(); }, 2500));
        if (c.mode == 3 && !seen.empty()) {
            EXPECT_TRUE(WaitFor([&] { return SameSpot(corner, CursorPos()); }, 500));
            // Its own move to the corner is no input: the hide holds.
            EXPECT_FALSE(WaitFor([] { return !IsWindow(seen.front().window); }, 500))
                << "the hide ended without input";
        }
        MouseAt(520, 410);
        UnhookWinEvent(hook);

        ASSERT_FALSE(seen.empty());
        const SeenWindow& s = seen.front();
        EXPECT_EQ(mainWindow, s.owner);
        EXPECT_EQ(WS_POPUP, s.style & ~(WS_CLIPSIBLINGS | WS_VISIBLE));
        EXPECT_EQ(0x0800002C, s.exStyle);
        EXPECT_EQ(c.place.x, s.rect.left);
        EXPECT_EQ(c.place.y, s.rect.top);
        EXPECT_EQ(1, s.rect.right - s.rect.left);
        EXPECT_EQ(1, s.rect.bottom - s.rect.top);
        for (const SeenWindow& each : seen)
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(each.window); }, 500));
        EXPECT_TRUE(app.Windows(kHideClass, nullptr).empty());
    }
}

TEST_F(Hide, ChildOfTheWindowUnderTheCursorOrOfItsTop)
{
    RegisterPlainClass(kTestClass);
    HWND top = CreateWindowExA(0, kTestClass, "", WS_POPUP | WS_VISIBLE, 200, 150, 400, 300,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND inner = CreateWindowExA(0, kTestClass, "", WS_CHILD | WS_VISIBLE, 50, 50, 200, 150, top,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, inner);

    struct Case {
        DWORD mode;
        HWND parent;
        HWND notParent;
    } cases[] = {{1, top, inner}, {2, inner, top}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        StoreHideSettings(c.mode);
        App app;
        ASSERT_TRUE(app.WaitEngine());
        MouseAt(270, 220);
        HWND hideWindow = nullptr;
        EXPECT_TRUE(WaitFor(
            [&] {
                hideWindow = FindWindowExA(c.parent, nullptr, kHideClass, nullptr);
                return hideWindow != nullptr;
            },
            2500));
        if (hideWindow == nullptr)
            continue;
        DWORD pid = 0;
        GetWindowThreadProcessId(hideWindow, &pid);
        EXPECT_EQ(app.Pid(), pid);
        EXPECT_EQ(nullptr, FindWindowExA(c.notParent, nullptr, kHideClass, nullptr));
        RECT r = {};
        GetWindowRect(hideWindow, &r);
        EXPECT_EQ(270, r.left);
        EXPECT_EQ(220, r.top);

        MouseAt(280, 230);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(hideWindow); }, 1000));
    }
    DestroyWindow(top);
}

TEST_F(Hide, TooltipsLiftedAboveTheBarOnlyWhenAsked)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    FakeShell shell;
    HWND bar = shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    HWND tip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, tip);
    auto lifted = [&] { return GetWindow(bar, GW_HWNDPREV) == tip; };

    for (DWORD onTop : {1u, 0u}) {
        SCOPED_TRACE(onTop);
        SetWindowPos(tip, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ASSERT_FALSE(lifted());
        // Hiding stays on, far off, to keep the timer running.
        StoreHideSettings(0, 999);
        reg::SetDword("tooltipsontop", onTop);
        App app;
        ASSERT_TRUE(app.WaitEngine());
        EXPECT_EQ(onTop != 0, WaitFor(lifted, 2500));
    }
    DestroyWindow(tip);
}

TEST_F(Hide, ClickOnTheHiddenCursorReachesTheWindowUnderItAndTheEndOfTheEngineShowsIt)
{
    // The default method: part of the program window under the pointer.
    StoreHideSettings(1);
    ClickTarget target({200, 150, 600, 450});
    App app;
    ASSERT_TRUE(app.WaitEngine());
    auto hidden = [&] {
        return FindWindowExA(target.window, nullptr, kHideClass, nullptr) != nullptr;
    };
    MouseAt(400, 300);
    ASSERT_TRUE(WaitFor(hidden, 2500));

    // The click comes alone, with no move before it.
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
    EXPECT_TRUE(WaitFor([] { return ClickTarget::ups == 1; }, 1000));
    EXPECT_EQ(1, ClickTarget::downs);
    DWORD pid = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &pid);
    EXPECT_NE(app.Pid(), pid) << "the click activated EdgeWarden";

    // Hidden again, then the engine's thread ends: no hook is left to show it.
    ASSERT_TRUE(WaitFor(hidden, 2500));
    HWND server = app.WaitWindow("Static", "EdgeWarden_Server", 1000);
    ASSERT_TRUE(PostThreadMessageA(GetWindowThreadProcessId(server, nullptr), WM_QUIT, 0, 0));
    EXPECT_TRUE(WaitFor([&] { return !hidden(); }, 1000));
}

TEST_F(Hide, HungProgramUnderTheHiddenCursorHoldsUpNothing)
{
    // The pointer rests on a shown task bar, which the default method makes the
    // hide window part of; then the shell that owns the bar hangs.
    FakeShell shell;
    HWND bar = shell.AddBar(ABE_BOTTOM, {0, cy - 30, cx, cy});
    StoreHideSettings(1);
    App app;
    ASSERT_TRUE(app.WaitEngine());
    HWND mainWindow = app.WaitWindow("Static", "EdgeWarden", 1000);
    ASSERT_NE(nullptr, mainWindow);
    MouseAt(cx / 2, cy - 15);
    HWND hideWindow = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            hideWindow = FindWindowExA(bar, nullptr, kHideClass, nullptr);
            return hideWindow != nullptr;
        },
        2500));

    // Long enough for every wait below to run out on a program that waits, and
    // for the system to judge the shell hung before the next hide.
    const DWORD hung = GetTickCount();
    shell.Hang(9000);
    Settle(100);
    // What the pointer brings to a window under it, which a child's default
    // handling would hand on to the hung program.
    const auto self = reinterpret_cast<WPARAM>(hideWindow);
    const LPARAM at = MAKELPARAM(cx / 2, cy - 15);
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } cases[] = {
        {"cursor", WM_SETCURSOR, self, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)},
        {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at},
        {"horizontal wheel", WM_MOUSEHWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at},
        {"context menu", WM_CONTEXTMENU, self, at},
        {"side button", WM_APPCOMMAND, self,
         MAKELPARAM(0, FAPPCOMMAND_MOUSE | APPCOMMAND_BROWSER_BACKWARD)},
        {"pen or touch", kPointerActivate, MAKEWPARAM(1, HTCLIENT), static_cast<LPARAM>(self)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DWORD_PTR result = 0;
        EXPECT_NE(0, SendMessageTimeoutA(hideWindow, c.message, c.wParam, c.lParam, SMTO_NORMAL,
                                         300, &result));
        if (c.message == WM_SETCURSOR) {
            EXPECT_EQ(DWORD_PTR{TRUE}, result) << "the cursor is set: hidden";
        }
        if (c.message == kPointerActivate) {
            EXPECT_EQ(DWORD_PTR{kPointerNoActivate}, result) << "activated";
        }
    }
    DWORD_PTR ignored = 0;
    EXPECT_NE(0, SendMessageTimeoutA(mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, 300, &ignored))
        << "the main window does not answer";
    MouseAt(cx / 2 + 20, cy - 15);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(hideWindow); }, 500)) << "the pointer stays hidden";

    // Once the shell counts as hung, the next hide is the pop-up, not part of the bar.
    while (GetTickCount() - hung < 5500)
        MouseAt(cx / 2 + 10 * static_cast<int>((GetTickCount() / 100) % 4), cy - 15);
    seen.clear();
    HWINEVENTHOOK created = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr,
                                            OnWindowCreated, app.Pid(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(nullptr, created);
    EXPECT_TRUE(WaitFor([] { return !seen.empty(); }, 2500)) << "no hide";
    UnhookWinEvent(created);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(0, seen.front().style & WS_CHILD)
        << "made part of a program that has stopped answering";
    EXPECT_EQ(mainWindow, seen.front().owner);
}
