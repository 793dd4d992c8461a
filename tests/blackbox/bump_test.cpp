#include "blackbox/harness.h"
#include "support/fake_shell.h"

namespace {

constexpr DWORD kColor = 0x00336699;

// The program runs in the background with the given bump settings and a hiding
// delay long enough never to interfere.
void Configure(DWORD enabled, DWORD strength, DWORD time, DWORD color)
{
    reg::SetDword("priowarn", 0);
    reg::SetDword("tarvo", enabled);
    reg::SetDword("tarvostrength", strength);
    reg::SetDword("tarvotime", time);
    reg::SetDword("tarvocolor", color);
    reg::SetDword("hide", 1);
    reg::SetDword("hidesecs", 3600);
}

// Read from the screen: the program paints on the bar from its own process, which
// the bar's own window surface in this process does not show.
COLORREF ScreenPixel(POINT at)
{
    HDC dc = GetDC(nullptr);
    const COLORREF color = GetPixel(dc, at.x, at.y);
    ReleaseDC(nullptr, dc);
    return color;
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

    // A bar that has slid in is no longer held off.
    RECT shown = {0, cy - 30, cx, cy};
    shell.MoveBar(ABE_BOTTOM, shown);
    MouseAt(500, cy - 1);
    EXPECT_EQ(cy - 1, CursorPos().y);
}

TEST_F(Bump, BumpGetsThroughAfterDistanceAndTimeAndStartsAfreshAfterRelease)
{
    shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    // 40 pixels: at least 10 pushes of the strip's 2 pixels.
    Configure(1, 40, 1500, kColor);
    App app;
    ASSERT_TRUE(app.WaitEngine());
    const POINT strip = Strip();

    // Distance reached quickly, time not yet: held.
    const DWORD start = GetTickCount();
    for (int i = 0; i < 20; ++i) {
        MouseAt(strip.x, strip.y);
        ASSERT_TRUE(Held()) << "push " << i;
    }
    ASSERT_LT(GetTickCount() - start, 1400u) << "pushed too slowly to tell time from distance";
    EXPECT_EQ(kColor, ScreenPixel(strip));

    // Both reached: through, and onto the bar.
    Settle(start + 1700 - GetTickCount());
    MouseAt(strip.x, strip.y);
    EXPECT_EQ(strip.y, CursorPos().y);

    // Back off 20 pixels: the bump goes on, so the strip is reached at once.
    MouseAt(strip.x, cy - 2 - 20);
    MouseAt(strip.x, strip.y);
    EXPECT_EQ(strip.y, CursorPos().y);

    // Beyond 20 pixels the bump ends and the edge is redrawn.
    const LONG ncPaints = shell.NcPaints();
    MouseAt(strip.x, cy - 2 - 21);
    Settle(100);
    EXPECT_GT(shell.NcPaints(), ncPaints);
    EXPECT_NE(kColor, ScreenPixel(strip));

    // A fresh bump: held again, and time alone does not get it through.
    MouseAt(strip.x, strip.y);
    EXPECT_TRUE(Held());
    Settle(1700);
    MouseAt(strip.x, strip.y);
    EXPECT_TRUE(Held());
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
