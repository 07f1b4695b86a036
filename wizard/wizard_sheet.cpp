#include "wizard/wizard_sheet.h"
#include "launcher/artwork_panel.h"
#include "startup/startup.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

PROPSHEETPAGEA WizardPageRecord;
PROPSHEETHEADERA WizardSheetHeader;

void InitWizardSheet(void)
{
    /* The Windows 95 layouts of both records: 40 bytes each. */
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

/* Until the steps exist, the page shows its welcome and can only be closed. */
INT_PTR CALLBACK WizardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    char text[256];
    (void)wParam;

    switch (message) {
    case WM_INITDIALOG:
        PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
        TextLoadString(text, sizeof text, IDS_WELCOME);
        SetDlgItemTextA(page, IDC_PAGE_TEXT, text);
        AttachArtworkPanel(page, IDB_WIZARD_ART);
        if (ArtworkPalette != NULL)
            DeleteObject(ArtworkPalette);
        ArtworkPalette = NULL;
        CenterWindowOnScreen(GetParent(page));
        return TRUE;
    case WM_NOTIFY:
        SetWindowLongA(page, DWL_MSGRESULT, 0);
        return ((NMHDR *)lParam)->code == (UINT)PSN_WIZNEXT;
    }
    return FALSE;
}
