#include "ui/text_buffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

TEST(UiTextBuffer, FreshBlockIsEmptyAndGrowingKeepsTheText)
{
    TextBuffer text;
    EXPECT_EQ(nullptr, text.data);
    EXPECT_EQ(0, text.capacity);

    char* block = text.GetBuffer(1);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(2, text.capacity);
    EXPECT_STREQ("", block);

    std::memcpy(text.GetBuffer(5), "hello", sizeof("hello"));
    EXPECT_EQ(6, text.capacity);
    char* grown = text.GetBuffer(40);
    ASSERT_NE(nullptr, grown);
    EXPECT_EQ(41, text.capacity);
    EXPECT_STREQ("hello", grown);

    // Asking for less keeps the block as it is.
    EXPECT_EQ(grown, text.GetBuffer(3));
    EXPECT_EQ(41, text.capacity);
    text.Reserve(-1);
    EXPECT_EQ(41, text.capacity);
}

TEST(UiTextBuffer, BlockThatCannotBeHadLeavesNoBlockToWriteThrough)
{
    TextBuffer fresh;
    EXPECT_EQ(nullptr, fresh.GetBuffer(INT_MAX));
    EXPECT_EQ(nullptr, fresh.data);
    EXPECT_EQ(0, fresh.capacity);

    TextBuffer used;
    std::memcpy(used.GetBuffer(3), "abc", sizeof("abc"));
    EXPECT_EQ(nullptr, used.GetBuffer(INT_MAX));
    EXPECT_EQ(0, used.capacity);
    // Usable again afterwards, as a fresh empty string.
    ASSERT_NE(nullptr, used.GetBuffer(2));
    EXPECT_STREQ("", used.data);
}
