// Dialog augmentation: the dialog hook, the subclass procedure and the keys.
#pragma once
#include <windows.h>

// Augments dialog when it is a file dialog of this process that is not
// excluded; returns whether it did.
BOOL AugmentFileDialog(HWND dialog);

// The subclass procedure of an augmented dialog.
LRESULT CALLBACK FavouritesDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
