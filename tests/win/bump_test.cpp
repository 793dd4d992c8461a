#include "win_support.h"

#include "support/test_windows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <vector>

// Counts the C++ heap allocations of one thread, to prove the hook path makes none.
namespace {
std::atomic<DWORD> allocationThread{0};
std::atomic<long> allocations{0};

void* CountedAllocation(std::size_t size)
{
    if (allocationThread.load() == GetCurrentThreadId())
        allocations.store(allocations.load() + 1);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size)
{
    return CountedAllocation(size);
}
void* operator new[](std::size_t size)
{
    return CountedAllocation(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

constexpr COLORREF kColor = 0x00336699;

// The colour of a screen point as the bar's window shows it.
COLORREF PixelOf(HWND bar, POINT screen)
{
    RECT r;
    GetWindowRect(bar, &r);
    HDC dc = GetWindowDC(bar);
    const COLORREF color = GetPixel(dc, screen.x - r.left, screen.y - r.top);
    ReleaseDC(bar, dc);
    return color;
}

// The program's visible stripes, with their rectangles.
std::vector<RECT> ShownStripes()
{
    std::vector<RECT> shown;
    for (HWND w = FindWindowExA(nullptr, nullptr, "EdgeWardenStripeClass", nullptr); w != nullptr;
         w = FindWindowExA(nullptr, w, "EdgeWardenStripeClass", nullptr)) {
        RECT r;
        if (IsWindowVisible(w) && GetWindowRect(w, &r))
            shown.push_back(r);
    }
    return shown;
}

// Whether `upper` lies above `lower` in the z-order.
bool Above(HWND upper, HWND lower)
{
    for (HWND w = GetWindow(lower, GW_HWNDPREV); w != nullptr; w = GetWindow(w, GW_HWNDPREV)) {
        if (w == upper)
            return true;
    }
    return false;
}

MSLLHOOKSTRUCT Event(int x, int y, DWORD time, ULONG_PTR extraInfo = 0)
{
    MSLLHOOKSTRUCT event = {};
    event.pt = {x, y};
    event.time = time;
    event.dwExtraInfo = extraInfo;
    return event;
}

// Stand-ins for what Wine cannot produce: an absolute raw move, a remote session.
bool rawAbsolute = false;
bool remoteSession = false;

bool StandInRawMouse(HRAWINPUT, uint16_t& flags, int32_t& dx, int32_t& dy)
{
    flags = rawAbsolute ? MOUSE_MOVE_ABSOLUTE : MOUSE_MOVE_RELATIVE;
    dx = 3;
    dy = 0;
    return true;
}

bool StandInSession()
{
    return remoteSession;
}

// Low-level hooks run on a thread with a message loop: a counting hook first, then
// the program's, which the system therefore calls before the counting one.
std::atomic<int> stripEvents{0};

LRESULT CALLBACK CountStripEvents(int nCode, WPARAM wParam, LPARAM lParam)
{
    const auto* e = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
    if (nCode >= 0 && e->pt.y >= GetSystemMetrics(SM_CYSCREEN) - 2)
        stripEvents.store(stripEvents.load() + 1);
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

class HookThread {
public:
    HookThread()
    {
        stripEvents.store(0);
        ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread = CreateThread(nullptr, 0, Run, ready, 0, &threadId);
        WaitForSingleObject(ready, 5000);
    }
    ~HookThread() { Stop(); }
    void Stop()
    {
        if (thread == nullptr)
            return;
        PostThreadMessageA(threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
        CloseHandle(ready);
        thread = nullptr;
    }

private:
    static DWORD WINAPI Run(LPVOID ready)
    {
        HHOOK counter =
            SetWindowsHookExA(WH_MOUSE_LL, CountStripEvents, GetModuleHandleA(nullptr), 0);
        HHOOK program =
            SetWindowsHookExA(WH_MOUSE_LL, Server::LowLevelMouseProc, GetModuleHandleA(nullptr), 0);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        SetEvent(static_cast<HANDLE>(ready));
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        UnhookWindowsHookEx(program);
        UnhookWindowsHookEx(counter);
        return 0;
    }
    HANDLE ready = nullptr;
    HANDLE thread = nullptr;
    DWORD threadId = 0;
};

// One stand-in shell with a hidden bar on every edge serves the whole suite: a
// mapped window takes long to destroy under Wine without a window manager.
class BumpTest : public win_test::AppTest {
protected:
    static void SetUpTestSuite()
    {
        shell = new FakeShell;
        for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge)
            shell->AddBar(edge, FakeShell::HiddenRect(edge));
        // The display's expose events for the new bars arrive late on a busy
        // machine; a repaint after a test painted the stripe would undo it.
        Sleep(500);
    }
    static void TearDownTestSuite()
    {
        delete shell;
        shell = nullptr;
    }
    void SetUp() override
    {
        AppTest::SetUp();
        for (HWND& bar : known)
            bar = nullptr;
        Reset();
        cx = GetSystemMetrics(SM_CXSCREEN);
        cy = GetSystemMetrics(SM_CYSCREEN);
        // Over no window: the pointer moving onto a bar would make an input event of its own.
        SetCursorPos(cx / 2, cy / 2);
    }
    void TearDown() override
    {
        hook.reset();
        AppTest::TearDown();
    }
    // The bump settings at their defaults, no bump in progress and no stripe,
    // nothing hidden: a fresh server, whose hook the cases call, telling the
    // pointing device by `sources`.
    void Reset(const PointerSources& sources = SystemPointerSources())
    {
        settings().bumpEnabled.store(1);
        settings().bumpStrength.store(50);
        settings().bumpTime.store(200);
        settings().bumpColor.store(0x000000FF);
        hook.reset();
        hook = std::make_unique<Server>(shared(), app->bars, app->AppInstance,
                                        SERVER_WINDOW_WAIT_MS, sources);
        shared().isHidden.store(0);
        shared().HideWindow.store(nullptr);
    }
    // One move through the hook; 1 when it was held.
    int BumpCursor(int x, int y, DWORD time)
    {
        MSLLHOOKSTRUCT event = Event(x, y, time);
        return Server::LowLevelMouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&event))
                       == -1
                   ? 1
                   : 0;
    }
    const bump::BumpState& State() const { return hook->BumpsInProgress().StateOf(0); }
    // Takes every stripe away, as a move with protection off does.
    void EndStripes()
    {
        const uint8_t on = settings().bumpEnabled.load();
        settings().bumpEnabled.store(0);
        BumpCursor(cx / 2, cy / 2, 0);
        settings().bumpEnabled.store(on);
    }
    // Makes the edge's bar known to the program, freshly painted by its thread.
    HWND UseBar(UINT edge)
    {
        HWND bar = shell->Bar(edge);
        RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        for (int i = 0; i < 100 && GetUpdateRect(bar, nullptr, FALSE); ++i)
            Sleep(5);
        // The update region empties as the paint begins, before the background
        // is erased; a message the bar's thread answers comes after the paint.
        SendMessageA(bar, WM_NULL, 0, 0);
        known[edge] = bar;
        PublishKnownBars();
        return bar;
    }
    // The bars made known so far, on the primary monitor alone, as a refresh
    // hands them to the hook.
    void PublishKnownBars()
    {
        BarTables& tables = app->bars.Tables();
        DesktopBars& table = tables.Draft();
        table = {};
        table.desktop.count = 1;
        table.desktop.monitors[0] = {0, 0, GetSystemMetrics(SM_CXSCREEN),
                                     GetSystemMetrics(SM_CYSCREEN)};
        for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge)
            table.bars[0][edge] = known[edge];
        table.layout = 1;
        tables.Publish(table);
    }

    static FakeShell* shell;
    static HWND known[4];
    std::unique_ptr<Server> hook;
    int cx = 0;
    int cy = 0;
};

FakeShell* BumpTest::shell = nullptr;
HWND BumpTest::known[4] = {};

} // namespace

