#include "win_support.h"

#include "support/registry.h"
#include "res/resource_ids.h"
#include "ui/link_control.h"
#include "ui/settings_dialog.h"

#include <commctrl.h>

#include <climits>
#include <string>

using win_test::BoxAnswerer;
using win_test::UiTest;

namespace {

const char kNoBarsWarning[] = "No automatically hidden task bars found.\n"
                              "Enabling bumps will have no effect.\n"
                              "Do you wan't to see this warning again?";

std::string Text(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

// The scheme's button colours, set for one test and set back after it.
class ButtonScheme {
public:
    ButtonScheme(COLORREF face, COLORREF text)
    {
        const COLORREF colours[] = {face, text};
        for (int i = 0; i < 2; ++i)
            saved[i] = GetSysColor(kElements[i]);
        SetSysColors(2, kElements, colours);
    }
    ~ButtonScheme() { SetSysColors(2, kElements, saved); }
    ButtonScheme(const ButtonScheme&) = delete;
    ButtonScheme& operator=(const ButtonScheme&) = delete;

private:
    static constexpr int kElements[] = {COLOR_BTNFACE, COLOR_BTNTEXT};
    COLORREF saved[2] = {};
};

// How many pixels of `control`, painted as it paints itself, show `colour`.
int PixelsOf(HWND control, COLORREF colour)
{
    RECT r;
    GetClientRect(control, &r);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = r.right;
    info.bmiHeader.biHeight = -r.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    DWORD* bits = nullptr;
    HBITMAP bitmap =
        CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                 PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    const DWORD pixel =
        (DWORD{GetRValue(colour)} << 16) | (DWORD{GetGValue(colour)} << 8) | GetBValue(colour);
    int count = 0;
    for (LONG i = 0; bits != nullptr && i < r.right * r.bottom; ++i)
        count += (bits[i] & 0xFFFFFF) == pixel ? 1 : 0;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return count;
}

class UiDialog : public UiTest {
protected:
    HWND Item(int id) const { return GetDlgItem(dialog, id); }
    bool Checked(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Click(int id) const { SendMessageA(Item(id), BM_CLICK, 0, 0); }
    LRESULT TrackbarPos(int id) const { return SendMessageA(Item(id), TBM_GETPOS, 0, 0); }

    // A key typed into the seconds field, as the keyboard would deliver it.
    void Type(char key) const
    {
        SendMessageA(Item(IDC_HIDE_SECONDS), WM_CHAR, static_cast<unsigned char>(key), 1);
    }
    void SelectAllSeconds() const { SendMessageA(Item(IDC_HIDE_SECONDS), EM_SETSEL, 0, -1); }
    void Paste(const char* text) const
    {
        SendMessageA(Item(IDC_HIDE_SECONDS), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    }
    DWORD Caret() const
    {
        DWORD start = 0;
        DWORD end = 0;
        SendMessageA(Item(IDC_HIDE_SECONDS), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, end) << "a caret, not a selection";
        return start;
    }

    // What the combo box sends when the user picks an item.
    void SelectMethod(int index) const
    {
        HWND combo = Item(IDC_HIDE_MODE);
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_HIDE_MODE, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
};

} // namespace

TEST_F(UiDialog, OpensShowingTheCurrentSettings)
{
    settings().bumpEnabled.store(0);
    settings().bumpColor.store(0x80123456);
    settings().bumpStrength.store(120);
    settings().bumpTime.store(640);
    settings().tooltipsOnTop.store(1);
    settings().hideEnabled.store(0);
    settings().hideSeconds.store(37);
    settings().hideMode.store(3);
    ASSERT_NE(nullptr, OpenDialog());

    EXPECT_EQ("EdgeWarden", Text(dialog));
    EXPECT_FALSE(Checked(IDC_BUMP_ENABLED));
    EXPECT_FALSE(Checked(IDC_BUMP_INDICATE));
    EXPECT_TRUE(Checked(IDC_TOOLTIPS_ON_TOP));
    EXPECT_FALSE(Checked(IDC_HIDE_ENABLED));
    EXPECT_EQ(1, SendMessageA(Item(IDC_BUMP_STRENGTH), TBM_GETRANGEMIN, 0, 0));
    EXPECT_EQ(200, SendMessageA(Item(IDC_BUMP_STRENGTH), TBM_GETRANGEMAX, 0, 0));
    EXPECT_EQ(120, TrackbarPos(IDC_BUMP_STRENGTH));
    EXPECT_EQ(0, SendMessageA(Item(IDC_BUMP_TIME), TBM_GETRANGEMIN, 0, 0));
    EXPECT_EQ(999, SendMessageA(Item(IDC_BUMP_TIME), TBM_GETRANGEMAX, 0, 0));
    EXPECT_EQ(640, TrackbarPos(IDC_BUMP_TIME));
    EXPECT_EQ("37", Text(Item(IDC_HIDE_SECONDS)));

    HWND combo = Item(IDC_HIDE_MODE);
    ASSERT_EQ(5, SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < 5; ++i) {
        char item[8] = "";
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
        EXPECT_EQ(std::to_string(i + 1), item);
    }
    EXPECT_EQ(3, SendMessageA(combo, CB_GETCURSEL, 0, 0));

    HWND link = Item(IDC_HOME_LINK);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(LinkControlProc), GetWindowLongPtrA(link, GWLP_WNDPROC));
    EXPECT_NE(0, GetWindowLongA(link, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(SS_LEFT, GetWindowLongA(link, GWL_STYLE) & SS_TYPEMASK) << "still a plain text";

    // Opening changes nothing and stores nothing.
    EXPECT_EQ(0x80123456u, settings().bumpColor.load());
    EXPECT_EQ(37, settings().hideSeconds.load());
    DWORD stored;
    EXPECT_FALSE(reg::GetDword("tarvo", &stored));
}

TEST_F(UiDialog, StoredValuesOutOfRangeAreShownAsTheControlsAllow)
{
    struct Case {
        int seconds;
        const char* shown;
        int kept;
    } cases[] = {
        {0, "1", 1}, {-3, "1", 1}, {1000, "999", 999}, {5000, "999", 999}, {999, "999", 999}};
    for (const Case& c : cases) {
        settings().hideSeconds.store(c.seconds);
        ASSERT_NE(nullptr, OpenDialog());
        EXPECT_EQ(c.shown, Text(Item(IDC_HIDE_SECONDS))) << c.seconds;
        EXPECT_EQ(c.kept, settings().hideSeconds.load()) << c.seconds;
        DestroyWindow(dialog);
    }

    // A method outside the list selects nothing and stays until one is picked;
    // a strength beyond the slider stays until the next scroll reads both back.
    settings().hideMode.store(7);
    settings().bumpStrength.store(500);
    settings().bumpTime.store(2000);
    ASSERT_NE(nullptr, OpenDialog());
    EXPECT_EQ(CB_ERR, SendMessageA(Item(IDC_HIDE_MODE), CB_GETCURSEL, 0, 0));
    EXPECT_EQ(7, settings().hideMode.load());
    EXPECT_EQ(200, TrackbarPos(IDC_BUMP_STRENGTH));
    EXPECT_EQ(500, settings().bumpStrength.load());
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0),
                 reinterpret_cast<LPARAM>(Item(IDC_BUMP_TIME)));
    EXPECT_EQ(200, settings().bumpStrength.load());
    EXPECT_EQ(999u, settings().bumpTime.load());
}

TEST_F(UiDialog, CheckBoxesWriteTheirFieldsAtOnce)
{
    settings().bumpColor.store(0x7F0000FF);
    ASSERT_NE(nullptr, OpenDialog());
    ASSERT_TRUE(Checked(IDC_BUMP_INDICATE));

    Click(IDC_BUMP_INDICATE);
    EXPECT_EQ(0xFF0000FFu, settings().bumpColor.load());
    Click(IDC_BUMP_INDICATE);
    EXPECT_EQ(0x000000FFu, settings().bumpColor.load()) << "ticking clears the whole top byte";

    Click(IDC_TOOLTIPS_ON_TOP);
    EXPECT_EQ(1, settings().tooltipsOnTop.load());
    Click(IDC_TOOLTIPS_ON_TOP);
    EXPECT_EQ(0, settings().tooltipsOnTop.load());

    DWORD stored;
    EXPECT_FALSE(reg::GetDword("tarvocolor", &stored)) << "nothing stored before OK";
}

TEST_F(UiDialog, EveryScrollReadsBothTrackbars)
{
    ASSERT_NE(nullptr, OpenDialog());
    SendMessageA(Item(IDC_BUMP_STRENGTH), TBM_SETPOS, TRUE, 150);
    SendMessageA(Item(IDC_BUMP_TIME), TBM_SETPOS, TRUE, 10);
    EXPECT_EQ(50, settings().bumpStrength.load()) << "no scroll message yet";

    // While the thumb is still dragged.
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 150),
                 reinterpret_cast<LPARAM>(Item(IDC_BUMP_STRENGTH)));
    EXPECT_EQ(150, settings().bumpStrength.load());
    EXPECT_EQ(10u, settings().bumpTime.load());
    EXPECT_EQ(TRUE,
              SettingsDialog::SettingsDialogProc(dialog, WM_HSCROLL, TB_ENDTRACK,
                                                 reinterpret_cast<LPARAM>(Item(IDC_BUMP_TIME))));
}

TEST_F(UiDialog, SecondsFieldShowsTheValueInForceWhileTyping)
{
    ASSERT_NE(nullptr, OpenDialog());
    SetFocus(Item(IDC_HIDE_SECONDS));

    // Cleared: the field shows "1" at once, caret before the digit.
    SelectAllSeconds();
    Type('\b');
    EXPECT_EQ("1", Text(Item(IDC_HIDE_SECONDS)));
    EXPECT_EQ(1, settings().hideSeconds.load());
    EXPECT_EQ(0u, Caret());

    Type('5');
    EXPECT_EQ("51", Text(Item(IDC_HIDE_SECONDS)));
    EXPECT_EQ(51, settings().hideSeconds.load());
    EXPECT_EQ(1u, Caret());

    SelectAllSeconds();
    for (char key : {'9', '9', '9'})
        Type(key);
    EXPECT_EQ(999, settings().hideSeconds.load());
    EXPECT_EQ(3u, Caret());
    Type('9');
    EXPECT_EQ("999", Text(Item(IDC_HIDE_SECONDS))) << "a fourth digit after 999";
    EXPECT_EQ(999, settings().hideSeconds.load());

    // Pasting gets past ES_NUMBER.
    struct Case {
        const char* pasted;
        const char* shown;
    } pastes[] = {
        {"abc", "1"},          {"-5", "1"},    {"12abc", "12"}, {"99999999999999999999", "999"},
        {"2147483648", "999"}, {"0042", "42"}, {"abc", "1"},
    };
    for (const Case& c : pastes) {
        SelectAllSeconds();
        Paste(c.pasted);
        EXPECT_EQ(c.shown, Text(Item(IDC_HIDE_SECONDS))) << c.pasted;
        EXPECT_EQ(std::stoi(c.shown), settings().hideSeconds.load()) << c.pasted;
    }
}

TEST_F(UiDialog, PickingAMethodShowsAHiddenCursorFirst)
{
    ASSERT_NE(nullptr, OpenDialog());
    HWND hideWindow = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr,
                                      app->AppInstance, nullptr);
    shared().HideWindow.store(hideWindow);
    MSG msg;

