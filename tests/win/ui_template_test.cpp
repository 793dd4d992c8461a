#include "res/resource_ids.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

namespace {

// Reads a classic dialog template word by word.
class TemplateReader {
public:
    explicit TemplateReader(const void* data) : at(static_cast<const BYTE*>(data)) {}

    DWORD Dword()
    {
        DWORD value;
        std::memcpy(&value, at, sizeof(value));
        at += sizeof(value);
        return value;
    }
    WORD Word()
    {
        WORD value;
        std::memcpy(&value, at, sizeof(value));
        at += sizeof(value);
        return value;
    }
    short Short() { return static_cast<short>(Word()); }
    std::string String()
    {
        std::string text;
        for (WORD c = Word(); c != 0; c = Word())
            text += static_cast<char>(c);
        return text;
    }
    // A string, or "#n" for an ordinal, or "" for none.
    std::string StringOrOrdinal()
    {
        WORD first;
        std::memcpy(&first, at, sizeof(first));
        if (first == 0xFFFF) {
            Word();
            return "#" + std::to_string(Word());
        }
        return String();
    }
    void AlignDword()
    {
        while (reinterpret_cast<UINT_PTR>(at) % 4 != 0)
            ++at;
    }
    void Skip(size_t bytes) { at += bytes; }

private:
    const BYTE* at;
};

std::string ClassName(const std::string& stored)
{
    if (stored == "#128")
        return "BUTTON";
    if (stored == "#129")
        return "EDIT";
    if (stored == "#130")
        return "STATIC";
    if (stored == "#133")
        return "COMBOBOX";
    std::string upper = stored;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return upper;
}

struct Item {
    int id;
    const char* className;
    const char* text;
    DWORD style;
    short x, y, cx, cy;
};

const Item kItems[27] = {
    {IDOK, "BUTTON", "&OK", 0x50010001, 147, 232, 50, 14},
    {IDC_APP_ICON, "STATIC", "#107", 0x50000003, 14, 9, 21, 20},
    {0xFFFF, "STATIC", "EdgeWarden Version 1.3", 0x50020080, 48, 5, 148, 8},
    {0xFFFF, "STATIC", nullptr, 0x50020000, 48, 15, 152, 8},
    {IDC_HOME_LINK, "STATIC", "https://edgewarden.example.org/", 0x50020000, 48, 24, 129, 8},
    {0xFFFF, "BUTTON", "Protect Task Bars by Bump ", 0x50000007, 15, 40, 182, 107},
    {IDC_BUMP_ENABLED, "BUTTON", "enabled", 0x50010003, 22, 51, 41, 10},
    {0xFFFF, "STATIC", "Strength of bump", 0x50020000, 32, 70, 55, 8},
    {IDC_BUMP_STRENGTH, "MSCTLS_TRACKBAR32", "Slider1", 0x50010018, 86, 66, 100, 15},
    {0xFFFF, "STATIC", "weak", 0x50020000, 92, 57, 29, 8},
    {0xFFFF, "STATIC", "strong", 0x50020002, 146, 56, 36, 8},
    {0xFFFF, "STATIC", "Time of bump", 0x50020000, 32, 90, 55, 8},
    {IDC_BUMP_TIME, "MSCTLS_TRACKBAR32", "Slider1", 0x50010018, 86, 85, 100, 15},
    {0xFFFF, "STATIC", "short", 0x50020000, 92, 100, 29, 8},
    {0xFFFF, "STATIC", "long", 0x50020002, 146, 99, 36, 8},
    {IDC_BUMP_INDICATE, "BUTTON", "indicate bump with this", 0x50010003, 33, 113, 87, 10},
    {IDC_BUMP_COLOR, "BUTTON", "color", 0x5001000B, 121, 111, 34, 14},
    {IDC_TOOLTIPS_ON_TOP, "BUTTON", "enforce tooltips to appear above task bar", 0x50010003, 33,
     131, 151, 10},
    {0xFFFF, "BUTTON", "Hide Stationary Mouse ", 0x50000007, 15, 153, 182, 42},
    {IDC_HIDE_ENABLED, "BUTTON", "enabled", 0x50010003, 22, 164, 41, 10},
    {0xFFFF, "STATIC", "Hide after", 0x50020002, 32, 179, 32, 8},
    {IDC_HIDE_SECONDS, "EDIT", "", 0x50812081, 69, 177, 17, 12},
    {0xFFFF, "STATIC", "seconds using method", 0x50020000, 90, 179, 72, 8},
    {IDC_HIDE_MODE, "COMBOBOX", "", 0x50210003, 165, 176, 20, 63},
    {IDC_DONATE, "BUTTON",
     "If you like this program, support it with a small donation.\n"
     "Any donation is welcome. How about 50 cent?",
     0x50032F00, 15, 202, 182, 23},
    {IDC_EXIT, "BUTTON", "E&xit", 0x50010000, 15, 232, 50, 14},
    {IDCANCEL, "BUTTON", "&Cancel", 0x50010000, 82, 232, 50, 14},
};

} // namespace

