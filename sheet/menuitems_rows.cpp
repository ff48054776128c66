// Menu-items page: the rows of ItemList. Every operation acts on the list
// view's selection mark, which a click moves; an insert moves the mark but
// not the highlight. Changes stay in ItemList until the section is saved.
#include "sheet.h"
#include "menuitems.h"
#include "../core/buffers.h"
#include "../core/textbuf.h"
#include "resource.h"
#include <commctrl.h>
#include <string.h>

static int Mark()
{
    return (int)SendMessageA(ItemList, LVM_GETSELECTIONMARK, 0, 0);
}

static int RowCount()
{
    return (int)SendMessageA(ItemList, LVM_GETITEMCOUNT, 0, 0);
}

static int IsTerminator(const char *name)
{
    return name[0] == '-' && name[1] == '-';
}

void GetRowText(int row, int column, char *out, int cap)
{
    if (cap <= 0)
        return;
    out[0] = '\0';
    LVITEMA item;
    memset(&item, 0, sizeof(item));
    item.iSubItem = column;
    item.pszText = out;
    item.cchTextMax = cap;
    SendMessageA(ItemList, LVM_GETITEMTEXTA, row, (LPARAM)&item);
}

void InsertItemRow(int index, const char *name, const char *path)
{
    LVITEMA item;
    memset(&item, 0, sizeof(item));
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = (char *)name;
    item.cchTextMax = ROW_TEXT_SIZE;
    int row = (int)SendMessageA(ItemList, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (row < 0)
        return;
    item.iItem = row;
    item.iSubItem = 1;
    item.pszText = (char *)path;
    SendMessageA(ItemList, LVM_SETITEMA, 0, (LPARAM)&item);
}

void InsertItemAfterMark(const char *name, const char *path)
{
    int mark = Mark();
    int index = mark == -1 ? RowCount() : mark + 1;
    InsertItemRow(index, name, path);
    SendMessageA(ItemList, LVM_SETSELECTIONMARK, 0, index);
}

// The path that follows the name in MenuItemBuffer.
static char *RowPath()
{
    return MenuItemBuffer + strlen(MenuItemBuffer) + 1;
}

static INT_PTR RunItemDialog(HWND page)
{
    return DialogBoxParamA(SheetInstance, "MenuItemDialog", page, MenuItemDialogProc, 0);
}

void InsertItem(HWND page)
{
    MenuItemBuffer[0] = '\0';
    // An empty name would end every reader's walk through the section and
    // hide the entries after it, so it inserts nothing.
    if (RunItemDialog(page) != 1 || !MenuItemBuffer[0])
        return;
    InsertItemAfterMark(MenuItemBuffer, RowPath());
    if (MenuItemBuffer[0] == '-')
        InsertItemAfterMark("--", "--");    // the mark ends on the terminator
    itemsDirty = 1;
}

void EditItem(HWND page)
{
    int mark = Mark();
    if (mark == -1)
        return;
    GetRowText(mark, 0, MenuItemBuffer, ROW_TEXT_SIZE);
    size_t nameLen = strlen(MenuItemBuffer);
    // The path shares the row's 260 bytes with the name.
    MenuItemBuffer[nameLen + 1] = '\0';
    GetRowText(mark, 1, MenuItemBuffer + nameLen + 1, (int)(ROW_TEXT_SIZE - 1 - nameLen));
    if (IsTerminator(MenuItemBuffer))
        return;
    if (RunItemDialog(page) != 1 || !MenuItemBuffer[0])
        return;
    SendMessageA(ItemList, LVM_DELETEITEM, mark, 0);
    InsertItemRow(mark, MenuItemBuffer, RowPath());
    itemsDirty = 1;
}

void DeleteItem(HWND page)
{
    if (MessageBoxA(page, "Delete selected menu item?", "Delete menu item", MB_YESNO) != IDYES)
        return;
    int mark = Mark();
    if (mark != -1) {
        GetRowText(mark, 0, MenuItemBuffer, ROW_TEXT_SIZE);
        SendMessageA(ItemList, LVM_DELETEITEM, mark, 0);
        // A header takes its terminator with it: the first later one at its
        // own depth. A terminator deleted on its own takes nothing else.
        if (MenuItemBuffer[0] == '-' && !IsTerminator(MenuItemBuffer)) {
            char name[ROW_TEXT_SIZE];
            int depth = 0, count = RowCount();
            for (int row = mark; row < count; row++) {
                GetRowText(row, 0, name, COUNTOF(name));
                if (IsTerminator(name)) {
                    if (depth == 0) {
                        SendMessageA(ItemList, LVM_DELETEITEM, row, 0);
                        break;
                    }
                    depth--;
                } else if (name[0] == '-') {
                    depth++;
                }
            }
        }
    }
    itemsDirty = 1;
}

// Moves the marked row to row `to` and selects and marks it there.
static void MoveMarkedRow(int mark, int to)
{
    GetRowText(mark, 0, MenuItemBuffer, ROW_TEXT_SIZE);
    GetRowText(mark, 1, SectionBuffer, ROW_TEXT_SIZE);
    SendMessageA(ItemList, LVM_DELETEITEM, mark, 0);
    InsertItemRow(to, MenuItemBuffer, SectionBuffer);
    LVITEMA item;
    memset(&item, 0, sizeof(item));
    item.state = LVIS_SELECTED;
    item.stateMask = 0xFFFFFFFF;    // every other state bit, focus included, goes
    SendMessageA(ItemList, LVM_SETITEMSTATE, to, (LPARAM)&item);
    SendMessageA(ItemList, LVM_SETSELECTIONMARK, 0, to);
    SendMessageA(ItemList, LVM_ENSUREVISIBLE, to, FALSE);
    itemsDirty = 1;
}

void MoveItemUp()
{
    int mark = Mark();
    if (mark <= 0)
        return;
    MoveMarkedRow(mark, mark - 1);
}

void MoveItemDown()
{
    int mark = Mark();
    if (mark == -1 || mark >= RowCount() - 1)
        return;
    MoveMarkedRow(mark, mark + 1);
}

void UpdateItemButtons(HWND page, int row)
{
    // With no row selected there is nothing to edit or delete.
    BOOL enable = FALSE;
    if (row != -1 && !loadedReadOnly) {
        GetRowText(row, 0, MenuItemBuffer, ROW_TEXT_SIZE);
        enable = !IsTerminator(MenuItemBuffer);
    }
    EnableWindow(GetDlgItem(page, IDC_ITEM_EDIT), enable);
    EnableWindow(GetDlgItem(page, IDC_ITEM_DELETE), enable);
}
