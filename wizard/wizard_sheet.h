/* The setup wizard: one property-sheet page that shows every step in turn. */
#ifndef WIZARD_SHEET_H
#define WIZARD_SHEET_H

#include <windows.h>
#include <commctrl.h>

/* ---- Steps ---------------------------------------------------------------- */
enum {
    WIZSTEP_WELCOME = 0,
    WIZSTEP_FOLDER = 1,
    WIZSTEP_FOLDER_REJECTED = 2,
    WIZSTEP_CONFIRM = 3,
    WIZSTEP_COMPLETE = 4
};

/* ---- Sheet and page state ------------------------------------------------ */
extern int WizardStep;                     /* the step the page shows, 0 at start */
extern PROPSHEETPAGEA WizardPageRecord;
extern PROPSHEETHEADERA WizardSheetHeader;
/* The page's controls, captured once when the page is made; the page lives
   as long as the sheet. */
extern HWND hwndPageText;
extern HWND hwndInstallToLabel;
extern HWND hwndInstallDirEdit;
extern int SheetFocusGiven;                /* the first paint handed the focus over */

/* ---- The sheet ------------------------------------------------------------- */
/* Fills the page and sheet records; needs AppInstance. */
void InitWizardSheet(void);
INT_PTR CALLBACK WizardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

/* ---- Steps ------------------------------------------------------------------ */
/* The PSWIZB_ flags the sheet offers on that step. */
DWORD WizardButtonsForStep(int step);
/* Renders the step's text and controls on the page; other values change nothing. */
void ShowWizardStep(HWND page, int step);
/* Puts string resource `id` into the page text. */
void SetPageText(UINT id);

#endif
