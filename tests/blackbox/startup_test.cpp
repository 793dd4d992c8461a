#include "blackbox/harness.h"

#include <memory>
#include <vector>

namespace {

struct StoredValue {
    const char* name;
    DWORD value;
};

const StoredValue kDefaults[] = {
    {"priowarn", 1},    {"nobumpwarn", 1},   {"tarvo", 1},         {"tarvostrength", 50},
    {"tarvotime", 200}, {"tarvocolor", 255}, {"tooltipsontop", 0}, {"hide", 1},
    {"hidesecs", 20},   {"hidemode", 1},
};

void ExpectStored(const StoredValue& expected)
{
    DWORD type = 0, value = 0;
    ASSERT_TRUE(reg::Get(expected.name, &type, &value)) << expected.name;
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type) << expected.name;
    EXPECT_EQ(expected.value, value) << expected.name;
}

// Holding the mutex makes every start a second instance. One run as
// administrator holds it with a security descriptor that the user's programs
// may not open: here one that grants nobody anything.
struct FirstInstanceStandIn {
    HANDLE mutex = nullptr;
    explicit FirstInstanceStandIn(bool asAdministrator = false)
    {
        SECURITY_DESCRIPTOR refusing;
        InitializeSecurityDescriptor(&refusing, SECURITY_DESCRIPTOR_REVISION);
        ACL empty;
        InitializeAcl(&empty, sizeof(empty), ACL_REVISION);
        SetSecurityDescriptorDacl(&refusing, TRUE, &empty, FALSE);
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &refusing, FALSE};
        mutex = CreateMutexA(asAdministrator ? &attributes : nullptr, TRUE, "EdgeWardenMainMutex");
    }
    ~FirstInstanceStandIn() { CloseHandle(mutex); }
};

// A top-level window of the harness that counts ActivateMessage.
struct TitledWindow {
    HWND window;
    explicit TitledWindow(const char* title)
    {
        window = CreateWindowExA(0, "STATIC", title, 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
    }
    ~TitledWindow() { DestroyWindow(window); }
    bool Got(UINT message) const
    {
        MSG msg;
        return PeekMessageA(&msg, window, message, message, PM_REMOVE) != FALSE;
    }
};

} // namespace

TEST_F(BlackBox, FirstStartOnEmptyKeyWritesEveryDefault)
{
    App app("-hide");
    ASSERT_NE(nullptr, app.WaitWindow("Static", "EdgeWarden", 5000));
    ASSERT_TRUE(app.WaitEngine());
    EXPECT_EQ(10u, reg::ValueNames().size());
    for (const StoredValue& expected : kDefaults)
        ExpectStored(expected);
    EXPECT_TRUE(app.Running());
}

TEST_F(BlackBox, StartRepairsMistypedValuesAndKeepsOutOfRangeOnes)
{
    reg::SetRaw("tarvostrength", REG_SZ, "80", 3);
    DWORD four = 4;
    reg::SetRaw("tarvotime", REG_BINARY, &four, sizeof(four));
    ULONGLONG wide = 5;
    reg::SetRaw("hidesecs", REG_QWORD, &wide, sizeof(wide));
    reg::SetDword("hidemode", 7);
    reg::SetDword("tarvo", 2);
    reg::SetDword("tarvocolor", 0x80FF0000);
    reg::SetDword("hide", 0);
    // Two bytes would fill only the low half of the setting.
    reg::SetRaw("tooltipsontop", REG_DWORD, &four, 2);

    App app("-hide");
    ASSERT_NE(nullptr, app.WaitWindow("Static", "EdgeWarden", 5000));
    const StoredValue repaired[] = {
        {"tarvostrength", 50}, {"tarvotime", 200}, {"hidesecs", 20},
        {"hidemode", 7},       {"tarvo", 1},       {"tarvocolor", 0x80FF0000},
        {"hide", 0},           {"priowarn", 1},    {"tooltipsontop", 0},
    };
    for (const StoredValue& expected : repaired)
        ExpectStored(expected);
}

