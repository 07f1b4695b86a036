#include "launcher/launcher_dialog.h"
#include "launcher/artwork_panel.h"
#include "resources/resource.h"

/* Until the menu's commands exist, the dialog can only be closed. */
INT_PTR CALLBACK LauncherDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        AttachArtworkPanel(dialog, IDB_LAUNCHER_ART);
        CenterWindowOnScreen(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}
