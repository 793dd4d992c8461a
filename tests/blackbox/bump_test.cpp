#include "blackbox/harness.h"
#include "support/fake_shell.h"
#include "support/test_windows.h"

namespace {

constexpr DWORD kColor = 0x00336699;

// The program runs in the background with the given bump settings and a hiding
// delay long enough never to interfere.
void Configure(DWORD enabled, DWORD strength, DWORD time, DWORD color)
{
    reg::Store({{"priowarn", 0},
                {"tarvo", enabled},
                {"tarvostrength", strength},
                {"tarvotime", time},
                {"tarvocolor", color},
                {"hide", 1},
                {"hidesecs", 3600}});
}

// The marks that Windows puts on the mouse events it makes from pen and touch input.
constexpr ULONG_PTR kPen = 0xFF515700;
constexpr ULONG_PTR kTouch = 0xFF515780;

// A button event (or with no button a move) where the pointer is told by its
// absolute place, as a pen, a touch screen or a remote desktop reports it.
void AbsoluteButton(POINT at, DWORD button, int cx, int cy, ULONG_PTR extraInfo = 0)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = at.x * 65535 / (cx - 1);
    input.mi.dy = at.y * 65535 / (cy - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | button;
    input.mi.dwExtraInfo = extraInfo;
    SendInput(1, &input, sizeof(input));
    Settle(50);
}

// Bars exist before the program starts, so its first look at the shell finds them.
class Bump : public BlackBox {
protected:
    // The bottom strip, where the pointer lies, and where it is set back to.
    POINT Strip() const { return {cx / 2, cy - 1}; }
    LONG HeldY() const { return cy - 3; }
    bool Held() const { return CursorPos().y == HeldY(); }

    FakeShell shell;
};

} // namespace

TEST_F(Bump, BumpHoldsMovesClicksAndWheelOffEveryEdgeAndCorner)
{
    for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge)
        shell.AddBar(edge, FakeShell::HiddenRect(edge));
    Configure(1, 50, 200, 0xFF);
    App app;
    ASSERT_TRUE(app.WaitEngine());

    enum Kind { Move, Click, Wheel };
    struct Case {
        const char* what;
        Kind kind;
        POINT at;
        POINT expected;
    } cases[] = {
        {"left", Move, {0, 300}, {2, 300}},
        {"top", Move, {500, 0}, {500, 2}},
        {"right", Move, {cx - 1, 300}, {cx - 3, 300}},
        {"bottom", Move, {500, cy - 1}, {500, cy - 3}},
        {"corner of left and top", Move, {0, 0}, {2, 2}},
        {"corner of right and bottom", Move, {cx - 1, cy - 1}, {cx - 3, cy - 3}},
        {"click", Click, {500, cy - 1}, {500, cy - 3}},
        {"wheel", Wheel, {0, 300}, {2, 300}},
        {"away from every bar", Move, {cx / 2, cy / 2}, {cx / 2, cy / 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.kind == Move)
            MouseAt(c.at.x, c.at.y);
        else if (c.kind == Click)
            ClickAt(c.at.x, c.at.y);
        else
            WheelAt(c.at.x, c.at.y);
        Settle(50);
        const POINT p = CursorPos();
        EXPECT_EQ(c.expected.x, p.x);
        EXPECT_EQ(c.expected.y, p.y);
        // Far away: every bump of this case ends before the next.
        MouseAt(cx / 2, cy / 2);
    }

    // A bar slides in where the mouse reaches it, whatever its topmost flag says.
    const auto held = [this](POINT at) {
        MouseAt(at.x, at.y);
        const bool setBack = CursorPos().y != at.y;
        MouseAt(cx / 2, cy / 2);
        return setBack;
    };
    const POINT bottom = {500, cy - 1};
    // Lowered by a stale verdict on full screen, with nothing over its strip.
    shell.SetTopmost(shell.Bar(ABE_BOTTOM), false);
    Settle(100);
    EXPECT_TRUE(held(bottom)) << "a lowered bar with nothing over its strip";
    // A graphics driver's overlay over the whole monitor lets the mouse through.
    HWND overlay =
        shell.AddWindow({0, 0, cx, cy}, WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TRANSPARENT);
    EXPECT_TRUE(held(bottom)) << "under a click-through overlay";
    shell.RemoveWindow(overlay);
    // A window over the left half of the lowered bar's strip takes the mouse there.
    HWND editor = shell.AddWindow({0, cy / 2, cx / 2, cy}, 0);
    EXPECT_FALSE(held({cx / 4, cy - 1})) << "under the window over the strip";
    EXPECT_TRUE(held({3 * cx / 4, cy - 1})) << "beside the window over the strip";
    shell.RemoveWindow(editor);
    shell.SetTopmost(shell.Bar(ABE_BOTTOM), true);

    // A bar that has slid in is no longer held off.
    RECT shown = {0, cy - 30, cx, cy};
    shell.MoveBar(ABE_BOTTOM, shown);
    MouseAt(500, cy - 1);
    EXPECT_EQ(cy - 1, CursorPos().y);
}

