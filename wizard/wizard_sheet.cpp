/* The wizard sheet and its single page. The five steps are not pages of
   their own: the page re-renders itself whenever WizardStep changes, and
   the sheet, having nowhere else to go, stays on it. */
#include "wizard/wizard_sheet.h"
#include "wizard/install_folder.h"
#include "wizard/installation.h"
#include "launcher/artwork_panel.h"
#include "startup/startup.h"
#include "startup/install_record.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

int WizardStep;
PROPSHEETPAGEA WizardPageRecord;
PROPSHEETHEADERA WizardSheetHeader;
HWND hwndPageText;
HWND hwndInstallToLabel;
HWND hwndInstallDirEdit;
int SheetFocusGiven;

enum { PAGE_TEXT_SIZE = 512 };   /* the confirmation joins two strings */

/* The sheet's own buttons, numbered alike by every version of the common
   controls. */
enum { SHEET_BACK_BUTTON = 0x3023, SHEET_NEXT_BUTTON = 0x3024, SHEET_FINISH_BUTTON = 0x3025 };

void InitWizardSheet(void)
{
    /* The Windows 95 layouts of both records: 40 bytes each in the 32-bit build. */
    ZeroMemory(&WizardPageRecord, sizeof WizardPageRecord);
    WizardPageRecord.dwSize = PROPSHEETPAGEA_V1_SIZE;
    WizardPageRecord.dwFlags = PSP_DEFAULT;
    WizardPageRecord.hInstance = AppInstance;
    WizardPageRecord.pszTemplate = MAKEINTRESOURCEA(IDD_WIZARD_PAGE);
    WizardPageRecord.pfnDlgProc = WizardPageProc;

    ZeroMemory(&WizardSheetHeader, sizeof WizardSheetHeader);
    WizardSheetHeader.dwSize = PROPSHEETHEADERA_V1_SIZE;
    WizardSheetHeader.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
    WizardSheetHeader.nPages = 1;
    WizardSheetHeader.nStartPage = 0;
    WizardSheetHeader.ppsp = &WizardPageRecord;
}

DWORD WizardButtonsForStep(int step)
{
    switch (step) {
    case WIZSTEP_FOLDER_REJECTED:
        return PSWIZB_BACK;
    case WIZSTEP_CONFIRM:
        return PSWIZB_BACK | PSWIZB_NEXT;
    case WIZSTEP_COMPLETE:
        return PSWIZB_FINISH;
    }
    return PSWIZB_NEXT;
}

/* The button Enter presses at a step: the one that moves on, else Back,
   the only way left from a refused folder. */
static int DefaultButtonForStep(int step)
{
    DWORD buttons = WizardButtonsForStep(step);

    if (buttons & PSWIZB_FINISH)
        return SHEET_FINISH_BUTTON;
    if (buttons & PSWIZB_NEXT)
        return SHEET_NEXT_BUTTON;
    return SHEET_BACK_BUTTON;
}

/* The default moves with the buttons, so that Enter never lands on a
   disabled one. */
static void SetWizardButtons(HWND page)
{
    HWND sheet = GetParent(page);

    SendMessageA(sheet, PSM_SETWIZBUTTONS, 0, WizardButtonsForStep(WizardStep));
    SendMessageA(sheet, DM_SETDEFID, DefaultButtonForStep(WizardStep), 0);
}

/* Disabling the button just pressed leaves the focus nowhere, and the
   keyboard dead with it: each new step puts the focus where the user acts,
   the folder box (its text selected, so typing replaces it) or the default
   button. WM_NEXTDLGCTL, so that the dialog manager selects the text and
   moves the default frame; posted, so that the sheet has finished with the
   press first. */
static void FocusStep(HWND page)
{
    HWND sheet = GetParent(page);
    HWND target = WizardStep == WIZSTEP_FOLDER ? hwndInstallDirEdit
                                               : GetDlgItem(sheet, DefaultButtonForStep(WizardStep));

    PostMessageA(sheet, WM_NEXTDLGCTL, (WPARAM)target, TRUE);
}

void SetPageText(UINT id)
{
    char text[256];
    TextLoadString(text, sizeof text, id);
    SendMessageA(hwndPageText, WM_SETTEXT, 0, (LPARAM)text);
}

/* Read-only boxes leave the tab order, so Tab never lands on a box that
   cannot be typed into. */
static void SetFolderBoxEditable(BOOL editable)
{
    LONG style;

    /* First: EM_SETREADONLY changes the style too, and the tab stop must not undo it. */
    SendMessageA(hwndInstallDirEdit, EM_SETREADONLY, !editable, 0);
    style = GetWindowLongA(hwndInstallDirEdit, GWL_STYLE);
    if (editable)
        style |= WS_TABSTOP;
    else
        style &= ~WS_TABSTOP;
    SetWindowLongA(hwndInstallDirEdit, GWL_STYLE, style);
}

static void ShowConfirmText(void)
{
    char text[PAGE_TEXT_SIZE];

    TextLoadString(text, sizeof text, IDS_CONFIRM);
    TextAppendString(text, sizeof text, IDS_CONFIRM_NEXT);
    SendMessageA(hwndPageText, WM_SETTEXT, 0, (LPARAM)text);
}

