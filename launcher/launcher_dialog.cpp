#include "launcher/launcher_dialog.h"
#include "launcher/artwork_panel.h"
#include "startup/install_record.h"
#include "startup/startup.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

static void InitLauncher(HWND dialog)
{
    /* Unlike the wizard page, the launcher keeps its palette until exit. */
    AttachArtworkPanel(dialog, IDB_LAUNCHER_ART);
    /* The box asks whether the menu is shown: the stored setting inverted. */
    CheckDlgButton(dialog, IDC_OPTION_CHECK, MenuSuppressed == 0 ? BST_CHECKED : BST_UNCHECKED);
    CenterWindowOnScreen(dialog);
}

/* Whether the game runs is only learned here, so the uninstall button is as
   fresh as the last time the program became active or inactive. The focus
   goes through the dialog manager, which moves the default frame with it:
   left on a button tabbed to before, it would promise that Enter presses
   that one. */
static void RefreshOnActivation(HWND dialog)
{
    SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDC_RUN_GAME), TRUE);
    EnableWindow(GetDlgItem(dialog, IDC_UNINSTALL), !IsGameRunning(AppInstance));
}

/* WinMain starts the game once the dialog has gone; the check box's
   setting is saved only on this road. */
static void RunGameAfterMenu(HWND dialog)
{
    RunGameOnExit = 1;
    SaveAutorunSetting();
    EndDialog(dialog, 0);
}

static void Reconfigure(HWND dialog)
{
    TextCopy(GameArgs, sizeof GameArgs, " -i");
    RunGameAfterMenu(dialog);
}

static void Uninstall(HWND dialog)
{
    /* Declined, or no uninstaller to start: the menu stays as it was. */
    if (LaunchUninstaller(dialog))
        EndDialog(dialog, 0);
}

static void OptionClicked(HWND dialog)
{
    MenuSuppressed = IsDlgButtonChecked(dialog, IDC_OPTION_CHECK) == BST_CHECKED ? 0 : 1;
}

INT_PTR CALLBACK LauncherDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        InitLauncher(dialog);
        return TRUE;
    case WM_ACTIVATEAPP:
        RefreshOnActivation(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_RUN_GAME:
            RunGameAfterMenu(dialog);
            break;
        case IDC_RECONFIGURE:
            Reconfigure(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog, 0);
            break;
        case IDC_VIEW_README:
            ShowReadme();
            break;
        case IDC_UNINSTALL:
            Uninstall(dialog);
            break;
        case IDC_OPTION_CHECK:
            OptionClicked(dialog);
            break;
        }
        return TRUE;
    case WM_QUERYNEWPALETTE:
        return ArtworkQueryNewPalette(dialog);
    case WM_PALETTECHANGED:
        return ArtworkPaletteChanged(dialog, (HWND)wParam);
    }
    return FALSE;
}