TEST_F(Bump, BumpGetsThroughAfterDistanceAndTimeAndStartsAfreshAfterRelease)
{
    // Windows 11's task bar as it is: 1 pixel on the screen, and covered by a
    // surface that repaints itself all the time.
    shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM, 1), FakeShell::Look::Composed);
    // 20 pixels: at least 10 pushes of the strip's pixel, its echo counted.
    Configure(1, 20, 1500, kColor);
    App app;
    ASSERT_TRUE(app.WaitEngine());
    const POINT strip = Strip();
    const auto held = [&] { return CursorPos().y == strip.y - 1; };
    const COLORREF own = ScreenPixel(strip);
    ASSERT_EQ(FakeShell::SURFACE_COLOR, own);

    // Distance reached quickly, time not yet: held, and the stripe shows in every look.
    const DWORD start = GetTickCount();
    MouseAt(strip.x, strip.y);
    ASSERT_TRUE(held());
    for (DWORD look = GetTickCount(); GetTickCount() - look < 300; Settle(20))
        ASSERT_EQ(kColor, ScreenPixel(strip)) << "at " << GetTickCount() - look << " ms";
    for (int i = 1; i < 20; ++i) {
        MouseAt(strip.x, strip.y);
        ASSERT_TRUE(held()) << "push " << i;
    }
    ASSERT_LT(GetTickCount() - start, 1400u) << "pushed too slowly to tell time from distance";
    EXPECT_EQ(kColor, ScreenPixel(strip));

    // Both reached: through, and onto the bar, with the stripe gone.
    Settle(start + 1700 - GetTickCount());
    MouseAt(strip.x, strip.y);
    EXPECT_EQ(strip.y, CursorPos().y);
    EXPECT_TRUE(WaitFor([&] { return ScreenPixel(strip) == own; }, 500)) << "through";

    // Back off 20 pixels: the bump goes on, so the strip is reached at once.
    MouseAt(strip.x, cy - 1 - 20);
    MouseAt(strip.x, strip.y);
    EXPECT_EQ(strip.y, CursorPos().y);

    // Beyond 20 pixels the bump ends: the strip shows the bar's own colour.
    MouseAt(strip.x, cy - 1 - 21);
    EXPECT_TRUE(WaitFor([&] { return ScreenPixel(strip) == own; }, 500))
        << "strip " << ScreenPixel(strip) << ", bar " << own;

    // A fresh bump: held again, and time alone does not get it through.
    MouseAt(strip.x, strip.y);
    EXPECT_TRUE(held());
    Settle(1700);
    MouseAt(strip.x, strip.y);
    EXPECT_TRUE(held());
}

TEST_F(Bump, BumpOffOrWithoutIndication)
{
    shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    const POINT strip = Strip();
    {
        SCOPED_TRACE("protection off");
        Configure(0, 50, 200, kColor);
        App app;
        ASSERT_TRUE(app.WaitEngine());
        MouseAt(strip.x, strip.y);
        ClickAt(strip.x, strip.y);
        EXPECT_EQ(strip.y, CursorPos().y);
        EXPECT_NE(kColor, ScreenPixel(strip));
    }
    MouseAt(cx / 2, cy / 2);
    {
        SCOPED_TRACE("indication off");
        Configure(1, 50, 200, kColor | 0x80000000u);
        App app;
        ASSERT_TRUE(app.WaitEngine());
        MouseAt(strip.x, strip.y);
        EXPECT_TRUE(Held());
        EXPECT_NE(kColor, ScreenPixel(strip));
        const LONG ncPaints = shell.NcPaints();
        MouseAt(cx / 2, cy / 2);
        Settle(100);
        EXPECT_EQ(ncPaints, shell.NcPaints());
    }
}