TEST_F(BlackBox, HiddenStartWithBothFeaturesOffRunsNoEngine)
{
    reg::SetDword("tarvo", 0);
    reg::SetDword("hide", 0);
    App app("-hide");
    ASSERT_NE(nullptr, app.WaitWindow("Static", "EdgeWarden", 5000));
    // Another window comes to the front before any bar table exists.
    HWND front = CreateWindowExA(0, "STATIC", "front", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, front, OBJID_WINDOW, CHILDID_SELF);
    Settle(500);
    EXPECT_TRUE(app.Windows("Static", "EdgeWarden_Server").empty());
    EXPECT_TRUE(app.Running());
    DestroyWindow(front);
}

TEST_F(BlackBox, SecondHiddenStartEndsAtOnceAndTheFirstRunsOn)
{
    App first("-hide");
    ASSERT_TRUE(first.WaitEngine());
    DWORD start = GetTickCount();
    EXPECT_EQ(0u, RunToEnd("-hide"));
    EXPECT_LT(GetTickCount() - start, 3000u);
    Settle(300);
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(1u, first.Windows("Static", "EdgeWarden").size());
    EXPECT_TRUE(first.Windows("#32770", "EdgeWarden").empty());
}

TEST_F(BlackBox, SecondStartSignalsEveryWindowTitledEdgeWarden)
{
    FirstInstanceStandIn first;
    const UINT activate = RegisterWindowMessageA("EdgeWardenWinMessageNr");
    struct Case {
        const char* title;
        bool signalled;
    } cases[] = {
        {"EdgeWarden", true}, {"EdgeWarden settings", true}, {"edgewarden", false},
        {"EdgeWarde", false}, {"Edge Warden", false},
    };
    std::vector<std::unique_ptr<TitledWindow>> windows;
    for (const Case& c : cases)
        windows.push_back(std::make_unique<TitledWindow>(c.title));

    EXPECT_EQ(0u, RunToEnd(""));
    for (size_t i = 0; i < windows.size(); ++i)
        EXPECT_EQ(cases[i].signalled, windows[i]->Got(activate)) << cases[i].title;

    // With the switch, a second start signals nobody.
    EXPECT_EQ(0u, RunToEnd("-hide"));
    EXPECT_FALSE(windows[0]->Got(activate));
}

TEST_F(BlackBox, StartBesideAnInstanceRunAsAdministratorEndsAtOnce)
{
    FirstInstanceStandIn first(true);
    ASSERT_NE(nullptr, first.mutex);
    ASSERT_EQ(nullptr, CreateMutexA(nullptr, TRUE, "EdgeWardenMainMutex"));
    ASSERT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError()) << "the mutex is refused";
    EXPECT_EQ(0u, RunToEnd("-hide", 3000));
    EXPECT_EQ(0u, RunToEnd("", 3000));
}

TEST_F(BlackBox, UnknownSwitchShowsUsageThenSignalsTheRunningInstance)
{
    reg::SetDword("nobumpwarn", 0);
    App first("-hide");
    ASSERT_TRUE(first.WaitEngine());
    App second("-x");
    HWND box = WaitMessageBox(second.Pid(), 5000);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Usage: EdgeWarden [-hide]", MessageBoxText(box));
    EXPECT_EQ(nullptr, WaitSettingsDialog(first, 200))
        << "nothing signalled before the box is closed";
    PressButton(box, IDOK);
    DWORD code = STILL_ACTIVE;
    ASSERT_TRUE(second.WaitExit(5000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_NE(nullptr, WaitSettingsDialog(first));
}

TEST_F(BlackBox, UnknownSwitchOnAFirstStartShowsUsageThenTheDialog)
{
    reg::SetDword("nobumpwarn", 0);
    App app("--hide");
    HWND box = WaitMessageBox(app.Pid(), 5000);
    ASSERT_NE(nullptr, box);
    PressButton(box, IDOK);
    EXPECT_NE(nullptr, WaitSettingsDialog(app));
}
