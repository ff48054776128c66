// The host's value logic: its command line, where floating icons go, and
// the list of hidden windows it keeps on disk.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "host/hostlogic.h"

namespace {

HostArgs Parse(std::vector<const char *> args)
{
    args.insert(args.begin(), "brivane.exe");
    return ParseHostArgs((int)args.size(), args.data());
}

} // namespace

TEST(HostArgs, Table)
{
    struct Case { std::vector<const char *> args; HostAction action; const char *config; const char *bad; } cases[] = {
        { {}, HOST_RUN, nullptr, nullptr },
        { { "--config", "a b.ini" }, HOST_RUN, "a b.ini", nullptr },
        { { "--exit" }, HOST_EXIT, nullptr, nullptr },
        { { "--settings", "--config", "x.ini" }, HOST_SETTINGS, "x.ini", nullptr },
        { { "--config", "x.ini", "--exit" }, HOST_EXIT, "x.ini", nullptr },
        { { "--config" }, HOST_USAGE, nullptr, "--config" },            // PATH missing
        { { "--config", "" }, HOST_USAGE, nullptr, "--config" },        // PATH empty
        { { "--config", "a", "--config", "b" }, HOST_USAGE, "a", "--config" },
        { { "--exit", "--settings" }, HOST_USAGE, nullptr, "--settings" },
        { { "--exit", "--exit" }, HOST_USAGE, nullptr, "--exit" },
        { { "/exit" }, HOST_USAGE, nullptr, "/exit" },
        { { "--EXIT" }, HOST_USAGE, nullptr, "--EXIT" },
        { { "stray.ini" }, HOST_USAGE, nullptr, "stray.ini" },
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); i++) {
        SCOPED_TRACE("case " + std::to_string(i));
        HostArgs got = Parse(cases[i].args);
        EXPECT_EQ(got.action, cases[i].action);
        EXPECT_STREQ(got.bad, cases[i].bad);
        if (cases[i].action != HOST_USAGE) {
            EXPECT_STREQ(got.configPath, cases[i].config);
        }
    }
}