    shared().isHidden.store(1);
    SelectMethod(3);
    EXPECT_EQ(3, settings().hideMode.load());
    EXPECT_EQ(0, shared().isHidden.load());
    EXPECT_TRUE(PeekMessageA(&msg, hideWindow, WMU_UNHIDE, WMU_UNHIDE, PM_REMOVE));

    SelectMethod(0);
    EXPECT_EQ(0, settings().hideMode.load());
    EXPECT_FALSE(PeekMessageA(&msg, hideWindow, WMU_UNHIDE, WMU_UNHIDE, PM_REMOVE))
        << "nothing to show when the cursor is not hidden";

    // Typing into the combo box's edit field is not a selection.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_HIDE_MODE, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(Item(IDC_HIDE_MODE)));
    SendMessageA(Item(IDC_HIDE_MODE), CB_SETCURSEL, 4, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_HIDE_MODE, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(Item(IDC_HIDE_MODE)));
    EXPECT_EQ(0, settings().hideMode.load());
    DestroyWindow(hideWindow);
}

TEST_F(UiDialog, EnabledBoxesSwitchTheEngine)
{
    settings().bumpEnabled.store(0);
    settings().hideEnabled.store(0);
    ASSERT_NE(nullptr, OpenDialog());

    Click(IDC_HIDE_ENABLED);
    EXPECT_EQ(1, settings().hideEnabled.load());
    ASSERT_NE(nullptr, app->server.Thread()) << "the first tick starts the engine";
    EXPECT_TRUE(WaitFor([this] { return app->server.Hook() != nullptr; }));

    Click(IDC_BUMP_ENABLED);
    EXPECT_EQ(1, settings().bumpEnabled.load());
    Click(IDC_HIDE_ENABLED);
    EXPECT_EQ(0, settings().hideEnabled.load());
    Settle(300);
    EXPECT_NE(nullptr, app->server.Hook()) << "protection alone keeps it on";

    Click(IDC_BUMP_ENABLED);
    EXPECT_EQ(0, settings().bumpEnabled.load());
    EXPECT_TRUE(WaitFor([this] { return app->server.Hook() == nullptr; }));
    EXPECT_FALSE(KillTimer(app->MainWindow, HIDE_TIMER_ID)) << "the timer stops with the hook";

    Click(IDC_BUMP_ENABLED);
    EXPECT_TRUE(WaitFor([this] { return app->server.Hook() != nullptr; }));
    EXPECT_TRUE(KillTimer(app->MainWindow, HIDE_TIMER_ID));
}

