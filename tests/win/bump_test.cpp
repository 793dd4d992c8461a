#include "app/server.h"
#include "hide/hide.h"
#include "settings/settings.h"
#include "support/fake_shell.h"
#include "taskbar/autohide_bars.h"
#include "taskbar/mouse_hook.h"
#include "taskbar/pointer_sense.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

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

POINT Cursor()
{
    POINT p = {-1, -1};
    GetCursorPos(&p);
    return p;
}

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

bool NcPaintsReach(const FakeShell& fake, LONG atLeast)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < 2000; Sleep(10)) {
        if (fake.NcPaints() >= atLeast)
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

// Handles this thread's messages, its timers' among them, for `ms`.
void PumpFor(DWORD ms)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
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
        MouseHook.store(
            SetWindowsHookExA(WH_MOUSE_LL, LowLevelMouseProc, GetModuleHandleA(nullptr), 0));
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        SetEvent(static_cast<HANDLE>(ready));
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        UnhookWindowsHookEx(MouseHook.load());
        MouseHook.store(nullptr);
        UnhookWindowsHookEx(counter);
        return 0;
    }
    HANDLE ready = nullptr;
    HANDLE thread = nullptr;
    DWORD threadId = 0;
};

// One stand-in shell with a hidden bar on every edge serves the whole suite: a
// mapped window takes long to destroy under Wine without a window manager.
class BumpTest : public ::testing::Test {
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
        Reset();
        cx = GetSystemMetrics(SM_CXSCREEN);
        cy = GetSystemMetrics(SM_CYSCREEN);
        // Over no window: the pointer moving onto a bar would make an input event of its own.
        SetCursorPos(cx / 2, cy / 2);
    }
    void TearDown() override
    {
        for (HWND& bar : known)
            bar = nullptr;
        PublishKnownBars();
        Reset();
    }
    static void Reset()
    {
        settings.bumpEnabled.store(1);
        settings.bumpStrength.store(50);
        settings.bumpTime.store(200);
        settings.bumpColor.store(0x000000FF);
        for (bump::BumpState& state : bumpState)
            state = {};
        isHidden.store(0);
        HideWindow.store(nullptr);
        UsePointerSources(SystemPointerSources());
    }
    // Makes the edge's bar known to the program, freshly painted by its thread.
    static HWND UseBar(UINT edge)
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
    static void PublishKnownBars()
    {
        DesktopBars& table = desktopBars.Draft();
        table = {};
        table.desktop.count = 1;
        table.desktop.monitors[0] = {0, 0, GetSystemMetrics(SM_CXSCREEN),
                                     GetSystemMetrics(SM_CYSCREEN)};
        for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge)
            table.bars[0][edge] = known[edge];
        table.layout = 1;
        desktopBars.Publish(table);
    }

    static FakeShell* shell;
    static HWND known[4];
    int cx = 0;
    int cy = 0;
};

FakeShell* BumpTest::shell = nullptr;
HWND BumpTest::known[4] = {};

} // namespace