TEST_F(BumpTest, BumpSetsBackAtEveryEdgeAndShowsTheStripeAboveTheBar)
{
    settings().bumpColor.store(kColor);
    struct Case {
        UINT edge;
        POINT strip;
        POINT setBack;
        RECT stripe; // the screen's outermost line along the bar
    } cases[] = {
        {ABE_LEFT, {0, 300}, {2, 300}, {0, 0, 1, cy}},
        {ABE_TOP, {500, 0}, {500, 2}, {0, 0, cx, 1}},
        {ABE_RIGHT, {cx - 1, 300}, {cx - 3, 300}, {cx - 1, 0, cx, cy}},
        {ABE_BOTTOM, {500, cy - 1}, {500, cy - 3}, {0, cy - 1, cx, cy}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edge " << c.edge);
        HWND bar = UseBar(c.edge);
        const COLORREF own = PixelOf(bar, c.strip);
        ASSERT_NE(kColor, own);
        EXPECT_EQ(1, BumpCursor(c.strip.x, c.strip.y, 1000));
        const POINT p = CursorPos();
        EXPECT_EQ(c.setBack.x, p.x);
        EXPECT_EQ(c.setBack.y, p.y);
        EXPECT_EQ(2, State().pushedDistance[c.edge]);

        // A window of the program's own, above the bar, that the mouse passes
        // through and that is never activated; nothing is painted into the bar.
        HWND stripe = FindWindowExA(nullptr, nullptr, "EdgeWardenStripeClass", nullptr);
        ASSERT_NE(nullptr, stripe);
        ASSERT_EQ(1u, ShownStripes().size());
        const RECT r = ShownStripes()[0];
        EXPECT_TRUE(EqualRect(&c.stripe, &r));
        const LONG_PTR exStyle = GetWindowLongPtrA(stripe, GWL_EXSTYLE);
        const LONG_PTR wanted =
            WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
        EXPECT_EQ(wanted, exStyle & wanted);
        EXPECT_TRUE(Above(stripe, bar));
        EXPECT_TRUE(WaitFor([&] { return ScreenPixel(c.strip) == kColor; }));
        EXPECT_EQ(own, PixelOf(bar, c.strip));
        // Away from every edge nothing happens, even with bars on all of them.
        EXPECT_EQ(0, BumpCursor(500, 300, 1010));
        EndStripes();
    }
}

TEST_F(BumpTest, BumpCornerSetsBackAtBothEdges)
{
    UseBar(ABE_LEFT);
    UseBar(ABE_TOP);
    EXPECT_EQ(1, BumpCursor(0, 0, 1000));
    const POINT p = CursorPos();
    EXPECT_EQ(2, p.x);
    EXPECT_EQ(2, p.y);
    EXPECT_EQ(2, State().pushedDistance[ABE_LEFT]);
    EXPECT_EQ(2, State().pushedDistance[ABE_TOP]);
}

TEST_F(BumpTest, StripeGoesAtTheReleaseAndWhenThePushGetsThrough)
{
    settings().bumpColor.store(kColor);
    settings().bumpStrength.store(4);
    settings().bumpTime.store(0);
    HWND bar = UseBar(ABE_BOTTOM);
    const LONG ncPaints = shell->NcPaints();
    BumpCursor(500, cy - 1, 1000);
    ASSERT_EQ(1u, ShownStripes().size());
    // Within 20 pixels of the bar the bump and its stripe stay.
    EXPECT_EQ(0, BumpCursor(500, cy - 2 - 20, 1100));
    EXPECT_EQ(1u, ShownStripes().size());
    EXPECT_EQ(0, BumpCursor(500, cy - 2 - 21, 1200));
    EXPECT_EQ(0, State().pushedDistance[ABE_BOTTOM]);
    EXPECT_TRUE(ShownStripes().empty()) << "released";

    // Pushed through: the stripe goes as the bar opens.
    BumpCursor(500, cy - 1, 1300);
    BumpCursor(500, cy - 1, 1310);
    ASSERT_EQ(1u, ShownStripes().size());
    EXPECT_EQ(0, BumpCursor(500, cy - 1, 1320));
    EXPECT_TRUE(ShownStripes().empty()) << "through";
    BumpCursor(500, 100, 1330);

    // A bar that opens some other way, or goes, takes its stripe along.
    BumpCursor(500, cy - 1, 1400);
    shell->MoveBar(ABE_BOTTOM, {0, cy - 30, cx, cy});
    BumpCursor(500, cy - 40, 1410);
    EXPECT_TRUE(ShownStripes().empty()) << "opened";
    shell->MoveBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    BumpCursor(500, 100, 1420);

    // Protection switched off, or the hook removed: no stripe stays behind.
    BumpCursor(500, cy - 1, 1500);
    ASSERT_EQ(1u, ShownStripes().size());
    settings().bumpEnabled.store(0);
    MSLLHOOKSTRUCT event = Event(500, 300, 1510);
    Server::LowLevelMouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&event));
    EXPECT_TRUE(ShownStripes().empty()) << "protection off";
    settings().bumpEnabled.store(1);
    BumpCursor(500, 100, 1520);
    ASSERT_TRUE(hook->EnsureServerThread(nullptr));
    hook->RequestMouseHook(true);
    ASSERT_TRUE(WaitFor([this] { return hook->Hook() != nullptr; }));
    SetCursorPos(500, cy - 1);
    ASSERT_TRUE(WaitFor([] { return ShownStripes().size() == 1; })) << "the hook's own stripe";
    hook->RequestMouseHook(false);
    EXPECT_TRUE(WaitFor([] { return ShownStripes().empty(); })) << "hook removed";
    hook->StopServerThread();
    SetCursorPos(cx / 2, cy / 2);
    BumpCursor(500, 100, 1540);

    // Without indication: no stripe at all.
    settings().bumpColor.store(kColor | BUMP_NO_INDICATION);
    EXPECT_EQ(1, BumpCursor(500, cy - 1, 1600));
    EXPECT_TRUE(ShownStripes().empty());
    EXPECT_EQ(0, BumpCursor(500, 100, 1610));

    // Nothing asked the bar to paint.
    SendMessageA(bar, WM_NULL, 0, 0);
    EXPECT_EQ(ncPaints, shell->NcPaints());
}

