// Bounded copies: exact fit, one too small, nothing at capacity 0.
#include <gtest/gtest.h>
#include <string.h>
#include "core/textbuf.h"

TEST(BufSet, FitsTerminatesAndReportsLength)
{
    struct Case { const char *src; size_t cap; const char *want; size_t n; } cases[] = {
        { "hello", 6, "hello", 5 },   // exact fit
        { "hello", 5, "hell", 4 },    // one too small
        { "hello", 1, "", 0 },
        { "", 4, "", 0 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.src) + " cap " + std::to_string(c.cap));
        char buf[8];
        memset(buf, 0xcc, sizeof(buf));
        EXPECT_EQ(BufSet(buf, c.cap, c.src), c.n);
        EXPECT_STREQ(buf, c.want);
        EXPECT_EQ((unsigned char)buf[c.cap], 0xcc) << "wrote past the capacity";
    }
}

TEST(BufSet, CapacityZeroWritesNothing)
{
    char buf[2] = { 'x', 'y' };
    EXPECT_EQ(BufSet(buf, 0, "abc"), 0u);
    EXPECT_EQ(buf[0], 'x');
}

TEST(BufSetN, StopsAtCountWithoutReadingFurther)
{
    const char src[3] = { 'a', 'b', 'c' };   // not terminated
    char buf[8];
    EXPECT_EQ(BufSetN(buf, sizeof(buf), src, 3), 3u);
    EXPECT_STREQ(buf, "abc");
}