static void ShowCompletion(HWND page)
{
    HWND runGame = GetDlgItem(page, IDC_OPTION_CHECK);

    SetPageText(IDS_COMPLETE);
    SendMessageA(GetParent(page), PSM_CANCELTOCLOSE, 0, 0);
    ShowWindow(hwndInstallToLabel, SW_HIDE);
    ShowWindow(hwndInstallDirEdit, SW_HIDE);
    ShowWindow(GetDlgItem(page, IDC_VIEW_README), SW_SHOW);
    /* The installation disables the box when DirectX wants a restart first. */
    if (IsWindowEnabled(runGame)) {
        RunGameOnExit = 1;
        SendMessageA(runGame, BM_SETCHECK, BST_CHECKED, 0);
        ShowWindow(runGame, SW_SHOW);
    }
}

void ShowWizardStep(HWND page, int step)
{
    switch (step) {
    case WIZSTEP_WELCOME:
        SetPageText(IDS_WELCOME);
        InvalidateRect(hwndPageText, NULL, TRUE);
        break;
    case WIZSTEP_FOLDER:
        SetPageText(IDS_CHOOSE_FOLDER);
        SendMessageA(hwndInstallDirEdit, WM_SETTEXT, 0, (LPARAM)InstallDir);
        ShowWindow(hwndInstallToLabel, SW_SHOW);
        SetFolderBoxEditable(TRUE);
        ShowWindow(hwndInstallDirEdit, SW_SHOW);
        break;
    case WIZSTEP_FOLDER_REJECTED:
        SetPageText(IDS_FOLDER_REJECTED);
        ShowWindow(hwndInstallToLabel, SW_SHOW);
        SetFolderBoxEditable(FALSE);
        ShowWindow(hwndInstallDirEdit, SW_SHOW);
        break;
    case WIZSTEP_CONFIRM:
        ShowConfirmText();
        SetFolderBoxEditable(FALSE);
        break;
    case WIZSTEP_COMPLETE:
        ShowCompletion(page);
        break;
    }
}

static BOOL InitWizardPage(HWND page)
{
    SetWizardButtons(page);
    hwndArtwork = GetDlgItem(page, IDC_ARTWORK);
    hwndPageText = GetDlgItem(page, IDC_PAGE_TEXT);
    hwndInstallToLabel = GetDlgItem(page, IDC_INSTALL_TO_LABEL);
    hwndInstallDirEdit = GetDlgItem(page, IDC_INSTALL_DIR_EDIT);
    ShowWizardStep(page, WizardStep);
    AttachArtworkPanel(page, IDB_WIZARD_ART);
    /* The page is no top-level window and gets no palette messages, so a
       palette would never be realized: draw without one. */
    if (ArtworkPalette != NULL)
        DeleteObject(ArtworkPalette);
    ArtworkPalette = NULL;
    CenterWindowOnScreen(GetParent(page));
    return TRUE;   /* the platform sets the first focus */
}

/* Once per run, at the first paint: the keyboard starts on the sheet and its
   buttons rather than inside the page. */
static void GiveSheetFocusOnce(HWND page)
{
    if (SheetFocusGiven)
        return;
    SheetFocusGiven = 1;
    SetFocus(GetParent(page));
}

static void OnWizardCommand(HWND page, int id)
{
    switch (id) {
    case IDC_OPTION_CHECK:
        RunGameOnExit = IsDlgButtonChecked(page, IDC_OPTION_CHECK) == BST_CHECKED;
        break;
    case IDC_VIEW_README:
        ShowReadme();
        break;
    }
}

/* With a single page the sheet has no next page to move to and stays; the
   page shows the step that HandleWizardNext leaves in WizardStep. */
static void OnWizardNext(HWND page)
{
    WizardStep++;
    HandleWizardNext(page, &WizardStep);
    SetWizardButtons(page);
    ShowWizardStep(page, WizardStep);
    FocusStep(page);
}

/* Back always returns to the folder choice, never to the refused step. */
static void OnWizardBack(HWND page)
{
    WizardStep = WIZSTEP_FOLDER;
    RollBackFolders();
    SetWizardButtons(page);
    ShowWizardStep(page, WIZSTEP_FOLDER);
    FocusStep(page);
}

/* While the installation runs the sheet's buttons lead nowhere: Cancel and
   the close box are refused, Back and Next stay on the page. */
static BOOL RefuseWhileInstalling(HWND page, UINT code)
{
    if (!InstallationUnderWay)
        return FALSE;
    switch (code) {
    case PSN_QUERYCANCEL:
    case PSN_WIZFINISH:
        SetWindowLongPtrA(page, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case PSN_WIZBACK:
    case PSN_WIZNEXT:
        SetWindowLongPtrA(page, DWLP_MSGRESULT, -1);
        return TRUE;
    }
    return FALSE;
}

/* TRUE when the notification was handled; its result then goes to DWLP_MSGRESULT. */
static BOOL OnWizardNotify(HWND page, const NMHDR *header)
{
    if (RefuseWhileInstalling(page, header->code))
        return TRUE;
    switch (header->code) {
    case PSN_SETACTIVE:
    case PSN_KILLACTIVE:
    case PSN_WIZFINISH:
    case PSN_QUERYCANCEL:
        break;
    case PSN_RESET:
        RollBackFolders();
        break;
    case PSN_WIZBACK:
        OnWizardBack(page);
        break;
    case PSN_WIZNEXT:
        OnWizardNext(page);
        break;
    default:
        return FALSE;   /* PSN_APPLY, PSN_HELP: the platform's defaults */
    }
    SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
    return TRUE;
}

INT_PTR CALLBACK WizardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return InitWizardPage(page);
    case WM_PAINT:
        GiveSheetFocusOnce(page);
        break;   /* painted as usual */
    case WM_COMMAND:
        OnWizardCommand(page, LOWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        return OnWizardNotify(page, (const NMHDR *)lParam);
    }
    return FALSE;
}