TEST_F(BumpTest, BumpHoldsOnlyWhereTheMouseReachesTheBar)
{
    UseBar(ABE_BOTTOM);
    // The program's own hide window and a click-through overlay lie over the
    // strip: the mouse still reaches the bar.
    settings().hideSeconds.store(1);
    settings().hideMode.store(HIDE_POPUP);
    SetCursorPos(cx / 4, cy - 1);
    app->hider.HideIfIdle(false, app->MainWindow);
    ASSERT_NE(nullptr, shared().HideWindow.load());
    EXPECT_EQ(1, BumpCursor(cx / 4, cy - 1, 1000)) << "under the hide window";
    app->hider.DestroyHideWindow();
    SetCursorPos(cx / 2, cy / 2);
    BumpCursor(500, 100, 1010);
    HWND overlay = CreateWindowExA(WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TRANSPARENT, "STATIC", "",
                                   WS_POPUP | WS_VISIBLE, 0, 0, cx, cy, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    SetLayeredWindowAttributes(overlay, 0, 1, LWA_ALPHA);
    EXPECT_EQ(1, BumpCursor(cx / 4, cy - 1, 1100)) << "under the overlay";
    DestroyWindow(overlay);
    BumpCursor(500, 100, 1110);

    // A topmost window over part of the strip takes the mouse there.
    RegisterPlainClass("EdgeWardenTestTool");
    HWND tool = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE, "EdgeWardenTestTool", "",
                                WS_POPUP | WS_VISIBLE, 0, cy / 2, cx / 2, cy / 2, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    // Wine may stack the new window below the bars until the display has caught up.
    const POINT under = {cx / 4, cy - 1};
    ASSERT_TRUE(WaitFor([&] { return WindowFromPoint(under) == tool; }));
    EXPECT_EQ(0, BumpCursor(cx / 4, cy - 1, 1200)) << "under the window";
    EXPECT_EQ(0, State().pushedDistance[ABE_BOTTOM]);
    EXPECT_EQ(1, BumpCursor(3 * cx / 4, cy - 1, 1210)) << "beside the window";
    DestroyWindow(tool);
}

TEST_F(BumpTest, BumpInProgressEndsWhenTheMonitorsChange)
{
    UseBar(ABE_BOTTOM);
    BumpCursor(500, cy - 1, 1000);
    ASSERT_EQ(2, State().pushedDistance[ABE_BOTTOM]);

    // A monitor plugged in to the right, as the next refresh numbers its table.
    const DesktopBars* previous = app->bars.Tables().Published();
    DesktopBars& table = app->bars.Tables().Draft();
    table = *previous;
    table.desktop.count = 2;
    table.desktop.monitors[1] = {cx, 0, cx + 800, 600};
    table.layout = desktop::NextLayout(&previous->desktop, previous->layout, table.desktop);
    app->bars.Tables().Publish(table);

    // The next contact is a first one: the push counts from zero again.
    EXPECT_EQ(1, BumpCursor(500, cy - 1, 1100));
    EXPECT_EQ(2, State().pushedDistance[ABE_BOTTOM]);
    EXPECT_EQ(1100u, State().bumpStartTime[ABE_BOTTOM]);
}

TEST_F(BumpTest, BumpSkipsABarDestroyedSinceTheRefresh)
{
    HWND bar = shell->Bar(ABE_BOTTOM);
    shell->AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    UseBar(ABE_BOTTOM);
    BumpCursor(500, cy - 1, 1000);
    ASSERT_EQ(2, State().pushedDistance[ABE_BOTTOM]);
    SetCursorPos(cx / 2, cy / 2);
    shell->DestroyBar(ABE_BOTTOM);
    shell->SetBar(ABE_BOTTOM, bar);

    // Neither a set-back nor a release judged from a rectangle that is not there,
    // nor a stripe left where the bar was.
    EXPECT_EQ(0, BumpCursor(500, cy - 1, 1100));
    EXPECT_TRUE(ShownStripes().empty());
    EXPECT_EQ(0, BumpCursor(500, 100, 1200));
    const POINT p = CursorPos();
    EXPECT_EQ(cx / 2, p.x);
    EXPECT_EQ(cy / 2, p.y);
    EXPECT_EQ(2, State().pushedDistance[ABE_BOTTOM]);
    EXPECT_EQ(1000u, State().bumpStartTime[ABE_BOTTOM]);
}

TEST_F(BumpTest, BumpReleaseDoesNotWaitForAHungBar)
{
    HWND bar = UseBar(ABE_BOTTOM);
    BumpCursor(500, cy - 1, 1000);
    shell->Hang(1500);
    Sleep(100);
    const DWORD start = GetTickCount();
    EXPECT_EQ(0, BumpCursor(500, 300, 1100));
    EXPECT_LT(GetTickCount() - start, 500u);
    EXPECT_EQ(0, State().pushedDistance[ABE_BOTTOM]);
    // The shell answers again before the next test needs it.
    SendMessageA(bar, WM_NULL, 0, 0);
}

TEST_F(BumpTest, BumpHookSwallowsOnlyWhatItSetsBack)
{
    UseBar(ABE_BOTTOM);
    struct Case {
        const char* what;
        int nCode;
        WPARAM message;
        uint8_t enabled;
        POINT at;
        LRESULT result;
        bool recordsTime;
    } cases[] = {
        {"move on the strip", HC_ACTION, WM_MOUSEMOVE, 1, {500, cy - 1}, -1, true},
        {"click on the strip", HC_ACTION, WM_LBUTTONDOWN, 1, {500, cy - 1}, -1, true},
        {"wheel on the strip", HC_ACTION, WM_MOUSEWHEEL, 1, {500, cy - 1}, -1, true},
        {"move elsewhere", HC_ACTION, WM_MOUSEMOVE, 1, {500, 300}, 0, true},
        {"protection off", HC_ACTION, WM_MOUSEMOVE, 0, {500, cy - 1}, 0, true},
        {"not for the hook", -1, WM_MOUSEMOVE, 1, {500, cy - 1}, 0, false},
    };
    DWORD time = 5000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        settings().bumpEnabled.store(c.enabled);
        shared().isHidden.store(1);
        shared().lastInputTime.store(1);
        SetCursorPos(cx / 2, cy / 2);
        MSLLHOOKSTRUCT event = Event(c.at.x, c.at.y, ++time);
        EXPECT_EQ(c.result,
                  Server::LowLevelMouseProc(c.nCode, c.message, reinterpret_cast<LPARAM>(&event)));
        EXPECT_EQ(c.recordsTime ? time : 1u, shared().lastInputTime.load());
        EXPECT_EQ(c.recordsTime ? 0 : 1, shared().isHidden.load());
        EXPECT_EQ(c.result == -1 ? cy - 3 : cy / 2, CursorPos().y);
    }
}