TEST_F(BumpTest, BumpSetsBackAtEveryEdgeAndPaintsTheStripe)
{
    settings.bumpColor.store(kColor);
    struct Case {
        UINT edge;
        POINT strip;
        POINT setBack;
    } cases[] = {
        {ABE_LEFT, {0, 300}, {2, 300}},
        {ABE_TOP, {500, 0}, {500, 2}},
        {ABE_RIGHT, {cx - 1, 300}, {cx - 3, 300}},
        {ABE_BOTTOM, {500, cy - 1}, {500, cy - 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edge " << c.edge);
        HWND bar = UseBar(c.edge);
        ASSERT_NE(kColor, PixelOf(bar, c.strip));
        EXPECT_EQ(1, BumpCursor(c.strip.x, c.strip.y, 1000));
        const POINT p = Cursor();
        EXPECT_EQ(c.setBack.x, p.x);
        EXPECT_EQ(c.setBack.y, p.y);
        EXPECT_EQ(2, bumpState[0].pushedDistance[c.edge]);
        // The stripe is the bar's second line from its inner edge: the screen's outermost.
        EXPECT_EQ(kColor, PixelOf(bar, c.strip));
        // Away from every edge nothing happens, even with bars on all of them.
        EXPECT_EQ(0, BumpCursor(500, 300, 1010));
    }
}

TEST_F(BumpTest, BumpCornerSetsBackAtBothEdges)
{
    UseBar(ABE_LEFT);
    UseBar(ABE_TOP);
    // The top bar starts right of the left set-back, so moving there makes no input
    // event of the bar's that could undo the top set-back.
    RECT top = FakeShell::HiddenRect(ABE_TOP);
    top.left = 3;
    shell->MoveBar(ABE_TOP, top);
    EXPECT_EQ(1, BumpCursor(0, 0, 1000));
    shell->MoveBar(ABE_TOP, FakeShell::HiddenRect(ABE_TOP));
    const POINT p = Cursor();
    EXPECT_EQ(2, p.x);
    EXPECT_EQ(2, p.y);
    EXPECT_EQ(2, bumpState[0].pushedDistance[ABE_LEFT]);
    EXPECT_EQ(2, bumpState[0].pushedDistance[ABE_TOP]);
}

TEST_F(BumpTest, BumpReleaseRedrawsTheEdgeUnlessIndicationIsOff)
{
    settings.bumpColor.store(kColor);
    HWND bar = UseBar(ABE_BOTTOM);
    const POINT stripe = {500, cy - 1};
    const POINT inner = {500, cy - 2};
    const COLORREF own = PixelOf(bar, stripe);
    BumpCursor(500, cy - 1, 1000);
    ASSERT_EQ(kColor, PixelOf(bar, stripe));

    // Within 20 pixels of the bar the bump stays.
    const LONG before = shell->NcPaints();
    EXPECT_EQ(0, BumpCursor(500, cy - 2 - 20, 1100));
    EXPECT_EQ(2, bumpState[0].pushedDistance[ABE_BOTTOM]);

    EXPECT_EQ(0, BumpCursor(500, cy - 2 - 21, 1200));
    EXPECT_EQ(0, bumpState[0].pushedDistance[ABE_BOTTOM]);
    EXPECT_TRUE(NcPaintsReach(*shell, before + 1));
    // Once the bar's thread has painted, both rows are the bar's own.
    SendMessageA(bar, WM_NULL, 0, 0);
    EXPECT_EQ(own, PixelOf(bar, stripe));
    EXPECT_EQ(own, PixelOf(bar, inner));

    // Without indication: no stripe, and the release only forgets the bump.
    settings.bumpColor.store(kColor | BUMP_NO_INDICATION);
    EXPECT_EQ(1, BumpCursor(500, cy - 1, 1300));
    EXPECT_NE(kColor, PixelOf(bar, stripe));
    const LONG quiet = shell->NcPaints();
    EXPECT_EQ(0, BumpCursor(500, 100, 1400));
    EXPECT_EQ(0, bumpState[0].pushedDistance[ABE_BOTTOM]);
    Sleep(100);
    EXPECT_EQ(quiet, shell->NcPaints());
}

TEST_F(BumpTest, BumpInProgressEndsWhenTheMonitorsChange)
{
    UseBar(ABE_BOTTOM);
    BumpCursor(500, cy - 1, 1000);
    ASSERT_EQ(2, bumpState[0].pushedDistance[ABE_BOTTOM]);

    // A monitor plugged in to the right, as the next refresh numbers its table.
    const DesktopBars* previous = desktopBars.Published();
    DesktopBars& table = desktopBars.Draft();
    table = *previous;
    table.desktop.count = 2;
    table.desktop.monitors[1] = {cx, 0, cx + 800, 600};
    table.layout = desktop::NextLayout(&previous->desktop, previous->layout, table.desktop);
    desktopBars.Publish(table);

    // The next contact is a first one: the push counts from zero again.
    EXPECT_EQ(1, BumpCursor(500, cy - 1, 1100));
    EXPECT_EQ(2, bumpState[0].pushedDistance[ABE_BOTTOM]);
    EXPECT_EQ(1100u, bumpState[0].bumpStartTime[ABE_BOTTOM]);
}

TEST_F(BumpTest, BumpSkipsABarDestroyedSinceTheRefresh)
{
    HWND bar = shell->Bar(ABE_BOTTOM);
    shell->AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    UseBar(ABE_BOTTOM);
    BumpCursor(500, cy - 1, 1000);
    ASSERT_EQ(2, bumpState[0].pushedDistance[ABE_BOTTOM]);
    SetCursorPos(cx / 2, cy / 2);
    shell->DestroyBar(ABE_BOTTOM);
    shell->SetBar(ABE_BOTTOM, bar);

    // Neither a set-back nor a release judged from a rectangle that is not there.
    EXPECT_EQ(0, BumpCursor(500, cy - 1, 1100));
    EXPECT_EQ(0, BumpCursor(500, 100, 1200));
    const POINT p = Cursor();
    EXPECT_EQ(cx / 2, p.x);
    EXPECT_EQ(cy / 2, p.y);
    EXPECT_EQ(2, bumpState[0].pushedDistance[ABE_BOTTOM]);
    EXPECT_EQ(1000u, bumpState[0].bumpStartTime[ABE_BOTTOM]);
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
    EXPECT_EQ(0, bumpState[0].pushedDistance[ABE_BOTTOM]);
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
        settings.bumpEnabled.store(c.enabled);
        isHidden.store(1);
        lastInputTime.store(1);
        SetCursorPos(cx / 2, cy / 2);
        MSLLHOOKSTRUCT event = Event(c.at.x, c.at.y, ++time);
        EXPECT_EQ(c.result,
                  LowLevelMouseProc(c.nCode, c.message, reinterpret_cast<LPARAM>(&event)));
        EXPECT_EQ(c.recordsTime ? time : 1u, lastInputTime.load());
        EXPECT_EQ(c.recordsTime ? 0 : 1, isHidden.load());
        EXPECT_EQ(c.result == -1 ? cy - 3 : cy / 2, Cursor().y);
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
        Reset();
        settings.bumpTime.store(300);
        rawAbsolute = c.rawAbsolute;
        remoteSession = c.remoteSession;
        UsePointerSources({StandInRawMouse, StandInSession});
        NoteRawInput(0);
        isHidden.store(1);
        SetCursorPos(cx / 2, cy / 2);
        MSLLHOOKSTRUCT event = Event(500, cy - 1, GetTickCount(), c.extraInfo);
        EXPECT_EQ(c.held ? -1 : 0,
                  LowLevelMouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&event)));
        EXPECT_EQ(0, isHidden.load()) << "it ends a hide";
        const LONG heldY = c.held ? cy - 3 : cy / 2;
        EXPECT_EQ(heldY, Cursor().y);
        EXPECT_EQ(c.held ? 2 : 0, bumpState[0].pushedDistance[ABE_BOTTOM]);

        // No further event: a resting pointer is taken onto the strip once the
        // time is up, and not before.
        PumpFor(150);
        EXPECT_EQ(heldY, Cursor().y) << "before the time";
        PumpFor(350);
        EXPECT_EQ(c.rests ? cy - 1 : heldY, Cursor().y) << "after the time";
        if (c.rests) {
            // That move coming back, unmarked, gets through.
            MSLLHOOKSTRUCT echo = Event(500, cy - 1, GetTickCount());
            EXPECT_EQ(0,
                      LowLevelMouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&echo)));
        }
    }
}