// Stored shortcuts (the hotkey control's value: key + 256 x 1 Shift, 2 Ctrl,
// 4 Alt) as RegisterHotKey takes them (1 Alt, 2 Ctrl, 4 Shift); anything
// that is not a key with at most those modifiers, Ctrl or Alt among them,
// is off.
TEST(Hotkeys, StoredValueToRegistration)
{
    struct Case { int value; bool on; unsigned modifiers, vk; } cases[] = {
        { 0x675, true, 3, 0x75 },        // Ctrl+Alt+F6, the default of "Always on top"
        { 0x655, true, 3, 'U' },         // Ctrl+Alt+U
        { 0x37A, true, 6, 0x7A },        // Ctrl+Shift+F11
        { 0x47A, true, 1, 0x7A },        // Alt+F11
        { 0x241, true, 2, 'A' },         // Ctrl+A
        { 0xE2E, true, 3, 0x2E },        // Ctrl+Alt+Delete as an extended key: the bit does not matter
        // neither Ctrl nor Alt: a key that is typed, never a shortcut
        { 0x17A, false, 0, 0 },          // Shift+F11
        { 0x07A, false, 0, 0 },          // F11 alone
        { 65, false, 0, 0 },             // a plain "a"
        { 0x141, false, 0, 0 },          // Shift+A
        { 0x941, false, 0, 0 },          // Shift+A as an extended key
        { 0, false, 0, 0 },              // off
        { -0x675, false, 0, 0 },         // off, combination kept
        { 0x600, false, 0, 0 },          // modifiers without a key
        { 0x1075, false, 0, 0 },         // a modifier bit that is none of the three
        { 0x7FFFFFFF, false, 0, 0 },
        { (int)0x80000000, false, 0, 0 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("value " + std::to_string(c.value));
        unsigned modifiers = 99, vk = 99;
        EXPECT_EQ(HotkeyFromValue(c.value, &modifiers, &vk), c.on);
        EXPECT_EQ(modifiers, c.modifiers);
        EXPECT_EQ(vk, c.vk);
    }
}

TEST(FloatLook, ForcesEveryFieldIntoRange)
{
    // What a zeroed block (no settings loaded yet) gives.
    FloatLook zero = MakeFloatLook(0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(zero.initPosition, 0);
    EXPECT_EQ(zero.alpha, 255) << "opacity 0 is off";
    EXPECT_EQ(zero.shotWidth, 10);
    EXPECT_EQ(zero.shotHeight, 10);

    FloatLook odd = MakeFloatLook(9, 7, 250, -3, 2, 5000, -7);
    EXPECT_EQ(odd.initPosition, 1);
    EXPECT_EQ(odd.followMode, 1);
    EXPECT_EQ(odd.alpha, 255) << "250 percent is full";
    EXPECT_EQ(odd.onTop, 1);
    EXPECT_EQ(odd.screenshots, 0) << "only exactly 1 switches screenshots on";
    EXPECT_EQ(odd.shotWidth, 1000);
    EXPECT_EQ(odd.shotHeight, 10);

    EXPECT_EQ(MakeFloatLook(1, 1, 50, 1, 1, 128, 96).alpha, 127);
    EXPECT_EQ(MakeFloatLook(1, 1, 5, 1, 1, 128, 96).alpha, 25) << "at least 10 percent";
    EXPECT_EQ(MakeFloatLook(1, 1, -50, 1, 1, 128, 96).alpha, 255) << "negative: opacity off";
}

TEST(FloatLook, Size)
{
    int w, h;
    FloatIconSize(MakeFloatLook(1, 1, 10, 1, 0, 500, 500), &w, &h);
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 40);
    FloatIconSize(MakeFloatLook(1, 1, 10, 1, 1, 128, 96), &w, &h);
    EXPECT_EQ(w, 136);
    EXPECT_EQ(h, 104);
}

// At 150 % and 200 % everything grows with the screen, the screenshot box
// of the settings too; nonsense dpi values count as 100 %.
TEST(FloatLook, SizeAndGapsFollowTheScreensDpi)
{
    struct Case { int dpi, icon, shotW, shotH, frame, gap; } cases[] = {
        { 96, 40, 136, 104, 1, 6 },
        { 120, 50, 170, 130, 1, 8 },
        { 144, 60, 204, 156, 2, 9 },
        { 192, 80, 272, 208, 2, 12 },
        { 0, 40, 136, 104, 1, 6 },
        { -144, 40, 136, 104, 1, 6 },
        { 100000, 40, 136, 104, 1, 6 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dpi);
        int w, h;
        FloatIconSize(MakeFloatLook(1, 1, 10, 1, 0, 128, 96), &w, &h, c.dpi);
        EXPECT_EQ(w, c.icon);
        EXPECT_EQ(h, c.icon);
        FloatIconSize(MakeFloatLook(1, 1, 10, 1, 1, 128, 96), &w, &h, c.dpi);
        EXPECT_EQ(w, c.shotW);
        EXPECT_EQ(h, c.shotH);
        FloatMetrics m = FloatMetricsForDpi(c.dpi);
        EXPECT_EQ(m.frame, c.frame);
        EXPECT_EQ(m.gap, c.gap);
        EXPECT_EQ(m.icon + 2 * m.inset, c.icon) << "the picture fills the icon inside the inset";
        // Bottom-right anchor and the next place to the left.
        IRect work = { 0, 0, 1000, 800 };
        int x, y;
        PlaceFloatIcon(work, c.icon, c.icon, 3, 1, nullptr, 0, &x, &y, c.dpi);
        EXPECT_EQ(x, 1000 - c.gap - c.icon);
        EXPECT_EQ(y, 800 - c.gap - c.icon);
        IRect first = { x, y, x + c.icon, y + c.icon };
        PlaceFloatIcon(work, c.icon, c.icon, 3, 1, &first, 1, &x, &y, c.dpi);
        EXPECT_EQ(x, first.left - c.gap - c.icon);
    }
}

TEST(PlaceFloatIcon, AnchorsOfTheFivePositions)
{
    IRect work = { 100, 50, 1100, 850 };
    struct Case { int init, x, y; } cases[] = {
        { 0, 106, 56 }, { 1, 1054, 56 }, { 2, 106, 804 }, { 3, 1054, 804 }, { 4, 580, 430 },
        { -1, 1054, 56 }, { 5, 1054, 56 },   // out of range: top-right
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.init);
        int x, y;
        PlaceFloatIcon(work, 40, 40, c.init, 1, nullptr, 0, &x, &y);
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
    }
}