TEST_F(Bump, DragReleasedOnAHeldStripEndsInItsWindow)
{
    shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    Configure(1, 200, 200, kColor);
    App app;
    ASSERT_TRUE(app.WaitEngine());
    ClickTarget target({cx / 4, cy / 4, 3 * cx / 4, 3 * cy / 4});

    AbsoluteButton({cx / 2, cy / 2}, MOUSEEVENTF_LEFTDOWN, cx, cy);
    ASSERT_EQ(1, target.downs);
    MouseAt(Strip().x, Strip().y);
    ASSERT_TRUE(Held());
    // A press on the strip is held like a move; the release gets through.
    AbsoluteButton(Strip(), MOUSEEVENTF_LEFTUP, cx, cy);
    EXPECT_EQ(1, target.ups);
    EXPECT_EQ(0, GetAsyncKeyState(VK_LBUTTON) & 0x8000) << "the button stays down";
}

TEST_F(Bump, TouchIsNeverHeldAndAnUnmarkedBitIsHeldLikeAMouse)
{
    shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    Configure(1, 50, 200, kColor);
    App app;
    ASSERT_TRUE(app.WaitEngine());
    const POINT strip = Strip();
    const COLORREF own = ScreenPixel(strip);

    // A touch move and a tap on the strip reach the bar, and paint nothing.
    const LONG moves = shell.MouseMoves();
    AbsoluteButton(strip, 0, cx, cy, kTouch);
    EXPECT_GT(shell.MouseMoves(), moves) << "the touch move";
    AbsoluteButton(strip, MOUSEEVENTF_LEFTDOWN, cx, cy, kTouch);
    AbsoluteButton(strip, MOUSEEVENTF_LEFTUP, cx, cy, kTouch);
    EXPECT_EQ(1, shell.Presses()) << "the tap's press";
    EXPECT_EQ(own, ScreenPixel(strip));

    // The touches left no bump: the mouse's first contact is held, with the stripe.
    MouseAt(strip.x, strip.y);
    EXPECT_TRUE(Held());
    EXPECT_EQ(kColor, ScreenPixel(strip));
    MouseAt(cx / 2, cy / 2);

    // The touch bit without the mark is a mouse's: held, and the time alone does
    // not get it through.
    AbsoluteButton(strip, 0, cx, cy, 0x12345680);
    EXPECT_TRUE(Held());
    Settle(400);
    EXPECT_TRUE(Held());
}

TEST_F(Bump, PenRestingOnTheStripGetsThroughAfterTheTimeOfBump)
{
    shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    // A strength that no push of a pen would reach.
    Configure(1, 200, 600, kColor);
    App app;
    ASSERT_TRUE(app.WaitEngine());
    const POINT strip = Strip();

    // Held at first, as a mouse; then, with no further event, onto the bar once
    // the time is up, and not before.
    const DWORD start = GetTickCount();
    AbsoluteButton(strip, 0, cx, cy, kPen);
    EXPECT_TRUE(Held());
    EXPECT_EQ(kColor, ScreenPixel(strip));
    EXPECT_TRUE(WaitFor([&] { return CursorPos().y == strip.y; }, 1500)) << "never let through";
    EXPECT_GE(GetTickCount() - start, 600u);
    // The pen's press there reaches the bar.
    AbsoluteButton(strip, MOUSEEVENTF_LEFTDOWN, cx, cy, kPen);
    EXPECT_EQ(1, shell.Presses());
}

namespace {

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoA(monitor, &info);
    auto* list = reinterpret_cast<std::vector<RECT>*>(param);
    list->insert((info.dwFlags & MONITORINFOF_PRIMARY) ? list->begin() : list->end(),
                 info.rcMonitor);
    return TRUE;
}

// Run on a desktop of two monitors side by side, the primary on the left.
class TwoMonitors : public Bump {
protected:
    void SetUp() override
    {
        Bump::SetUp();
        std::vector<RECT> monitors;
        EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
        ASSERT_EQ(2u, monitors.size()) << "this layer needs two monitors";
        primary = monitors[0];
        second = monitors[1];
        ASSERT_EQ(primary.right, second.left) << "the second monitor lies right of the primary";
    }

