// Value helpers: integer texts with radix prefixes, colour byte order, limits.
#include <gtest/gtest.h>
#include <stdint.h>
#include <string>
#include "core/values.h"

TEST(ParseInteger, Table)
{
    struct Case { const char *text; int32_t want; } cases[] = {
        // radix prefixes, with and without the leading zero, either case
        { "0x1A", 26 }, { "0X1a", 26 }, { "x1A", 26 }, { "0o17", 15 }, { "O17", 15 },
        { "b101", 5 }, { "0b101", 5 }, { "B1", 1 },
        // a leading zero alone does not mean octal, and only one is skipped
        { "0777", 777 }, { "00x10", 0 }, { "007", 7 },
        // signs: one at most, before the zero
        { "-0x10", -16 }, { "+42", 42 }, { "--5", 0 }, { "+-5", 0 }, { "0-5", 0 },
        // ':' to '?' are the digits after '9'
        { "0x?", 15 }, { "0x:;<=>?", 0xABCDEF }, { "99:", 0 },
        // one bad character drops everything, sign included
        { "12abc", 0 }, { "0x1G", 0 }, { "0x 12", 0 }, { " 12", 0 }, { "12 ", 0 },
        { "-12z", 0 }, { "0b102", 0 }, { "0o8", 0 }, { "\x80" "1", 0 }, { "1\xff", 0 },
        { "9@", 0 }, { "0x1[", 0 }, { "0x1`", 0 }, { "0x1{", 0 },
        // no digits at all
        { "", 0 }, { "-", 0 }, { "+", 0 }, { "0x", 0 }, { "0", 0 }, { "-0", 0 }, { "b", 0 },
        // plain decimal, and values at the 32-bit limits
        { "123", 123 }, { "2147483647", 2147483647 }, { "-2147483648", INT32_MIN },
        { "0xffffffff", -1 }, { "0x7fffffff", INT32_MAX },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        EXPECT_EQ(ParseInteger(c.text), c.want);
    }
}

TEST(ParseInteger, WrapsInThirtyTwoBits)
{
    EXPECT_EQ(ParseInteger("2147483648"), INT32_MIN);
    EXPECT_EQ(ParseInteger("4294967296"), 0);
    EXPECT_EQ(ParseInteger("4294967297"), 1);
    EXPECT_EQ(ParseInteger("0x100000001"), 1);
    EXPECT_EQ(ParseInteger("-4294967295"), 1);
    // Long enough to overflow many times over.
    EXPECT_EQ(ParseInteger("0xfffffffffffffffffffffff0"), -16);
}

TEST(ParseInteger, NullTextIsZero)
{
    EXPECT_EQ(ParseInteger(nullptr), 0);
}

TEST(SwapRedBlue, ExchangesRedAndBlueAndClearsTheTopByte)
{
    EXPECT_EQ(SwapRedBlue(0x00123456u), 0x00563412u);
    EXPECT_EQ(SwapRedBlue(0xAB123456u), 0x00563412u);
    EXPECT_EQ(SwapRedBlue(0x000000FFu), 0x00FF0000u);
    EXPECT_EQ(SwapRedBlue(0x00FF8000u), 0x000080FFu);
    EXPECT_EQ(SwapRedBlue(0xFFFFFFFFu), 0x00FFFFFFu);
    for (uint32_t v : { 0u, 0x00FFFFFFu, 0x000FFFFFu, 0x00ABCDEFu, 0x00010203u })
        EXPECT_EQ(SwapRedBlue(SwapRedBlue(v)), v) << std::hex << v;
}

TEST(ClampInt, LimitsSignedValues)
{
    struct Case { int32_t v, low, high, want; } cases[] = {
        { 5, 10, 100, 10 }, { -5, -100, -10, -10 }, { 1000, 10, 1000, 1000 },
        { 1001, 10, 1000, 1000 }, { 50, 10, 100, 50 }, { -250, -100, -10, -100 },
        { INT32_MIN, 10, 1000, 10 }, { INT32_MAX, 10, 1000, 1000 }, { 7, 7, 7, 7 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.v) + " in [" + std::to_string(c.low) + ", " +
                     std::to_string(c.high) + "]");
        EXPECT_EQ(ClampInt(c.v, c.low, c.high), c.want);
    }
}

// Rules per program as section rules keeps them.
#include "core/rules_value.h"

TEST(Rules, ParseTable)
{
    struct Case { const char *text; unsigned want; } cases[] = {
        { "", 0 },
        { "ontop", RULE_TOPMOST },
        { "OnTop, closetray", RULE_TOPMOST | RULE_CLOSE_TRAY },
        { "  mintray\tstarttray ", RULE_MIN_TRAY | RULE_START_TRAY },
        { "minfloat", RULE_MIN_FLOAT },
        { "minfloat,mintray", RULE_MIN_TRAY },   // one place to go: the tray
        { "ontopx,top,on top", 0 },               // words only as a whole
        { "closetray,,unknown,starttray", RULE_CLOSE_TRAY | RULE_START_TRAY },
        { "ontop,mintray,minfloat,closetray,starttray", RULE_ALL & ~RULE_MIN_FLOAT },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseRules(c.text, strlen(c.text)), c.want);
    }
    // The length is the end, whatever follows.
    EXPECT_EQ(ParseRules("ontopclosetray", 5), (unsigned)RULE_TOPMOST);
    EXPECT_EQ(ParseRules(nullptr, 10), 0u);
}

TEST(Rules, FormatRoundTripsAndKeepsToTheBuffer)
{
    for (unsigned rules = 0; rules <= RULE_ALL; rules++) {
        char out[64];
        size_t n = FormatRules(rules, out, sizeof(out));
        ASSERT_EQ(n, strlen(out));
        unsigned want = rules & RULE_MIN_TRAY ? rules & ~(unsigned)RULE_MIN_FLOAT : rules;
        EXPECT_EQ(ParseRules(out, n), want) << out;
    }
    char exact[16];   // "ontop,closetray" is 15 characters
    EXPECT_EQ(FormatRules(RULE_TOPMOST | RULE_CLOSE_TRAY, exact, sizeof(exact)), 15u);
    EXPECT_STREQ(exact, "ontop,closetray");
    char small[15];
    memset(small, 0xcc, sizeof(small));
    EXPECT_EQ(FormatRules(RULE_TOPMOST | RULE_CLOSE_TRAY, small, sizeof(small)), 0u);
    EXPECT_EQ(small[0], '\0');
}