TEST(PlaceFloatIcon, FollowingModeLinesUpAndWraps)
{
    // Room for three 40-pixel icons per row: 6 + 3 * 46 = 144 <= 150.
    IRect work = { 0, 0, 150, 150 };
    std::vector<IRect> taken;
    std::vector<std::pair<int, int>> want = { { 104, 104 }, { 58, 104 }, { 12, 104 }, { 104, 58 } };
    for (auto &w : want) {
        int x, y;
        PlaceFloatIcon(work, 40, 40, 3, 1, taken.data(), taken.size(), &x, &y);
        EXPECT_EQ(x, w.first);
        EXPECT_EQ(y, w.second);
        taken.push_back(IRect{ x, y, x + 40, y + 40 });
    }
    // A gap left by a restored icon is taken again first.
    taken.erase(taken.begin() + 1);
    int x, y;
    PlaceFloatIcon(work, 40, 40, 3, 1, taken.data(), taken.size(), &x, &y);
    EXPECT_EQ(x, 58);
    EXPECT_EQ(y, 104);
    // An icon moved away by hand frees its place.
    IRect elsewhere[] = { { 500, 500, 540, 540 } };
    PlaceFloatIcon(work, 40, 40, 3, 1, elsewhere, 1, &x, &y);
    EXPECT_EQ(x, 104);

    // Without following mode every icon goes to the anchor.
    PlaceFloatIcon(work, 40, 40, 3, 0, taken.data(), taken.size(), &x, &y);
    EXPECT_EQ(x, 104);
    EXPECT_EQ(y, 104);
}

TEST(PlaceFloatIcon, FullOrTinyWorkAreaFallsBackToTheAnchor)
{
    IRect work = { 0, 0, 100, 100 };
    IRect all[] = { { 0, 0, 100, 100 } };
    int x, y;
    PlaceFloatIcon(work, 40, 40, 0, 1, all, 1, &x, &y);
    EXPECT_EQ(x, 6);
    EXPECT_EQ(y, 6);
    // Larger than the work area: placed at the anchor, no endless search.
    IRect tiny = { 0, 0, 20, 20 };
    PlaceFloatIcon(tiny, 40, 40, 3, 1, all, 1, &x, &y);
    EXPECT_EQ(x, -26);
    EXPECT_EQ(y, -26);
}

TEST(FitInto, KeepsProportions)
{
    struct Case { int pw, ph, bw, bh, w, h; } cases[] = {
        { 300, 200, 60, 40, 60, 40 },
        { 800, 200, 128, 96, 128, 32 },
        { 200, 800, 128, 96, 24, 96 },
        { 5000, 1, 100, 100, 100, 1 },     // never thinner than a pixel
        { 0, 0, 50, 30, 50, 30 },          // nothing to fit: the whole box
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.pw) + "x" + std::to_string(c.ph));
        int w, h;
        FitInto(c.pw, c.ph, c.bw, c.bh, &w, &h);
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
    }
}

TEST(HiddenRecords, RoundTripAndBufferBounds)
{
    HiddenRecord recs[] = { { 0x0001009a, 320, HIDDEN_TRAY, 0x01DB2F3A4B5C6D7Eull },
                            { 0xFFFFFFFE, 4294967295u, HIDDEN_FLOAT, 0xFFFFFFFFFFFFFFFFull } };
    std::string text;
    for (const HiddenRecord &r : recs) {
        char line[64];
        size_t n = FormatHiddenRecord(r, line, sizeof(line));
        EXPECT_EQ(n, strlen(line));
        text += line;
    }
    EXPECT_EQ(text, "0001009a 320 1 01db2f3a4b5c6d7e\r\nfffffffe 4294967295 2 ffffffffffffffff\r\n");

    HiddenRecord back[4];
    ASSERT_EQ(ParseHiddenRecords(text.data(), text.size(), back, 4), 2u);
    EXPECT_EQ(back[0].created, 0x01DB2F3A4B5C6D7Eull);
    EXPECT_EQ(back[1].window, 0xFFFFFFFEu);
    EXPECT_EQ(back[1].pid, 4294967295u);
    EXPECT_EQ(back[1].kind, HIDDEN_FLOAT);
    EXPECT_EQ(back[1].created, 0xFFFFFFFFFFFFFFFFull);

    // "0001009a 320 1 01db2f3a4b5c6d7e\r\n" is 33 characters: 34 bytes fit, 33 do not.
    char buf[40];
    memset(buf, 0xcc, sizeof(buf));
    EXPECT_EQ(FormatHiddenRecord(recs[0], buf, 34), 33u);
    EXPECT_EQ((unsigned char)buf[34], 0xcc);
    EXPECT_EQ(FormatHiddenRecord(recs[0], buf, 33), 0u);
    EXPECT_STREQ(buf, "");
}

