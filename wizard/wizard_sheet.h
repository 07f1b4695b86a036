/* The setup wizard: one property-sheet page that shows every step in turn. */
#ifndef WIZARD_SHEET_H
#define WIZARD_SHEET_H

#include <windows.h>
#include <commctrl.h>

extern PROPSHEETPAGEA WizardPageRecord;
extern PROPSHEETHEADERA WizardSheetHeader;

/* Fills the page and sheet records; needs AppInstance. */
void InitWizardSheet(void);
INT_PTR CALLBACK WizardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
