// setup.exe started with no installation recorded, and its wizard driven
// through the sheet's own buttons and read the way a user sees it.
#ifndef WIZARD_RUN_H
#define WIZARD_RUN_H

#include "test_support.h"

#include <windows.h>
#include <string>

// The sheet's wizard buttons.
enum { SHEET_BACK = 0x3023, SHEET_NEXT = 0x3024, SHEET_FINISH = 0x3025, SHEET_CANCEL = IDCANCEL };

std::string StringResource(UINT id);
std::string ConfirmText();   // string 5 directly followed by string 7

class WizardRun {
public:
    WizardRun();
    ~WizardRun();   // ends a setup that is still running and removes its CD folder
    WizardRun(const WizardRun &) = delete;
    WizardRun &operator=(const WizardRun &) = delete;

    // Starts setup.exe from a CD folder of its own; true once the sheet shows.
    bool Start();
    const std::string &CdFolder() const { return cd_; }
    HWND Sheet() const { return sheet_; }
    HWND Page() const { return page_; }
    DWORD ProcessId() const { return setup_.Id(); }

    void Press(int button);
    // Waits until the page shows that text; false, with the text seen, when it does not.
    bool WaitForPageText(const std::string &text, DWORD timeoutMs = 10000);
    std::string PageText() const;
    // The sheet buttons a user can press now, in screen order: "Back Next Cancel".
    std::string Buttons() const;
    // The page's other controls that show, each with its state:
    // "label box:editable", "readme run-game:checked".
    std::string Controls() const;
    std::string BoxText() const;
    void TypeFolder(const std::string &text);

    // Next from the welcome step, waiting for the folder choice.
    bool NextToFolderChoice();
    enum Outcome { Accepted, Refused, Warned, Stuck };
    // Next from the folder choice, and what came of it; a warning box found is kept in Warning().
    Outcome NextFromFolderChoice();
    HWND Warning() const { return warning_; }
    Outcome AnswerWarning(int button);
    // Back from the refused or confirmation step, waiting for the folder choice.
    bool BackToFolderChoice();
    // Cancel or Finish; the exit code, or -1 when the process did not end.
    long CloseWith(int button);

private:
    Outcome WaitForOutcome();

    std::string cd_;
    ProgramRun setup_;
    HWND sheet_ = nullptr;
    HWND page_ = nullptr;
    HWND warning_ = nullptr;
};

std::ostream &operator<<(std::ostream &out, WizardRun::Outcome outcome);

#endif
