// The About lines' scrambling: exact inverses, no 0 byte in either form,
// and what the module stores is not the plain text.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "sheet/scramble.h"

static std::string Plain(const char *stored)
{
    std::string copy(stored);
    UnscrambleText(&copy[0], ScrambleSeed);
    return copy;
}

TEST(Scramble, StoredLinesUnscrambleToPrintableTextOfTheirLengths)
{
    struct Line { const char *stored; size_t length; } lines[] = {
        { AboutTagline, ABOUT_TAGLINE_LENGTH }, { AboutNotice, ABOUT_NOTICE_LENGTH },
    };
    for (const Line &line : lines) {
        SCOPED_TRACE(line.length);
        // Ends exactly at its NUL: no 0 byte inside the stored form.
        ASSERT_EQ(strlen(line.stored), line.length);
        std::string plain = Plain(line.stored);
        ASSERT_EQ(plain.size(), line.length) << "a 0 byte inside the plain form";
        for (char c : plain)
            EXPECT_TRUE(c >= 0x20 && c < 0x7f) << "byte " << (int)(unsigned char)c;
        // Not the plain text: most bytes differ between the two forms.
        size_t same = 0;
        for (size_t i = 0; i < line.length; i++)
            same += plain[i] == line.stored[i];
        EXPECT_LE(same, line.length / 4) << plain;
    }
    EXPECT_EQ(Plain(AboutTagline), "Tidy your desk");
    EXPECT_EQ(Plain(AboutNotice), "Copyright (c) 2026");
}

TEST(Scramble, RoundTripsEveryByteValue)
{
    // Bytes 1..255 in a row, each under the running keystream.
    for (uint32_t seed : { ScrambleSeed, 0u, 1u, 0xFFFFFFFFu }) {
        char text[256];
        for (int i = 0; i < 255; i++)
            text[i] = (char)(i + 1);
        text[255] = 0;
        char before[256];
        memcpy(before, text, sizeof(text));
        ScrambleText(text, seed);
        EXPECT_NE(memcmp(text, before, sizeof(text)), 0);
        // Scrambling may produce a 0 byte for arbitrary text; undo only the
        // part before it, as the routines do.
        size_t n = strlen(text);
        UnscrambleText(text, seed);
        EXPECT_EQ(memcmp(text, before, n), 0) << "seed " << seed;
    }
}

TEST(Scramble, StopsAtTheFirstZeroAndSetsStateFromTheSeed)
{
    char text[] = { 'a', 'b', 0, 'c', 0 };
    ScrambleText(text, ScrambleSeed);
    EXPECT_EQ(text[3], 'c') << "went past the NUL";
    EXPECT_EQ(ScrambleState, ScrambleSeed * ScrambleMultiplier * ScrambleMultiplier +
                             ScrambleIncrement * ScrambleMultiplier + ScrambleIncrement);

    // Each call starts again from its seed, whatever the state was.
    char a[] = "same text", b[] = "same text";
    ScrambleText(a, 42);
    ScrambleState = 12345;
    ScrambleText(b, 42);
    EXPECT_STREQ(a, b);

    char empty[] = "";
    ScrambleText(empty, 42);
    EXPECT_EQ(ScrambleState, 42u);
}
