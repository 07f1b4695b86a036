// setup.exe's wizard driven through the sheet's own buttons and read the way a user sees it.
#ifndef WIZARD_DRIVER_H
#define WIZARD_DRIVER_H

#include "test_support.h"

enum { SHEET_BACK = 0x3023, SHEET_NEXT = 0x3024, SHEET_FINISH = 0x3025 };

class Wizard {
public:
    // Starts setup.exe by hand in the CD folder; true once the sheet shows.
    bool Start(const std::string &cd, const std::string &environment = "");
    // The same with another program that shows the wizard.
    bool StartProgram(const std::string &exe, const std::string &arguments, const std::string &cd,
                      const std::string &environment);

    // "welcome", "folder", "refused", "confirm", "complete", "box" for a message box, else the page text.
    std::string Step() const;
    // Presses a sheet button and waits for another step or a box; that step.
    std::string Press(int button, DWORD timeoutMs = 60000);
    // Answers the free-space warning and waits for the step it leads to.
    std::string Answer(int button);
    // Cancel or Finish: the exit code, -1 when setup did not end.
    long Close(int button);

    std::string Text() const;       // the page text
    std::string Buttons() const;    // the usable sheet buttons: "Back Next Cancel"
    std::string Controls() const;   // the other controls shown: "label box:editable,tab"
    std::string Folder() const;     // the folder box's text
    void Type(const std::string &folder);
    HWND Box() const;               // setup's message box, if one shows
    HWND CopyBox() const;           // the copy box, if it shows
    HWND Sheet() const { return sheet_; }
    HWND Page() const { return page_; }
    ProgramRun &Setup() { return setup_; }

private:
    std::string WaitForStepOtherThan(const std::string &a, const std::string &b, DWORD timeoutMs);

    ProgramRun setup_;
    HWND sheet_ = nullptr;
    HWND page_ = nullptr;
};

#endif
