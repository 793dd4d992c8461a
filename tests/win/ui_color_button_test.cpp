#include "win_support.h"

#include "ui/color_button.h"
#include "res/resource_ids.h"
#include "ui/settings_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kSentinel = RGB(1, 2, 3);
constexpr COLORREF kBackground = RGB(200, 210, 220);
constexpr COLORREF kText = RGB(0, 0, 128);
constexpr COLORREF kSwatch = RGB(30, 160, 90);
const RECT kItem = {4, 3, 4 + 68, 3 + 24};
// Inside the edge: what the button draws besides its frame.
const RECT kInside = {kItem.left + 2, kItem.top + 2, kItem.right - 2, kItem.bottom - 2};

// A 32-bit bitmap in a memory DC with known background and text colours,
// filled with a sentinel so that every pixel drawn can be told apart.
class Canvas {
public:
    Canvas(int w = 80, int h = 32) : width(w), height(h)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits),
                                  nullptr, 0);
        oldBitmap = SelectObject(dc, bitmap);
        RECT all = {0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(kSentinel);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        SetBkColor(dc, kBackground);
        SetTextColor(dc, kText);
    }
    ~Canvas()
    {
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    COLORREF At(int x, int y) const
    {
        GdiFlush();
        DWORD pixel = bits[y * width + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    std::vector<COLORREF> Pixels() const
    {
        std::vector<COLORREF> all;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                all.push_back(At(x, y));
        return all;
    }
    // Bounding box of the pixels of one colour within `area`, empty when there
    // is none.
    RECT Box(COLORREF color, RECT area) const
    {
        RECT box = {width, height, 0, 0};
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (At(x, y) == color) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        return box;
    }

    HDC dc;
    int width, height;

private:
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
    DWORD* bits = nullptr;
};

void Draw(Canvas& canvas, UINT state, HWND button = nullptr, COLORREF color = kSwatch,
          RECT item = kItem)
{
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = IDC_BUMP_COLOR;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = state;
    draw.hwndItem = button;
    draw.hDC = canvas.dc;
    draw.rcItem = item;
    DrawColorButton(color, &draw);
}

bool Inside(int x, int y, const RECT& r)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

bool OnFrame(int x, int y, const RECT& r)
{
    return Inside(x, y, r) && (x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1);
}

// What each pixel inside the edge must be, without a caption. On the canvas the
// button covers columns 4 to 71 and rows 3 to 26, the swatch columns 7 to 68 and
// rows 6 to 23, and the focus frame runs along columns 9 and 67 and rows 8 and 22;
// pressed, swatch and frame lie one pixel further right and down.
COLORREF ExpectedInside(int x, int y, UINT state)
{
    const bool pressed = (state & ODS_SELECTED) != 0;
    const bool inactive = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const RECT swatch = pressed ? RECT{8, 7, 70, 25} : RECT{7, 6, 69, 24};
    const RECT focus = pressed ? RECT{10, 9, 69, 24} : RECT{9, 8, 68, 23};
    if ((state & ODS_FOCUS) && OnFrame(x, y, focus))
        return (x + y) % 2 == 0 ? kSwatch : kText; // checkerboard from the DC's origin
    if (!inactive && Inside(x, y, swatch))
        return kSwatch;
    return kBackground;
}

// The slots of freshly made GDI objects: the same set before and after means
// that everything made in between was deleted again.
std::set<WORD> FreeGdiSlots()
{
    std::vector<HGDIOBJ> objects;
    objects.reserve(64);
    for (int i = 0; i < 64; ++i)
        objects.push_back(CreateSolidBrush(RGB(i, 0, 0)));
    std::set<WORD> slots;
    for (HGDIOBJ object : objects) {
        slots.insert(LOWORD(reinterpret_cast<UINT_PTR>(object)));
        DeleteObject(object);
    }
    return slots;
}

class UiColorButton : public win_test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        button = CreateWindowExA(0, "BUTTON", "color", WS_POPUP | BS_OWNERDRAW, 0, 0, 68, 24,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(button);
        UiTest::TearDown();
    }
    HWND button = nullptr;
};

} // namespace