TEST_F(UiDialog, NoBarWarningAnsweredNoIsStoredAtOnceAndNotShownAgain)
{
    settings().noBumpWarn.store(1);
    BoxAnswerer answerer(IDNO);
    ASSERT_NE(nullptr, OpenDialog());
    EXPECT_EQ(1, answerer.Count()) << "shown while the dialog opens";
    EXPECT_EQ(kNoBarsWarning, answerer.LastText());
    EXPECT_EQ(dialog, answerer.LastOwner()) << "the dialog waits for its box";
    EXPECT_EQ(0, settings().noBumpWarn.load());

    DWORD stored = 1;
    EXPECT_TRUE(reg::GetDword("nobumpwarn", &stored));
    EXPECT_EQ(0u, stored);
    EXPECT_TRUE(reg::GetDword("priowarn", &stored));
    EXPECT_FALSE(reg::GetDword("tarvo", &stored)) << "only the warning flags are written";

    Click(IDC_BUMP_ENABLED);
    Click(IDC_BUMP_ENABLED);
    EXPECT_EQ(1, answerer.Count());

    // Cancel reads the stored answer back.
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(Item(IDCANCEL)));
    EXPECT_EQ(0, settings().noBumpWarn.load());
}

TEST_F(UiDialog, NoBarWarningAnsweredYesComesAgainOnlyWhenProtectionIsTicked)
{
    // The engine already runs, so that ticking the box stores no priority flag.
    app->SetEngineActive(true);
    reg::DeleteKey();
    settings().noBumpWarn.store(1);
    settings().bumpEnabled.store(0);
    BoxAnswerer answerer(IDYES);
    ASSERT_NE(nullptr, OpenDialog());
    EXPECT_EQ(0, answerer.Count()) << "protection off: no warning";

    Click(IDC_BUMP_ENABLED);
    EXPECT_EQ(1, answerer.Count());
    EXPECT_EQ(1, settings().noBumpWarn.load());
    DWORD stored;
    EXPECT_FALSE(reg::GetDword("nobumpwarn", &stored)) << "an unchanged answer is not stored";

    Click(IDC_BUMP_ENABLED);
    EXPECT_EQ(1, answerer.Count()) << "unticking does not warn";
    Click(IDC_HIDE_ENABLED);
    Click(IDC_HIDE_ENABLED);
    EXPECT_EQ(1, answerer.Count()) << "the hiding box never warns";
    Click(IDC_BUMP_ENABLED);
    EXPECT_EQ(2, answerer.Count());

    // A shell that does not answer in time is not one without bars, and the
    // dialog waits for it no longer than the limit, once for the engine and
    // once for the warning.
    Click(IDC_BUMP_ENABLED);
    shell.Hang(4500);
    Settle(100);
    const DWORD start = GetTickCount();
    Click(IDC_BUMP_ENABLED);
    EXPECT_LT(GetTickCount() - start, 3500u);
    EXPECT_EQ(2, answerer.Count());
}

