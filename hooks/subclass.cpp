// The subclass of augmented file dialogs, of either kind. Each dialog's
// previous window procedure is kept here, in the module's own memory: a
// window property would be writable by every program on the desktop, and
// the dialog's program would jump wherever a stranger pointed it.
#include "filedialog.h"
#include "subclass.h"
#include "dialogkind.h"
#include "../core/textbuf.h"

struct SubclassSlot {
    HWND volatile dialog;   // null while free; claimed and freed interlocked
    WNDPROC previous;
    int kind;               // DialogKindId
    DialogOutcome outcome;
    MenuPress *press;       // the favourites menu it shows now, or null
};

static SubclassSlot s_slots[SUBCLASS_SLOTS];

static void PinModule()
{
    // Once a window of this program runs our code, the module must outlive
    // the hooks: UnHook_ lets the system unload it, which would leave the
    // subclass pointing into nothing.
    static BOOL pinned;
    if (pinned)
        return;
    HMODULE self;
    pinned = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                (LPCSTR)&PinModule, &self);
}

static SubclassSlot *FindSlot(HWND dialog)
{
    for (int i = 0; i < SUBCLASS_SLOTS; i++)
        if (dialog && s_slots[i].dialog == dialog)
            return &s_slots[i];
    return NULL;
}

// A slot is written only by its dialog's thread between claiming it and
// installing the subclass; other threads compare the handle alone.
static SubclassSlot *ClaimSlot(HWND dialog)
{
    for (int pass = 0; pass < 2; pass++) {
        for (int i = 0; i < SUBCLASS_SLOTS; i++)
            if (!InterlockedCompareExchangePointer((PVOID volatile *)&s_slots[i].dialog, dialog, NULL))
                return &s_slots[i];
        // Full: free the slots of dialogs that went without their
        // WM_NCDESTROY reaching us (one subclassed after us and cut the chain).
        for (int i = 0; i < SUBCLASS_SLOTS; i++) {
            HWND held = s_slots[i].dialog;
            if (held && !IsWindow(held))
                InterlockedCompareExchangePointer((PVOID volatile *)&s_slots[i].dialog, NULL, held);
        }
    }
    return NULL;
}

MenuPress **PressOf(HWND dialog)
{
    SubclassSlot *slot = FindSlot(dialog);
    return slot ? &slot->press : NULL;
}

int SubclassedKind(HWND dialog)
{
    SubclassSlot *slot = FindSlot(dialog);
    return slot ? slot->kind : DIALOG_NONE;
}

BOOL SubclassDialog(HWND dialog, int kind)
{
    if (FindSlot(dialog))
        return FALSE;
    LONG_PTR previous = GetWindowLongPtrA(dialog, GWLP_WNDPROC);
    SubclassSlot *slot = previous ? ClaimSlot(dialog) : NULL;
    if (!slot)
        return FALSE;
    slot->previous = (WNDPROC)previous;
    slot->kind = kind;
    slot->outcome.cancelled = FALSE;
    slot->outcome.recorded = FALSE;
    slot->press = NULL;
    PinModule();
    if (!SetWindowLongPtrA(dialog, GWLP_WNDPROC, (LONG_PTR)FavouritesDialogProc)) {
        InterlockedExchangePointer((PVOID volatile *)&slot->dialog, NULL);
        return FALSE;
    }
    return TRUE;
}

DialogOutcome *OutcomeOf(HWND dialog)
{
    SubclassSlot *slot = FindSlot(dialog);
    return slot ? &slot->outcome : NULL;
}

WNDPROC PreviousDialogProc(HWND dialog)
{
    SubclassSlot *slot = FindSlot(dialog);
    // No slot: the class's own procedure is the dialog's.
    return slot ? slot->previous : (WNDPROC)GetClassLongPtrA(dialog, GCLP_WNDPROC);
}

void RemoveSubclass(HWND dialog, WNDPROC previous)
{
    // Someone who subclassed after us still calls us; then we stay in place.
    if (GetWindowLongPtrA(dialog, GWLP_WNDPROC) == (LONG_PTR)FavouritesDialogProc)
        SetWindowLongPtrA(dialog, GWLP_WNDPROC, (LONG_PTR)previous);
    SubclassSlot *slot = FindSlot(dialog);
    if (slot)
        InterlockedExchangePointer((PVOID volatile *)&slot->dialog, NULL);
}