TEST(HiddenRecords, DamagedLinesAreSkipped)
{
    const char text[] =
        "0001009a 320 1 0000000000000001\n"   // LF only: fine
        "garbage\r\n"
        "00000000 1 1 0000000000000001\r\n"   // no window
        "00010000 1 3 0000000000000001\r\n"   // unknown kind
        "100000000 1 1 0000000000000001\r\n"  // does not fit 32 bits
        "0002 12 2 0000000000000001 extra\r\n"
        "0003  12 2\r\n"
        "0006 12 2 000000000000001\r\n"       // a creation time of 15 digits
        "0007 12 2 00000000000000012\r\n"     // and of 17
        "0008 12 2 00000000000000g1\r\n"
        "0009 12 2  000000000000001\r\n"
        "\r\n"
        "0004 99999999999 1\r\n"
        "0005 7 2 00000000000000ff";            // last line without an end
    HiddenRecord out[8];
    size_t n = ParseHiddenRecords(text, sizeof(text) - 1, out, 8);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(out[0].window, 0x1009au);
    EXPECT_EQ(out[0].created, 1u);
    EXPECT_EQ(out[1].window, 5u);
    EXPECT_EQ(out[1].pid, 7u);
    EXPECT_EQ(out[1].created, 0xFFu);
    // A cut file (a crash while writing is ruled out, a full disk is not).
    EXPECT_EQ(ParseHiddenRecords(text, 9, out, 8), 0u);
    // Never more than asked for.
    EXPECT_EQ(ParseHiddenRecords(text, sizeof(text) - 1, out, 1), 1u);
}

TEST(HiddenRecords, ListsWithoutCreationTimesStillRead)
{
    // Written before the creation time was kept: read, with the time
    // unknown (0), which the host never restores.
    const char text[] = "0001009a 320 1\r\n0005 7 2";
    HiddenRecord out[4];
    ASSERT_EQ(ParseHiddenRecords(text, sizeof(text) - 1, out, 4), 2u);
    EXPECT_EQ(out[0].window, 0x1009au);
    EXPECT_EQ(out[0].created, 0u);
    EXPECT_EQ(out[1].kind, HIDDEN_FLOAT);
    EXPECT_EQ(out[1].created, 0u);
}

// --- windows brought back into view ---------------------------------------------

TEST(BringIntoView, Table)
{
    // Two monitors side by side, a taskbar at the bottom of each; and a
    // small one up and to the left of the first.
    const MonitorArea two[] = {
        { { 0, 0, 1280, 1024 }, { 0, 0, 1280, 984 } },
        { { 1280, 0, 2560, 1024 }, { 1280, 0, 2560, 984 } },
    };
    const MonitorArea odd[] = {
        { { 0, 0, 1280, 1024 }, { 0, 40, 1280, 1024 } },   // taskbar at the top
        { { -800, -600, 0, 0 }, { -800, -600, 0, -40 } },
    };
    struct Case { const char *what; const MonitorArea *monitors; size_t n; IRect place; bool moved; IRect want; } cases[] = {
        { "wholly on a monitor", two, 2, { 100, 100, 500, 400 }, false, {} },
        { "across both monitors", two, 2, { 1000, 100, 1600, 400 }, false, {} },
        { "mostly off but a good part seen", two, 2, { -300, 100, 100, 400 }, false, {} },
        { "only a sliver seen", two, 2, { -390, 100, 10, 400 }, true, { 0, 100, 400, 400 } },
        { "right of everything", two, 2, { 3000, 100, 3400, 400 }, true, { 2160, 100, 2560, 400 } },
        { "below the second", two, 2, { 1500, 1200, 1900, 1500 }, true, { 1500, 684, 1900, 984 } },
        { "larger than the work area", two, 2, { 4000, -3000, 6000, -1000 }, true, { 1280, 0, 2560, 984 } },
        { "wider only: keeps its height", two, 2, { -3000, 200, -1000, 500 }, true, { 0, 200, 1280, 500 } },
        { "above the first, taskbar on top", odd, 2, { 900, -400, 1300, -100 }, true, { 880, 40, 1280, 340 } },
        { "nearer the small monitor", odd, 2, { 300, -2000, 700, -1700 }, true, { -400, -600, 0, -300 } },
        { "near the small monitor", odd, 2, { -2000, -500, -1800, -300 }, true, { -800, -500, -600, -300 } },
        { "small window seen whole", two, 2, { 1270, 1014, 1280, 1024 }, false, {} },
        { "no monitors", two, 0, { 3000, 100, 3400, 400 }, false, {} },
        { "empty place", two, 2, { 3000, 100, 3000, 400 }, false, {} },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        IRect out = { -1, -1, -1, -1 };
        ASSERT_EQ(BringIntoView(c.place, c.monitors, c.n, &out), c.moved);
        if (!c.moved)
            continue;
        EXPECT_EQ(out.left, c.want.left);
        EXPECT_EQ(out.top, c.want.top);
        EXPECT_EQ(out.right, c.want.right);
        EXPECT_EQ(out.bottom, c.want.bottom);
    }
}