TEST_F(UiDialog, NoWarningWhileAnAutoHiddenBarExists)
{
    settings().noBumpWarn.store(1);
    ASSERT_NE(nullptr, shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM)));
    BoxAnswerer answerer(IDNO);
    ASSERT_NE(nullptr, OpenDialog());
    Click(IDC_BUMP_ENABLED);
    Click(IDC_BUMP_ENABLED);
    EXPECT_EQ(0, answerer.Count());
    EXPECT_EQ(1, settings().noBumpWarn.load());
}

TEST_F(UiDialog, ColoursFollowTheSchemeAndTheLinkKeepsItsOwn)
{
    // A dark scheme, as high contrast sets it; its text colour is no other
    // colour of the scheme, so every pixel of it is text.
    const COLORREF text = RGB(255, 255, 0);
    ButtonScheme scheme(RGB(0, 0, 0), text);
    ASSERT_NE(nullptr, OpenDialog());

    HDC dc = CreateCompatibleDC(nullptr);
    WPARAM dcParam = reinterpret_cast<WPARAM>(dc);
    auto ask = [&](UINT message, int id) {
        return SettingsDialog::SettingsDialogProc(dialog, message, dcParam,
                                                  reinterpret_cast<LPARAM>(Item(id)));
    };
    const INT_PTR brushResult = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));

    SetBkMode(dc, OPAQUE);
    EXPECT_EQ(brushResult, ask(WM_CTLCOLORSTATIC, IDC_APP_ICON));
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
    EXPECT_EQ(brushResult, ask(WM_CTLCOLORBTN, IDOK));
    EXPECT_EQ(brushResult, SettingsDialog::SettingsDialogProc(dialog, WM_CTLCOLORDLG, dcParam,
                                                              reinterpret_cast<LPARAM>(dialog)));
    EXPECT_EQ(FALSE, ask(WM_CTLCOLOREDIT, IDC_HIDE_SECONDS));
    EXPECT_EQ(FALSE, ask(WM_CTLCOLORLISTBOX, IDC_HIDE_MODE));
    EXPECT_EQ(FALSE, ask(WM_CTLCOLORMSGBOX, IDOK));
    EXPECT_EQ(FALSE, ask(WM_CTLCOLORSCROLLBAR, IDOK));
    DeleteDC(dc);

    // The labels as they paint themselves: in the scheme's text colour.
    struct Case {
        const char* what;
        HWND control;
    } cases[] = {
        {"label", FindWindowExA(dialog, nullptr, "Static", "Strength of bump")},
        {"check box", Item(IDC_BUMP_INDICATE)},
        {"group box", FindWindowExA(dialog, nullptr, "Button", "Protect Task Bars by Bump ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(nullptr, c.control);
        EXPECT_GT(PixelsOf(c.control, text), 0);
    }
    win_test::ClickLinkInVain(Item(IDC_HOME_LINK));
    EXPECT_GT(PixelsOf(Item(IDC_HOME_LINK), kLinkRed), 0);
    EXPECT_EQ(0, PixelsOf(Item(IDC_HOME_LINK), text));
    win_test::LinkLosesFocus(Item(IDC_HOME_LINK));
}

TEST_F(UiDialog, SecondStartPutsTheOpenDialogOnTop)
{
    ASSERT_NE(nullptr, OpenDialog());
    SetWindowPos(dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_EQ(0, GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT before;
    GetWindowRect(dialog, &before);

    EXPECT_EQ(TRUE, SettingsDialog::SettingsDialogProc(dialog, app->ActivateMessage, 0, 0));
    EXPECT_NE(0, GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT after;
    GetWindowRect(dialog, &after);
    EXPECT_TRUE(EqualRect(&before, &after)) << "neither moved nor sized";
}

TEST(UiWindowInt, WritesEveryIntInFull)
{
    HWND field = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, field);
    for (int value : {0, 7, -1, INT_MAX, INT_MIN}) {
        SetWindowInt(field, value);
        EXPECT_EQ(std::to_string(value), Text(field));
    }
    DestroyWindow(field);
}