TEST_F(BumpTest, BumpHookOnWineHoldsTheCursorAndLetsLaterHooksSeeTheEvent)
{
    UseBar(ABE_BOTTOM);
    settings.bumpStrength.store(6);
    settings.bumpTime.store(0);

    HookThread hooks;

    // The pointer moving onto the bar's window is the desktop's input event, as
    // from a real mouse. Three pushes of depth 2 are held back; the fourth gets through.
    int bottoms[4];
    for (int& y : bottoms) {
        SetCursorPos(500, cy - 1);
        Sleep(50);
        y = Cursor().y;
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
    const LONG ncPaints = shell->NcPaints();
    settings.bumpStrength.store(4);
    settings.bumpTime.store(0);
    // Far away, on the strip with a stripe, set back, through, and released with a
    // redraw: every path of the hook, many times over.
    const POINT path[] = {{500, 300},  {500, cy - 1}, {500, cy - 1}, {500, cy - 1},
                          {0, cy - 1}, {500, 100},    {3, 300},      {40, 300}};
    allocations.store(0);
    allocationThread.store(GetCurrentThreadId());
    DWORD time = 0;
    for (int round = 0; round < 200; ++round) {
        for (const POINT& at : path) {
            MSLLHOOKSTRUCT event = Event(at.x, at.y, time += 10);
            LowLevelMouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&event));
        }
    }
    allocationThread.store(0);
    EXPECT_EQ(0, allocations.load());
    EXPECT_GT(shell->NcPaints(), ncPaints) << "the release path was not taken";
}