TEST_F(BumpTest, EachKindOfPointerIsHeldAndLetThroughByItsOwnRule)
{
    UseBar(ABE_BOTTOM);
    struct Case {
        const char* what;
        ULONG_PTR extraInfo;
        bool rawAbsolute;
        bool remoteSession;
        bool held;
        bool rests; // let through by the program once the time is up
    } cases[] = {
        {"mouse", 0, false, false, true, false},
        {"touch", 0xFF515780, false, false, false, false},
        {"pen", 0xFF515700, false, false, true, true},
        {"absolute raw move", 0, true, false, true, true},
        {"remote session", 0, false, true, true, true},
        {"the touch bit without the mark", 0x80, false, false, true, false},
        {"a mark one bit off", 0xFF515680, false, false, true, false},
        // Only the low 32 bits count, also where the field has 64.
        {"pen, higher bits set", static_cast<ULONG_PTR>(0xFFFFFFFFFF515700u), false, false, true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rawAbsolute = c.rawAbsolute;
        remoteSession = c.remoteSession;
        Reset({StandInRawMouse, StandInSession});
        settings().bumpTime.store(300);
        hook->NoteRawInput(0);
        shared().isHidden.store(1);
        // The display's news of the last case's moves comes first, or it would
        // put the pointer back where that case left it.
        SetCursorPos(cx / 2, cy / 2);
        Settle(100);
        MSLLHOOKSTRUCT event = Event(500, cy - 1, GetTickCount(), c.extraInfo);
        EXPECT_EQ(c.held ? -1 : 0, Server::LowLevelMouseProc(HC_ACTION, WM_MOUSEMOVE,
                                                             reinterpret_cast<LPARAM>(&event)));
        EXPECT_EQ(0, shared().isHidden.load()) << "it ends a hide";
        const LONG heldY = c.held ? cy - 3 : cy / 2;
        EXPECT_EQ(heldY, CursorPos().y);
        EXPECT_EQ(c.held ? 2 : 0, State().pushedDistance[ABE_BOTTOM]);

        // No further event: a resting pointer is taken onto the strip once the
        // time is up, and not before.
        Settle(150);
        EXPECT_EQ(heldY, CursorPos().y) << "before the time";
        Settle(350);
        EXPECT_EQ(c.rests ? cy - 1 : heldY, CursorPos().y) << "after the time";
        if (c.rests) {
            // That move coming back, unmarked, gets through.
            MSLLHOOKSTRUCT echo = Event(500, cy - 1, GetTickCount());
            EXPECT_EQ(0, Server::LowLevelMouseProc(HC_ACTION, WM_MOUSEMOVE,
                                                   reinterpret_cast<LPARAM>(&echo)));
        }
    }
}

TEST_F(BumpTest, BumpHookOnWineHoldsTheCursorAndLetsLaterHooksSeeTheEvent)
{
    UseBar(ABE_BOTTOM);
    settings().bumpStrength.store(6);
    settings().bumpTime.store(0);
    // Under Wine a window that goes from under the pointer makes a move of its
    // own: no stripe, so that every event counted is one of the pushes.
    settings().bumpColor.store(kColor | BUMP_NO_INDICATION);

    HookThread hooks;

    // The pointer moving onto the bar's window is the desktop's input event, as
    // from a real mouse. Three pushes of depth 2 are held back; the fourth gets through.
    int bottoms[4];
    for (int& y : bottoms) {
        SetCursorPos(500, cy - 1);
        Sleep(50);
        y = CursorPos().y;
    }
    hooks.Stop();

    EXPECT_EQ(cy - 3, bottoms[0]);
    EXPECT_EQ(cy - 3, bottoms[1]);
    EXPECT_EQ(cy - 3, bottoms[2]);
    EXPECT_EQ(cy - 1, bottoms[3]);
    EXPECT_EQ(4, stripEvents.load());
}

TEST_F(BumpTest, BumpHookPathAllocatesNothing)
{
    UseBar(ABE_BOTTOM);
    UseBar(ABE_LEFT);
    settings().bumpStrength.store(4);
    settings().bumpTime.store(0);
    // Far away, on the strip with a stripe, set back, through, and released with
    // the stripe gone: every path of the hook, many times over.
    const POINT path[] = {{500, 300},  {500, cy - 1}, {500, cy - 1}, {500, cy - 1},
                          {0, cy - 1}, {500, 100},    {3, 300},      {40, 300}};
    allocations.store(0);
    allocationThread.store(GetCurrentThreadId());
    DWORD time = 0;
    int releases = 0;
    for (int round = 0; round < 200; ++round) {
        for (const POINT& at : path) {
            const int32_t before = State().pushedDistance[ABE_BOTTOM];
            MSLLHOOKSTRUCT event = Event(at.x, at.y, time += 10);
            Server::LowLevelMouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&event));
            releases += before != 0 && State().pushedDistance[ABE_BOTTOM] == 0 ? 1 : 0;
        }
    }
    allocationThread.store(0);
    EXPECT_EQ(0, allocations.load());
    EXPECT_EQ(200, releases) << "the release path was not taken";
}