TEST_F(UiColorButton, FrameSwatchAndFocusFrameForEveryState)
{
    struct Case {
        const char* what;
        UINT state;
    } cases[] = {
        {"normal", 0},
        {"pressed", ODS_SELECTED},
        {"focused", ODS_FOCUS},
        {"pressed and focused", ODS_SELECTED | ODS_FOCUS},
        {"disabled", ODS_DISABLED},
        {"grayed", ODS_GRAYED},
        {"disabled and focused", ODS_DISABLED | ODS_FOCUS},
        {"pressed and disabled", ODS_SELECTED | ODS_DISABLED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Canvas canvas;
        Draw(canvas, c.state);
        int wrong = 0;
        for (int y = 0; y < canvas.height; ++y) {
            for (int x = 0; x < canvas.width; ++x) {
                COLORREF expected;
                if (!Inside(x, y, kItem))
                    expected = kSentinel;
                else if (Inside(x, y, kInside))
                    expected = ExpectedInside(x, y, c.state);
                else
                    continue; // the edge, below
                if (canvas.At(x, y) != expected && wrong++ < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex
                                  << canvas.At(x, y) << " instead of " << expected;
            }
        }
        EXPECT_EQ(0, wrong);

        // Raised edge: light outside top-left, dark outside bottom-right; sunken
        // the other way round. Sampled away from the corners.
        const bool pressed = (c.state & ODS_SELECTED) != 0;
        const int midX = (kItem.left + kItem.right) / 2;
        const int midY = (kItem.top + kItem.bottom) / 2;
        const COLORREF outerTopLeft = GetSysColor(pressed ? COLOR_3DSHADOW : COLOR_3DLIGHT);
        const COLORREF innerTopLeft = GetSysColor(pressed ? COLOR_3DDKSHADOW : COLOR_3DHILIGHT);
        const COLORREF outerBottomRight = GetSysColor(pressed ? COLOR_3DHILIGHT : COLOR_3DDKSHADOW);
        const COLORREF innerBottomRight = GetSysColor(pressed ? COLOR_3DLIGHT : COLOR_3DSHADOW);
        EXPECT_EQ(outerTopLeft, canvas.At(kItem.left, midY));
        EXPECT_EQ(outerTopLeft, canvas.At(midX, kItem.top));
        EXPECT_EQ(innerTopLeft, canvas.At(kItem.left + 1, midY));
        EXPECT_EQ(innerTopLeft, canvas.At(midX, kItem.top + 1));
        EXPECT_EQ(outerBottomRight, canvas.At(kItem.right - 1, midY));
        EXPECT_EQ(outerBottomRight, canvas.At(midX, kItem.bottom - 1));
        EXPECT_EQ(innerBottomRight, canvas.At(kItem.right - 2, midY));
        EXPECT_EQ(innerBottomRight, canvas.At(midX, kItem.bottom - 2));
    }
}

TEST_F(UiColorButton, CaptionIsCentredOnTheSwatchAndMovesWhenPressed)
{
    Canvas normal;
    Draw(normal, 0, button);
    RECT text = normal.Box(kText, kInside);
    ASSERT_LT(text.left, text.right) << "caption drawn in the DC's text colour";
    const RECT swatch = {7, 6, 69, 24};
    EXPECT_LE(std::abs((text.left - swatch.left) - (swatch.right - text.right)), 1);
    EXPECT_LE(std::abs((text.top - swatch.top) - (swatch.bottom - text.bottom)), 2);
    EXPECT_EQ(0, normal.Box(RGB(255, 255, 255), kInside).right) << "no emboss on an active button";

    Canvas pressed;
    Draw(pressed, ODS_SELECTED, button);
    RECT moved = pressed.Box(kText, kInside);
    OffsetRect(&text, 1, 1);
    EXPECT_TRUE(EqualRect(&text, &moved));
}

TEST_F(UiColorButton, DisabledCaptionIsEmbossedOnTheBackground)
{
    for (UINT state : {UINT(ODS_DISABLED), UINT(ODS_GRAYED)}) {
        Canvas canvas;
        Draw(canvas, state, button);
        RECT white = canvas.Box(RGB(255, 255, 255), kInside);
        RECT grey = canvas.Box(GetSysColor(COLOR_GRAYTEXT), kInside);
        ASSERT_LT(white.left, white.right) << state;
        ASSERT_LT(grey.left, grey.right) << state;
        // White one pixel down and right, partly covered by the grey in place.
        EXPECT_EQ(grey.right + 1, white.right) << state;
        EXPECT_EQ(grey.bottom + 1, white.bottom) << state;
        for (COLORREF absent : {kSwatch, kText})
            EXPECT_EQ(0, canvas.Box(absent, kInside).right) << state << " " << std::hex << absent;
    }
}

TEST_F(UiColorButton, CaptionIsCutAtSixtyThreeCharacters)
{
    const RECT wide = {0, 0, 640, 24};
    auto render = [&](const std::string& caption) {
        SetWindowTextA(button, caption.c_str());
        Canvas canvas(640, 24);
        Draw(canvas, 0, button, kSwatch, wide);
        return canvas.Pixels();
    };
    const std::string sixtyTwo(62, 'i');
    EXPECT_NE(render(sixtyTwo), render(sixtyTwo + "W")) << "the 63rd character is drawn";
    EXPECT_EQ(render(sixtyTwo + "W"), render(sixtyTwo + "WW")) << "the 64th is not";
}

TEST_F(UiColorButton, LeavesTheDeviceContextAndGdiAsItFoundThem)
{
    // The first drawing of a process makes GDI objects that the system keeps
    // (the fonts it realizes); a case run in a process of its own draws once
    // before counting, so that only the button's own objects show.
    {
        Canvas canvas;
        Draw(canvas, 0, button);
    }
    std::set<WORD> before = FreeGdiSlots();
    {
        Canvas canvas;
        SetBkMode(canvas.dc, OPAQUE);
        HGDIOBJ brush = GetCurrentObject(canvas.dc, OBJ_BRUSH);
        HGDIOBJ pen = GetCurrentObject(canvas.dc, OBJ_PEN);
        HGDIOBJ font = GetCurrentObject(canvas.dc, OBJ_FONT);
        for (UINT state : {0u, UINT(ODS_SELECTED | ODS_FOCUS), UINT(ODS_DISABLED | ODS_FOCUS)}) {
            Draw(canvas, state, button);
            EXPECT_EQ(kBackground, GetBkColor(canvas.dc));
            EXPECT_EQ(kText, GetTextColor(canvas.dc));
            EXPECT_EQ(OPAQUE, GetBkMode(canvas.dc));
            EXPECT_EQ(brush, GetCurrentObject(canvas.dc, OBJ_BRUSH));
            EXPECT_EQ(pen, GetCurrentObject(canvas.dc, OBJ_PEN));
            EXPECT_EQ(font, GetCurrentObject(canvas.dc, OBJ_FONT));
        }
        // A button that has gone gets no caption and keeps the mode untouched.
        Draw(canvas, ODS_FOCUS, nullptr);
        RECT r = {0, 0, 5, 5};
        FillSolid(canvas.dc, &r, kSwatch);
        EXPECT_EQ(kSwatch, canvas.At(4, 4));
        EXPECT_EQ(kSentinel, canvas.At(5, 2));
    }
    EXPECT_EQ(before, FreeGdiSlots());
}

TEST_F(UiColorButton, DialogDrawsTheColourWithoutItsTopByte)
{
    settings().bumpColor.store(0x80000000 | kSwatch);
    ASSERT_NE(nullptr, OpenDialog());
    Canvas canvas;
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = IDC_BUMP_COLOR;
    draw.hwndItem = GetDlgItem(dialog, IDC_BUMP_COLOR);
    draw.hDC = canvas.dc;
    draw.rcItem = kItem;
    EXPECT_EQ(TRUE, SettingsDialog::SettingsDialogProc(dialog, WM_DRAWITEM, IDC_BUMP_COLOR,
                                                       reinterpret_cast<LPARAM>(&draw)));
    EXPECT_EQ(kSwatch, canvas.At(kItem.left + 3, kItem.top + 3));

    Canvas untouched;
    draw.hDC = untouched.dc;
    SettingsDialog::SettingsDialogProc(dialog, WM_DRAWITEM, IDOK, reinterpret_cast<LPARAM>(&draw));
    EXPECT_EQ(kSentinel, untouched.At(kItem.left + 3, kItem.top + 3)) << "only the colour button";
}