// --- telling why nothing happened ---------------------------------------------------

TEST(Refusals, WhoIsToldAndWhat)
{
    struct Case { int refusal; bool told; bool tell; const char *title; const char *text; } cases[] = {
        { REFUSAL_ELEVATED, false, true, "Registry Editor",
          "\"Registry Editor\" runs as administrator. Run Brivane as administrator to change its windows." },
        { REFUSAL_ELEVATED, true, false, "Registry Editor", nullptr },
        { REFUSAL_HUNG, false, true, "", "\"(untitled window)\" does not answer. What was asked happens once it responds." },
        { REFUSAL_HUNG, true, false, "x", nullptr },
        { REFUSAL_SILENT, false, false, "forged", "" },
        { REFUSAL_NONE, false, false, "fine", "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(TellRefusal(c.refusal, c.told), c.tell);
        if (!c.text)
            continue;
        char out[256];
        memset(out, 0xcc, sizeof(out));
        size_t n = RefusalText(c.refusal, c.title, out, sizeof(out));
        EXPECT_STREQ(out, c.text);
        EXPECT_EQ(n, strlen(c.text));
    }
}

TEST(Refusals, LongTitlesAreCutToTheBalloon)
{
    std::string title(300, 'T');
    char out[128];
    size_t n = RefusalText(REFUSAL_HUNG, title.c_str(), out, sizeof(out));
    ASSERT_EQ(n, strlen(out));
    EXPECT_LT(n, sizeof(out));
    std::string text = out;
    EXPECT_NE(text.find("TTT...\" does not answer."), std::string::npos) << text;
    char tiny[8];
    memset(tiny, 0xcc, sizeof(tiny));
    EXPECT_EQ(RefusalText(REFUSAL_HUNG, "x", tiny, sizeof(tiny)), 0u);
    EXPECT_EQ(tiny[0], '\0');
}

// --- borders of pinned windows ---------------------------------------------------------

TEST(FrameCornerRadius, FollowsTheSystemAndThePreference)
{
    struct Case { bool known; int preference; unsigned build; bool maximized; int dpi; int want; } cases[] = {
        { true, 0, 22621, false, 96, 8 },     // Windows 11, default: rounded
        { true, 2, 22000, false, 144, 12 },   // round, at 150 %
        { true, 3, 22621, false, 96, 4 },     // small
        { true, 1, 22621, false, 96, 0 },     // do not round
        { true, 0, 22621, true, 96, 0 },      // maximized windows are square
        { true, 0, 19045, false, 96, 0 },     // Windows 10
        { false, 0, 22621, false, 96, 0 },    // preference unknown (Wine, older dwmapi)
        { true, 7, 22621, false, 96, 0 },     // a preference not known here
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.preference << " " << c.build << " " << c.dpi);
        EXPECT_EQ(FrameCornerRadius(c.known, c.preference, c.build, c.maximized, c.dpi), c.want);
    }
}
