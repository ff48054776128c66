// Favourites menu build for 10, 100 and 500 entries, and the Menu-items
// page's load and save of sections of 200, 500 and 2,000 entries, timed by
// direct calls into the module's objects against generated ini files.
// Medians of several runs; the growth column is the
// time per entry, so that a size whose cost grows faster than its entry
// count shows.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>
#include "core/shared.h"
#include "hooks/favourites.h"
#include "sheet/menuitems.h"
#include "sheet/sheet.h"

static double Now()
{
    static LARGE_INTEGER freq;
    if (!freq.QuadPart)
        QueryPerformanceFrequency(&freq);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)freq.QuadPart;   // ms
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

static std::string s_dir;

static std::string WriteIni(const char *name, int entries)
{
    std::string text = "[settings]\r\nfi.trans=50\r\n[global]\r\n";
    for (int i = 1; i <= entries; i++) {
        char line[128];
        sprintf(line, "name%d=Folder %d\r\npath%d=C:\\Users\\Public\\Folder %d\r\n", i, i, i, i);
        text += line;
    }
    text += "[exception]\r\nnotepad=1\r\n";
    std::string path = s_dir + name;
    FILE *f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    return path;
}

static void UseIni(const std::string &path)
{
    lstrcpynA(WritableSettings()->configPath, path.c_str(), CONFIG_PATH_CAPACITY);
}

static void FavouritesMenu()
{
    printf("Favourites menu build (FillMenu of section global, then DestroyMenu), median of 5:\n\n");
    printf("| entries | ms | us per entry | items |\n|---|---|---|---|\n");
    const int sizes[] = { 10, 100, 500 };
    double at500 = 0;
    for (int n : sizes) {
        UseIni(WriteIni("bench_fav.ini", n));
        std::vector<double> t;
        int items = 0;
        for (int r = 0; r < 5; r++) {
            double a = Now();
            HMENU menu = CreatePopupMenu();
            FillMenu(menu, "global", 1, 0, 1280);
            items = GetMenuItemCount(menu);
            DestroyMenu(menu);
            t.push_back(Now() - a);
        }
        double m = Median(t);
        printf("| %d | %.1f | %.0f | %d |\n", n, m, m * 1000.0 / n, items);
        if (n == 500)
            at500 = m;
    }
    printf("\nfavourites-menu-500: %.1f ms\n(target: under 5 ms)\n\n", at500);
}

static void MenuItemsPage()
{
    std::string dll = s_dir + BRIVANE_MODULE_FILE;
    HMODULE resources = LoadLibraryExA(dll.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!resources) {
        printf("Menu-items page: brivane.dll not found.\n");
        return;
    }
    SheetInstance = resources;
    printf("Menu-items page on a section global of N entries: set-up is the page's creation\n"
           "with its first load (hidden, as the sheet creates it before showing it); load is\n"
           "loading the section again, as a click on it does (one read, the rows filled while\n"
           "the list does not redraw); save is the write-back after a change; medians of 3.\n\n");
    printf("| entries | set-up ms | load ms | load us/entry | save ms | save us/entry | rows | file intact |\n");
    printf("|---|---|---|---|---|---|---|---|\n");
    const int sizes[] = { 200, 500, 2000 };
    double perEntryLoad[2] = {}, perEntrySave[2] = {}, load2000 = 0, save2000 = 0;
    for (int n : sizes) {
        std::string path = WriteIni("bench_page.ini", n);
        UseIni(path);
        std::vector<double> setup, load, save;
        int rows = 0;
        bool intact = true;
        for (int r = 0; r < 3; r++) {
            double a = Now();
            HWND page = CreateDialogParamA(resources, "IniDialog", NULL, MenuItemsPageProc, 0);
            if (!page)
                break;
            setup.push_back(Now() - a);
            double b = Now();
            LoadSection(page, 0);
            load.push_back(Now() - b);
            rows = (int)SendMessageA(ItemList, LVM_GETITEMCOUNT, 0, 0);
            itemsDirty = 1;   // as after any edit of a row
            double c = Now();
            SaveSectionIfDirty(page);
            save.push_back(Now() - c);
            char last[64], want[64];
            sprintf(want, "Folder %d", n);
            char key[32];
            sprintf(key, "name%d", n);
            GetPrivateProfileStringA("global", key, "", last, sizeof(last), path.c_str());
            intact = intact && !strcmp(last, want);
            DestroyWindow(page);
        }
        if (load.empty()) {
            printf("| %d | failed | | | | | | |\n", n);
            continue;
        }
        double u = Median(setup), l = Median(load), s = Median(save);
        printf("| %d | %.1f | %.1f | %.0f | %.1f | %.0f | %d | %s |\n", n, u, l, l * 1000.0 / n, s,
               s * 1000.0 / n, rows, intact ? "yes" : "NO");
        int k = n == 200 ? 0 : n == 2000 ? 1 : -1;
        if (k >= 0) {
            perEntryLoad[k] = l / n;
            perEntrySave[k] = s / n;
        }
        if (n == 2000) {
            load2000 = l;
            save2000 = s;
        }
    }
    FreeLibrary(resources);
    printf("\nmenu-items-2000-load: %.1f ms\n", load2000);
    printf("menu-items-2000-save: %.1f ms\n", save2000);
    printf("(targets: load under 50 ms, save under 100 ms)\n");
    if (perEntryLoad[0] > 0 && perEntrySave[0] > 0)
        printf("growth, time per entry at 2,000 over that at 200: load %.2f, save %.2f (target at most 2)\n",
               perEntryLoad[1] / perEntryLoad[0], perEntrySave[1] / perEntrySave[0]);
    printf("\n");
}

int main()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    s_dir = path;
    s_dir.erase(s_dir.find_last_of("\\/") + 1);
    ModuleAttach(GetModuleHandleA(NULL));
    if (!g_settings) {
        printf("no shared block\n");
        return 1;
    }
    FavouritesMenu();
    MenuItemsPage();
    return 0;
}
