// Rules page: the programs with rules (section rules, one key each) and
// their rules as check boxes. Every change is written at once, each
// program's key alone, under the file's lock: what another program wrote
// meanwhile for other programs stays. The host is told, and passes the
// change on to every program.
#include "sheet.h"
#include "resource.h"
#include "../core/ini.h"
#include "../core/ini_write.h"
#include "../core/buffers.h"
#include "../core/rules_value.h"
#include "../core/shared.h"
#include "../core/textbuf.h"
#include <shlwapi.h>

enum { MAX_RULE_ROWS = 128, RULE_NAME_SIZE = 64, RULE_BOXES = 5 };

struct RuleRow {
    char name[RULE_NAME_SIZE];
    unsigned rules;
};

// What the page shows, and what the file held for it when last read or
// written: a save writes the keys where the two differ.
static RuleRow s_rows[MAX_RULE_ROWS], s_base[MAX_RULE_ROWS];
static int s_count, s_baseCount;

static int FindRow(const RuleRow *rows, int count, const char *name)
{
    for (int i = 0; i < count; i++)
        if (!lstrcmpiA(rows[i].name, name))
            return i;
    return -1;
}

static void LoadRules()
{
    s_count = 0;
    DWORD n = IniGetSection(RULES_SECTION, SectionBuffer, SECTION_BUFFER_SIZE);
    for (DWORD at = 0; at < n && SectionBuffer[at] && s_count < MAX_RULE_ROWS;) {
        const char *line = SectionBuffer + at;
        size_t length = lstrlenA(line);
        at += (DWORD)length + 1;
        const char *equals = StrChrA(line, '=');
        size_t nameLength = equals ? (size_t)(equals - line) : length;
        if (nameLength == 0 || nameLength >= RULE_NAME_SIZE)
            continue;
        RuleRow row;
        BufSetN(row.name, COUNTOF(row.name), line, nameLength);
        StrTrimA(row.name, " \t");
        row.rules = equals ? ParseRules(equals + 1, length - nameLength - 1) : 0;
        if (row.name[0] && FindRow(s_rows, s_count, row.name) < 0)
            s_rows[s_count++] = row;
    }
    memcpy(s_base, s_rows, sizeof(s_rows[0]) * s_count);
    s_baseCount = s_count;
}

// Under the lock, on the copy: each program's key as the page has it,
// removed for those the page removed.
static int WriteChangedRules(const char *file, void *)
{
    BOOL changed = FALSE, ok = TRUE;
    for (int i = 0; i < s_baseCount; i++) {
        if (FindRow(s_rows, s_count, s_base[i].name) < 0) {
            ok = WritePrivateProfileStringA(RULES_SECTION, s_base[i].name, NULL, file) && ok;
            changed = TRUE;
        }
    }
    for (int i = 0; i < s_count; i++) {
        int was = FindRow(s_base, s_baseCount, s_rows[i].name);
        if (was >= 0 && s_base[was].rules == s_rows[i].rules)
            continue;
        char value[64];
        FormatRules(s_rows[i].rules, value, COUNTOF(value));
        ok = WritePrivateProfileStringA(RULES_SECTION, s_rows[i].name, value, file) && ok;
        changed = TRUE;
    }
    return !ok ? INI_FAILED : changed ? INI_WRITTEN : INI_UNCHANGED;
}

static void SaveRules(HWND page)
{
    int result;
    do
        result = IniUpdate(WriteChangedRules, NULL);
    while (IniRefused(page, result));
    if (result != INI_WRITTEN)
        return;
    memcpy(s_base, s_rows, sizeof(s_rows[0]) * s_count);
    s_baseCount = s_count;
    AnnounceSettings(SETTINGS_CHANGED);
}

static int Selected(HWND page)
{
    int sel = (int)SendDlgItemMessageA(page, IDC_RULE_LIST, LB_GETCURSEL, 0, 0);
    return sel >= 0 && sel < s_count ? sel : -1;
}

