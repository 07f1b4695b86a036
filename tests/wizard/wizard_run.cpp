#include "wizard_run.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

#include <ostream>

std::string StringResource(UINT id)
{
    char text[1024];
    TextLoadString(text, sizeof text, id);
    return text;
}

std::string ConfirmText()
{
    return StringResource(IDS_CONFIRM) + StringResource(IDS_CONFIRM_NEXT);
}

std::ostream &operator<<(std::ostream &out, WizardRun::Outcome outcome)
{
    switch (outcome) {
    case WizardRun::Accepted: return out << "accepted";
    case WizardRun::Refused: return out << "refused";
    case WizardRun::Warned: return out << "warned";
    case WizardRun::Stuck: return out << "nothing happened";
    }
    return out << "?";
}

WizardRun::WizardRun()
{
    DeleteInstallRecord();
    cd_ = ScratchFolder("cd");
    MakeSmallCd(cd_, MakeFileTime(1997, 10, 15));
}

WizardRun::~WizardRun()
{
    if (!setup_.HasExited() && sheet_ != nullptr) {
        if (warning_ != nullptr && IsWindow(warning_)) {
            PostMessageA(warning_, WM_COMMAND, IDNO, 0);
            WaitForWindowGone(warning_);
        }
        Press(SHEET_CANCEL);
        setup_.WaitForExit();
    }
    RemoveTree(cd_);
}

bool WizardRun::Start()
{
    if (!setup_.Start(SetupExePath(), "", cd_))
        return false;
    WaitUntil([&] {
        for (HWND w : VisibleTopWindows(setup_.Id()))
            if (WindowText(w) == "Starwake IV Setup" && FindControl(w, IDC_PAGE_TEXT)) {
                sheet_ = w;
                return true;
            }
        return setup_.HasExited();
    }, 20000);
    if (sheet_ == nullptr)
        return false;
    page_ = GetParent(FindControl(sheet_, IDC_PAGE_TEXT));
    return true;
}

void WizardRun::Press(int button)
{
    PressCommand(sheet_, button);
}

bool WizardRun::WaitForPageText(const std::string &text, DWORD timeoutMs)
{
    if (WaitUntil([&] { return PageText() == text; }, timeoutMs))
        return true;
    fprintf(stderr, "page shows \"%s\"\nwanted     \"%s\"\n", PageText().c_str(), text.c_str());
    return false;
}

std::string WizardRun::PageText() const
{
    return ControlText(sheet_, IDC_PAGE_TEXT);
}

std::string WizardRun::Buttons() const
{
    static const struct { int id; const char *name; } buttons[] = {
        { SHEET_BACK, "Back" }, { SHEET_NEXT, "Next" }, { SHEET_FINISH, "Finish" },
        { SHEET_CANCEL, "Cancel" },
    };
    std::string usable;
    for (const auto &button : buttons)
        if (ControlVisible(sheet_, button.id) && ControlEnabled(sheet_, button.id))
            usable += (usable.empty() ? "" : " ") + std::string(button.name);
    return usable;
}

std::string WizardRun::Controls() const
{
    std::string shown;
    auto add = [&](const std::string &part) { shown += (shown.empty() ? "" : " ") + part; };

    if (ControlVisible(page_, IDC_INSTALL_TO_LABEL))
        add("label");
    if (ControlVisible(page_, IDC_INSTALL_DIR_EDIT)) {
        LONG style = GetWindowLongA(FindControl(page_, IDC_INSTALL_DIR_EDIT), GWL_STYLE);
        std::string box = (style & ES_READONLY) ? "box:read-only" : "box:editable";
        if (style & WS_TABSTOP)
            box += ",tab";
        add(box);
    }
    if (ControlVisible(page_, IDC_VIEW_README))
        add("readme");
    if (ControlVisible(page_, IDC_OPTION_CHECK)) {
        HWND check = FindControl(page_, IDC_OPTION_CHECK);
        add(SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED ? "run-game:checked"
                                                                   : "run-game:unchecked");
    }
    return shown;
}

std::string WizardRun::BoxText() const
{
    return ControlText(page_, IDC_INSTALL_DIR_EDIT);
}

void WizardRun::TypeFolder(const std::string &text)
{
    SendMessageA(FindControl(page_, IDC_INSTALL_DIR_EDIT), WM_SETTEXT, 0, (LPARAM)text.c_str());
}

bool WizardRun::NextToFolderChoice()
{
    Press(SHEET_NEXT);
    return WaitForPageText(StringResource(IDS_CHOOSE_FOLDER));
}

// The step the page moves to, or the warning box that stops it on the way.
WizardRun::Outcome WizardRun::WaitForOutcome()
{
    const std::string confirm = ConfirmText();
    const std::string refused = StringResource(IDS_FOLDER_REJECTED);
    const std::string lowSpace = StringResource(IDS_LOW_DISK_SPACE);
    Outcome outcome = Stuck;
    warning_ = nullptr;
    WaitUntil([&] {
        std::string text = PageText();
        if (text == confirm)
            outcome = Accepted;
        else if (text == refused)
            outcome = Refused;
        else {
            for (HWND w : VisibleTopWindows(setup_.Id()))
                if (w != sheet_ && MessageBoxText(w).find(lowSpace) != std::string::npos) {
                    warning_ = w;
                    outcome = Warned;
                }
        }
        return outcome != Stuck;
    }, 10000);
    return outcome;
}

WizardRun::Outcome WizardRun::NextFromFolderChoice()
{
    Press(SHEET_NEXT);
    return WaitForOutcome();
}

WizardRun::Outcome WizardRun::AnswerWarning(int button)
{
    HWND box = warning_;
    PostMessageA(box, WM_COMMAND, button, 0);
    if (!WaitForWindowGone(box))
        return Stuck;
    return WaitForOutcome();
}

bool WizardRun::BackToFolderChoice()
{
    Press(SHEET_BACK);
    return WaitForPageText(StringResource(IDS_CHOOSE_FOLDER));
}

long WizardRun::CloseWith(int button)
{
    Press(button);
    return setup_.WaitForExit();
}