TEST(UiTemplate, DialogResourceIsTheClassicTemplateOfTheTable)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDD_SETTINGS), MAKEINTRESOURCEA(5));
    ASSERT_NE(nullptr, found);
    const void* data = LockResource(LoadResource(module, found));
    ASSERT_NE(nullptr, data);

    TemplateReader read(data);
    EXPECT_EQ(0x00C802C6u, read.Dword()) << "style";
    EXPECT_EQ(0u, read.Dword()) << "extended style";
    ASSERT_EQ(27, read.Word());
    EXPECT_EQ(22, read.Short());
    EXPECT_EQ(17, read.Short());
    EXPECT_EQ(212, read.Short());
    EXPECT_EQ(255, read.Short());
    EXPECT_EQ("", read.StringOrOrdinal()) << "menu";
    EXPECT_EQ("", read.StringOrOrdinal()) << "class";
    EXPECT_EQ("-", read.String());
    EXPECT_EQ(8, read.Word());
    EXPECT_EQ("MS Sans Serif", read.String());

    for (const Item& item : kItems) {
        SCOPED_TRACE(item.id);
        read.AlignDword();
        EXPECT_EQ(item.style, read.Dword());
        EXPECT_EQ(0u, read.Dword());
        EXPECT_EQ(item.x, read.Short());
        EXPECT_EQ(item.y, read.Short());
        EXPECT_EQ(item.cx, read.Short());
        EXPECT_EQ(item.cy, read.Short());
        EXPECT_EQ(item.id, read.Word());
        EXPECT_EQ(item.className, ClassName(read.StringOrOrdinal()));
        std::string text = read.StringOrOrdinal();
        if (item.text != nullptr)
            EXPECT_EQ(item.text, text);
        else
            EXPECT_EQ(0u, text.find("Copyright (C) 2026 ")) << text;
        read.Skip(read.Word());
    }
}

TEST(UiTemplate, IconsHoldTheirSizesInSixteenColours)
{
    struct Expected {
        int id;
        int sizes[2];
    } icons[] = {{IDI_APP_BIG, {32, 16}}, {IDI_APP_SMALL, {16, 0}}};
    HMODULE module = GetModuleHandleA(nullptr);
    for (const Expected& icon : icons) {
        HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(icon.id), MAKEINTRESOURCEA(14));
        ASSERT_NE(nullptr, group) << icon.id;
        const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
        WORD count;
        std::memcpy(&count, dir + 4, sizeof(count));
        ASSERT_EQ(icon.sizes[1] != 0 ? 2 : 1, count) << icon.id;
        for (size_t i = 0; i < count; ++i) {
            const BYTE* entry = dir + 6 + 14 * i; // GRPICONDIRENTRY
            EXPECT_EQ(icon.sizes[i], entry[0]) << icon.id;
            EXPECT_EQ(icon.sizes[i], entry[1]) << icon.id;
            EXPECT_EQ(16, entry[2]) << icon.id << ": colours";
        }
    }
}