static void ShowSelected(HWND page)
{
    int sel = Selected(page);
    for (int i = 0; i < RULE_BOXES; i++) {
        CheckDlgButton(page, IDC_RULE_FLAG + i, sel >= 0 && (s_rows[sel].rules >> i) & 1);
        EnableWindow(GetDlgItem(page, IDC_RULE_FLAG + i), sel >= 0);
    }
    EnableWindow(GetDlgItem(page, IDC_RULE_REMOVE), sel >= 0);
}

static void FillList(HWND page, int select)
{
    HWND list = GetDlgItem(page, IDC_RULE_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < s_count; i++)
        SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)s_rows[i].name);
    SendMessageA(list, LB_SETCURSEL, (WPARAM)select, 0);
    ShowSelected(page);
}

static void OnRuleBox(HWND page, int box)
{
    int sel = Selected(page);
    if (sel < 0)
        return;
    unsigned flag = 1u << box;
    unsigned rules = s_rows[sel].rules & ~flag;
    if (IsDlgButtonChecked(page, IDC_RULE_FLAG + box)) {
        // A window minimizes to one place: the tray or a floating icon.
        if (flag == RULE_MIN_TRAY)
            rules &= ~(unsigned)RULE_MIN_FLOAT;
        if (flag == RULE_MIN_FLOAT)
            rules &= ~(unsigned)RULE_MIN_TRAY;
        rules |= flag;
    }
    s_rows[sel].rules = rules;
    ShowSelected(page);
    SaveRules(page);
}

// The typed name as sections name programs: a path or "notepad.exe" is
// cut to "notepad". FALSE for a name no program can have or a key cannot
// hold.
static BOOL ProgramName(const char *typed, char *out, size_t cap)
{
    char name[MAX_PATH];
    BufSet(name, COUNTOF(name), typed);
    StrTrimA(name, " \t\"");
    PathStripPathA(name);
    const char *ext = PathFindExtensionA(name);
    if (!lstrcmpiA(ext, ".exe") || !lstrcmpiA(ext, ".com"))
        PathRemoveExtensionA(name);
    StrTrimA(name, " \t");
    if (!name[0] || StrChrA(name, '=') || name[0] == '[' || name[0] == ';' || lstrlenA(name) >= (int)cap)
        return FALSE;
    BufSet(out, cap, name);
    return TRUE;
}

static void OnAdd(HWND page)
{
    char typed[MAX_PATH], name[RULE_NAME_SIZE];
    GetDlgItemTextA(page, IDC_RULE_NAME, typed, COUNTOF(typed));
    if (!ProgramName(typed, name, COUNTOF(name))) {
        MessageBeep(MB_ICONWARNING);
        return;
    }
    int at = FindRow(s_rows, s_count, name);
    if (at < 0 && s_count < MAX_RULE_ROWS) {
        at = s_count++;
        BufSet(s_rows[at].name, COUNTOF(s_rows[at].name), name);
        s_rows[at].rules = 0;
        SaveRules(page);
    }
    SetDlgItemTextA(page, IDC_RULE_NAME, "");
    FillList(page, at);
}

static void OnRemove(HWND page)
{
    int sel = Selected(page);
    if (sel < 0)
        return;
    for (int i = sel; i + 1 < s_count; i++)
        s_rows[i] = s_rows[i + 1];
    s_count--;
    SaveRules(page);
    FillList(page, sel < s_count ? sel : s_count - 1);
}

INT_PTR CALLBACK RulesPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(page, IDC_RULE_NAME, EM_LIMITTEXT, MAX_PATH - 1, 0);
        LoadRules();
        FillList(page, s_count ? 0 : -1);
        return TRUE;
    case WM_COMMAND: {
        WORD id = LOWORD(wParam), code = HIWORD(wParam);
        if (id == IDC_RULE_LIST && code == LBN_SELCHANGE)
            ShowSelected(page);
        else if (id == IDC_RULE_ADD && code == BN_CLICKED)
            OnAdd(page);
        else if (id == IDC_RULE_REMOVE && code == BN_CLICKED)
            OnRemove(page);
        else if (id >= IDC_RULE_FLAG && id < IDC_RULE_FLAG + RULE_BOXES && code == BN_CLICKED)
            OnRuleBox(page, id - IDC_RULE_FLAG);
        return FALSE;
    }
    }
    return FALSE;
}
