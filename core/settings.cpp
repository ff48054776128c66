// Settings loader: section settings of the configuration file into the
// shared block, with a default for every missing key and every value forced
// into its range.
#include "shared.h"
#include "exports.h"
#include "ini.h"
#include "buffers.h"
#include "values.h"

static const char SETTINGS_SECTION[] = "settings";

// Colour texts are read cut to 9 characters: stored files carry values read
// that way, so a longer text must keep reading the same.
enum { COLOR_TEXT_SIZE = 10 };
static_assert(COLOR_TEXT_SIZE <= MENU_ITEM_BUFFER_SIZE, "colour text fits MenuItemBuffer");

static const char DEFAULT_ICON_COLOR[] = "0xffffff";
static const char DEFAULT_BORDER_COLOR[] = "0x000000";

static DWORD ReadColor(const char *key, const char *def)
{
    IniGetString(SETTINGS_SECTION, key, def, MenuItemBuffer, COLOR_TEXT_SIZE);
    return (DWORD)SwapRedBlue((uint32_t)ParseInteger(MenuItemBuffer));
}

// Each field is stored as soon as its own key is read, in the file's key
// order; a reader in another process may see the block half reloaded.
void WINAPI RequestSettings_(void)
{
    SharedSettings *s = WritableSettings();
    if (!s)
        return;   // no block this process may fill

    int v = IniGetInt(SETTINGS_SECTION, "fi.init", 1);
    s->initPosition = (v < 0 || v > 4) ? 1 : v;

    v = IniGetInt(SETTINGS_SECTION, "fi.follow", 1);
    s->followMode = (v < 0 || v > 1) ? 1 : v;

    // The sign switches opacity on or off; the magnitude is kept either way.
    v = IniGetInt(SETTINGS_SECTION, "fi.trans", 1);
    s->opacity = v >= 0 ? ClampInt(v, 10, 100) : ClampInt(v, -100, -10);

    s->onTop = IniGetInt(SETTINGS_SECTION, "fi.top", 1) != 0;
    s->makeScreenshots = IniGetInt(SETTINGS_SECTION, "ft.scrsh", 0) == 1;
    s->screenshotWidth = ClampInt(IniGetInt(SETTINGS_SECTION, "ft.scrsh.width", 128), 10, 1000);
    s->screenshotHeight = ClampInt(IniGetInt(SETTINGS_SECTION, "ft.scrsh.height", 96), 10, 1000);
    s->iconColor = ReadColor("fi.color.background", DEFAULT_ICON_COLOR);
    s->borderColor = ReadColor("fi.color.border", DEFAULT_BORDER_COLOR);
    s->runInTray = IniGetInt(SETTINGS_SECTION, "trayrun", 1) != 0;
}
