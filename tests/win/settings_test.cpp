#include "settings/settings.h"
#include "support/registry.h"

#include <gtest/gtest.h>

namespace {

const char kKey[] = "Software\\EdgeWarden";

class Registry : public ::testing::Test {
protected:
    void SetUp() override { reg::DeleteKey(); }
    void TearDown() override { reg::DeleteKey(); }

    Settings settings;
};

} // namespace

TEST_F(Registry, OpenCreatesTheKeyAndCloseOnlyOnce)
{
    RegistryKey key;
    DWORD value = 9;
    EXPECT_FALSE(key.ExchangeDword(Save, "x", &value, 0)) << "closed key must not write";
    ASSERT_TRUE(key.Open("EdgeWarden"));
    HKEY probe;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &probe));
    RegCloseKey(probe);
    EXPECT_TRUE(reg::ValueNames().empty());
    EXPECT_TRUE(key.Close());
    EXPECT_FALSE(key.Close());
    EXPECT_FALSE(key.ExchangeDword(Load, "x", &value, 3));
    EXPECT_EQ(9u, value);
}

TEST_F(Registry, LoadTakesOnlyFourByteDwords)
{
    const DWORD four = 7;
    const ULONGLONG eight = 7;
    reg::SetDword("dword", 7);
    reg::SetRaw("sz", REG_SZ, "1", 2);
    reg::SetRaw("binary", REG_BINARY, &four, sizeof(four));
    reg::SetRaw("qword", REG_QWORD, &eight, sizeof(eight));
    reg::SetRaw("bigendian", REG_DWORD_BIG_ENDIAN, &four, sizeof(four));
    reg::SetRaw("short", REG_DWORD, &four, 2);
    struct Case {
        const char* name;
        bool ok;
        DWORD expected;
    } cases[] = {
        {"dword", true, 7},   {"sz", false, 42},        {"binary", false, 42},
        {"qword", false, 42}, {"bigendian", false, 42}, {"missing", false, 42},
        {"short", false, 42},
    };
    RegistryKey key;
    ASSERT_TRUE(key.Open("EdgeWarden"));
    for (const Case& c : cases) {
        DWORD value = 0;
        EXPECT_EQ(c.ok, key.ExchangeDword(Load, c.name, &value, 42)) << c.name;
        EXPECT_EQ(c.expected, value) << c.name;
    }
}

TEST_F(Registry, BooleansLoadAsZeroOrOneAndKeepTheirValueOnFailure)
{
    reg::SetDword("zero", 0);
    reg::SetDword("five", 5);
    reg::SetRaw("text", REG_SZ, "1", 2);
    RegistryKey key;
    ASSERT_TRUE(key.Open("EdgeWarden"));
    uint8_t flag = 1;
    EXPECT_TRUE(key.ExchangeBool(Load, "zero", &flag, 1));
    EXPECT_EQ(0, flag);
    EXPECT_TRUE(key.ExchangeBool(Load, "five", &flag, 0));
    EXPECT_EQ(1, flag);
    flag = 0;
    EXPECT_FALSE(key.ExchangeBool(Load, "text", &flag, 1))
        << "the default reaches only the temporary";
    EXPECT_EQ(0, flag);
    EXPECT_FALSE(key.ExchangeBool(Load, "missing", &flag, 1));
    EXPECT_EQ(0, flag);

    flag = 1;
    EXPECT_TRUE(key.ExchangeBool(Save, "saved", &flag, 0));
    DWORD stored = 0;
    EXPECT_TRUE(reg::GetDword("saved", &stored));
    EXPECT_EQ(1u, stored);
}

TEST_F(Registry, LoadThenSaveCompletesAndRepairsTheKey)
{
    reg::SetRaw("tarvostrength", REG_SZ, "80", 3);
    reg::SetDword("tarvo", 2);
    reg::SetDword("hidemode", 7);
    reg::SetDword("hidesecs", 0);
    reg::SetDword("tarvocolor", 0x80FF0000);
    ExchangeSettings(settings, Load);
    EXPECT_EQ(50, settings.bumpStrength.load());
    EXPECT_EQ(1, settings.bumpEnabled.load());
    EXPECT_EQ(7, settings.hideMode.load());
    EXPECT_EQ(0, settings.hideSeconds.load());
    EXPECT_EQ(0x80FF0000u, settings.bumpColor.load());
    ExchangeSettings(settings, Save);

    const struct {
        const char* name;
        DWORD value;
    } expected[] = {
        {"priowarn", 1},       {"nobumpwarn", 1},  {"tarvo", 1},
        {"tarvostrength", 50}, {"tarvotime", 200}, {"tarvocolor", 0x80FF0000},
        {"tooltipsontop", 0},  {"hide", 1},        {"hidesecs", 0},
        {"hidemode", 7},
    };
    EXPECT_EQ(10u, reg::ValueNames().size());
    for (const auto& e : expected) {
        DWORD value = 0xDEAD;
        EXPECT_TRUE(reg::GetDword(e.name, &value)) << e.name;
        EXPECT_EQ(e.value, value) << e.name;
    }
}

TEST_F(Registry, SaveWarningFlagsWritesOnlyItsTwoValues)
{
    settings.prioWarn.store(0);
    settings.noBumpWarn.store(0);
    SaveWarningFlags(settings, Save);
    std::vector<std::string> names = reg::ValueNames();
    ASSERT_EQ(2u, names.size());
    DWORD value = 1;
    EXPECT_TRUE(reg::GetDword("priowarn", &value));
    EXPECT_EQ(0u, value);
    EXPECT_TRUE(reg::GetDword("nobumpwarn", &value));
    EXPECT_EQ(0u, value);
}

TEST_F(Registry, FailedOpenLeavesTheKeyClosedAndTargetsUntouched)
{
    RegistryKey key;
    const std::string tooLong(300, 'k');
    ASSERT_FALSE(key.Open(tooLong.c_str()));
    DWORD value = 3;
    EXPECT_FALSE(key.ExchangeDword(Load, "tarvo", &value, 9));
    EXPECT_EQ(3u, value);
    EXPECT_FALSE(key.ExchangeDword(Save, "tarvo", &value, 9));
    EXPECT_FALSE(key.Close());
    EXPECT_TRUE(reg::ValueNames().empty());
}
