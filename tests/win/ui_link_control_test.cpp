#include "win_support.h"

#include "res/resource_ids.h"
#include "ui/link_control.h"

#include <gtest/gtest.h>

namespace {

// A target the shell cannot open, so that a click runs the whole way without
// starting a browser.
const char kMissingTarget[] = "C:\\edgewarden-test\\no-such-page.edgewarden";

class UiLinkControl : public win_test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_NE(nullptr, OpenDialog());
        link = GetDlgItem(dialog, IDC_HOME_LINK);
        ASSERT_NE(nullptr, link);
        win_test::LinkLosesFocus(link);
    }
    void TearDown() override
    {
        win_test::LinkLosesFocus(link);
        UiTest::TearDown();
    }

    // The link's rectangle in the dialog's client coordinates.
    RECT LinkRect() const
    {
        RECT rect;
        GetWindowRect(link, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    // Counts the pixels of `color` on the dialog as the screen shows it: in the
    // text and on the row under it.
    struct Seen {
        int text;
        int underline;
    };
    Seen Count(COLORREF color) const
    {
        RedrawWindow(dialog, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const RECT rect = LinkRect();
        Seen seen = {0, 0};
        HDC dc = GetDC(dialog);
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                seen.text += GetPixel(dc, x, y) == color;
        for (int x = rect.left; x < rect.right; ++x)
            seen.underline += GetPixel(dc, x, rect.bottom) == color;
        ReleaseDC(dialog, dc);
        return seen;
    }

    HWND link = nullptr;
};

} // namespace

TEST_F(UiLinkControl, BlueUntilClickedRedUntilItLosesTheFocus)
{
    ShowWindow(dialog, SW_SHOW);
    const int width = LinkRect().right - LinkRect().left;
    Seen blue = Count(kLinkBlue);
    EXPECT_GT(blue.text, 20) << "the address is drawn in blue";
    EXPECT_EQ(width, blue.underline) << "underlined over the whole width";
    EXPECT_EQ(0, Count(kLinkRed).text);

    // The shell fails on this target: a beep, and the link stays red.
    SetWindowTextA(link, kMissingTarget);
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(kLinkRed, win_test::LinkColour(link));
    EXPECT_EQ(link, GetFocus());
    Seen red = Count(kLinkRed);
    EXPECT_GT(red.text, 20);
    EXPECT_EQ(width, red.underline);
    EXPECT_EQ(0, Count(kLinkBlue).text);

    SetFocus(GetDlgItem(dialog, IDOK));
    EXPECT_EQ(kLinkBlue, win_test::LinkColour(link));
    blue = Count(kLinkBlue);
    EXPECT_GT(blue.text, 20);
    EXPECT_EQ(width, blue.underline);
}

TEST_F(UiLinkControl, HandCursorOverTheLink)
{
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_HAND), GetCursor());
}

TEST_F(UiLinkControl, ColourRequestSetsTheTextColourAndAnswersZero)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(0, 128, 0));
    EXPECT_EQ(0, SendMessageA(link, WMU_LINKCOLOR, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(link)));
    EXPECT_EQ(kLinkBlue, GetTextColor(dc));
    win_test::ClickLinkInVain(link);
    SendMessageA(link, WMU_LINKCOLOR, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link));
    EXPECT_EQ(kLinkRed, GetTextColor(dc));
    DeleteDC(dc);
}

TEST_F(UiLinkControl, TextIsReadIntoABlockOfItsLengthAndTwo)
{
    struct Case {
        const char* text;
        int capacity;
    } cases[] = {
        {"", 2}, {"abc", 5}, {kMissingTarget, static_cast<int>(sizeof(kMissingTarget)) + 1}};
    for (const Case& c : cases) {
        SetWindowTextA(link, c.text);
        TextBuffer buffer;
        EXPECT_EQ(static_cast<int>(strlen(c.text)), GetWindowTextBuffer(link, buffer));
        EXPECT_EQ(c.capacity, buffer.capacity) << c.text;
        ASSERT_NE(nullptr, buffer.data);
        EXPECT_STREQ(c.text, buffer.data);
    }
}