    // Whether a move to `at` stays where it was put.
    static bool Passes(POINT at)
    {
        MouseAt(at.x, at.y);
        const POINT p = CursorPos();
        return p.x == at.x && p.y == at.y;
    }

    RECT primary = {};
    RECT second = {};
};

} // namespace

TEST_F(TwoMonitors, BarsAreHeldOnTheirOwnMonitorWhereTheDesktopEnds)
{
    // The primary's bottom and right bars through the plain query, the second
    // monitor's left, top and right bars through the per-monitor one.
    HWND primaryBottom = shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRectOn(primary, ABE_BOTTOM));
    shell.AddBar(ABE_RIGHT, FakeShell::HiddenRectOn(primary, ABE_RIGHT));
    // The per-monitor query answers the primary's bar for the second monitor too.
    shell.SetBarOn(second, ABE_BOTTOM, primaryBottom);
    shell.AddBarOn(second, ABE_LEFT, FakeShell::HiddenRectOn(second, ABE_LEFT));
    shell.AddBarOn(second, ABE_TOP, FakeShell::HiddenRectOn(second, ABE_TOP));
    shell.AddBarOn(second, ABE_RIGHT, FakeShell::HiddenRectOn(second, ABE_RIGHT));
    Configure(1, 50, 200, 0xFF);
    App app;
    ASSERT_TRUE(app.WaitEngine());

    const LONG mid = (primary.bottom - primary.top) / 2;
    const LONG inSecond = second.left + 400;
    struct Case {
        const char* what;
        POINT at;
        POINT expected;
    } cases[] = {
        {"primary's bottom", {500, primary.bottom - 1}, {500, primary.bottom - 3}},
        {"second's bottom rows are not the primary's",
         {inSecond, second.bottom - 1},
         {inSecond, second.bottom - 1}},
        {"second's top", {inSecond, second.top}, {inSecond, second.top + 2}},
        {"second's outer edge", {second.right - 1, mid}, {second.right - 3, mid}},
        {"primary's edge towards the second", {primary.right - 1, mid}, {primary.right - 1, mid}},
        {"second's edge towards the primary", {second.left, mid}, {second.left, mid}},
        {"corner of the second's top and right",
         {second.right - 1, second.top},
         {second.right - 3, second.top + 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MouseAt(c.at.x, c.at.y);
        Settle(50);
        const POINT p = CursorPos();
        EXPECT_EQ(c.expected.x, p.x);
        EXPECT_EQ(c.expected.y, p.y);
        MouseAt(inSecond, mid);
        MouseAt(500, mid);
    }

    // Across the shared edge both ways, pixel by pixel.
    for (LONG x = primary.right - 4; x < second.left + 4; ++x)
        EXPECT_TRUE(Passes({x, mid})) << "rightwards at " << x;
    for (LONG x = second.left + 3; x >= primary.right - 4; --x)
        EXPECT_TRUE(Passes({x, mid})) << "leftwards at " << x;
}

TEST_F(TwoMonitors, SecondMonitorsBarHoldsUntilThePushGetsThrough)
{
    shell.AddBarOn(second, ABE_BOTTOM, FakeShell::HiddenRectOn(second, ABE_BOTTOM));
    // 20 pixels: 10 pushes of the strip's 2 pixels.
    Configure(1, 20, 1000, kColor);
    App app;
    ASSERT_TRUE(app.WaitEngine());
    const POINT strip = {second.left + 300, second.bottom - 1};
    const DWORD start = GetTickCount();
    for (int push = 0; push < 10; ++push) {
        MouseAt(strip.x, strip.y);
        ASSERT_EQ(second.bottom - 3, CursorPos().y) << "push " << push;
    }
    ASSERT_LT(GetTickCount() - start, 900u) << "pushed too slowly to tell time from distance";
    EXPECT_EQ(kColor, ScreenPixel(strip)) << "the stripe on the second monitor's bar";
    Settle(start + 1200 - GetTickCount());
    MouseAt(strip.x, strip.y);
    EXPECT_EQ(strip.y, CursorPos().y);
}

TEST_F(TwoMonitors, AFullScreenProgramHasTheEdgeWhereItGetsTheMouse)
{
    shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRectOn(primary, ABE_BOTTOM));
    HWND secondBar =
        shell.AddBarOn(second, ABE_BOTTOM, FakeShell::HiddenRectOn(second, ABE_BOTTOM));
    Configure(1, 50, 200, 0xFF);
    App app;
    ASSERT_TRUE(app.WaitEngine());
    const POINT onPrimary = {500, primary.bottom - 1};
    const POINT onSecond = {second.left + 300, second.bottom - 1};
    const POINT away = {second.left + 300, 300};

    // A full-screen program in front on the second monitor, whose bar the shell
    // leaves topmost, as a second monitor's on some versions: it slides in over
    // the program, so it is held.
    RegisterPlainClass("EdgeWardenFullScreen");
    HWND program =
        CreateWindowExA(0, "EdgeWardenFullScreen", "in front", WS_POPUP | WS_VISIBLE, second.left,
                        second.top, second.right - second.left, second.bottom - second.top, nullptr,
                        nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(program);
    Settle(1300); // a refresh after it came to the front
    EXPECT_FALSE(Passes(onSecond)) << "a topmost bar over a full-screen program";
    MouseAt(away.x, away.y);

    // A topmost program above the topmost bar gets the mouse: the edge is its own.
    SetWindowPos(program, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Settle(300);
    EXPECT_TRUE(Passes(onSecond)) << "under a topmost program";
    MouseAt(away.x, away.y);
    SetWindowPos(program, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // The shell lowers it: that edge is the program's, the primary's is still held.
    shell.SetTopmost(secondBar, false);
    EXPECT_TRUE(WaitFor([&] { return Passes(onSecond); }, 250)) << "a lowered bar";
    EXPECT_FALSE(Passes(onPrimary)) << "the primary's bar";
    MouseAt(away.x, away.y);

    DestroyWindow(program);
    shell.SetTopmost(secondBar, true);
    EXPECT_TRUE(WaitFor(
        [&] {
            MouseAt(away.x, away.y);
            return !Passes(onSecond);
        },
        250))
        << "the bar raised again";
}

TEST_F(TwoMonitors, TaskBarsThatTheQueriesMissAreFoundByTheirWindows)
{
    // Neither query answers; the shell says that its bars auto-hide, and its
    // task bars lie hidden at the bottom of each monitor.
    shell.SetAutoHide(true);
    HWND main = shell.AddTaskBar("Shell_TrayWnd", FakeShell::HiddenRectOn(primary, ABE_BOTTOM));
    shell.AddTaskBar("Shell_SecondaryTrayWnd", FakeShell::HiddenRectOn(second, ABE_BOTTOM));
    Configure(1, 50, 200, 0xFF);
    App app;
    ASSERT_TRUE(app.WaitEngine());
    const POINT onPrimary = {500, primary.bottom - 1};
    const POINT onSecond = {second.left + 300, second.bottom - 1};
    EXPECT_FALSE(Passes(onPrimary)) << "the main task bar";
    MouseAt(500, 300);
    EXPECT_FALSE(Passes(onSecond)) << "the second monitor's task bar";
    MouseAt(500, 300);

    // An invisible task bar window is none.
    ShowWindow(main, SW_HIDE);
    Settle(1300);
    EXPECT_TRUE(Passes(onPrimary)) << "the main task bar, invisible";
    MouseAt(500, 300);

    // Auto-hide set for the second monitor's bar alone: the shell's state speaks
    // for the main bar only, and the hidden bar is held all the same.
    shell.SetAutoHide(false);
    Settle(1300);
    EXPECT_FALSE(Passes(onSecond)) << "the second monitor's task bar, its state said off";
}

TEST_F(TwoMonitors, ThePlainQuerysBarOnTheSecondMonitorIsHeldThereOnly)
{
    // The main task bar, on the second monitor, is known only to the plain query.
    shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRectOn(second, ABE_BOTTOM));
    Configure(1, 50, 200, 0xFF);
    App app;
    ASSERT_TRUE(app.WaitEngine());
    EXPECT_TRUE(Passes({500, primary.bottom - 1})) << "the primary's bottom row";
    MouseAt(second.left + 300, second.bottom - 1);
    EXPECT_EQ(second.bottom - 3, CursorPos().y) << "the second monitor's bottom row";

    // The dialog, brought back by a second start, counts it: no warning.
    EXPECT_EQ(0u, RunToEnd(""));
    EXPECT_NE(nullptr, WaitSettingsDialog(app));
    EXPECT_EQ(nullptr, WaitMessageBox(app.Pid(), 300));
}
