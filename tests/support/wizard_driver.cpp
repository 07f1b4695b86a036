#include "wizard_driver.h"
#include "resources/resource.h"

bool Wizard::Start(const std::string &cd, const std::string &environment)
{
    return StartProgram(SetupExePath(), "", cd, environment);
}

bool Wizard::StartProgram(const std::string &exe, const std::string &arguments, const std::string &cd,
                          const std::string &environment)
{
    if (!setup_.Start(exe, arguments, cd, environment))
        return false;
    WaitUntil([&] {
        for (HWND w : VisibleTopWindows(setup_.Id()))
            if (FindControl(w, IDC_PAGE_TEXT))
                sheet_ = w;
        return sheet_ != nullptr || setup_.HasExited();
    }, 20000);
    page_ = sheet_ ? GetParent(FindControl(sheet_, IDC_PAGE_TEXT)) : nullptr;
    return sheet_ != nullptr && Step() == "welcome";
}

std::string Wizard::Step() const
{
    if (Box())
        return "box";
    static const char *const steps[][2] = {
        { "Setup will help", "welcome" }, { "Please choose", "folder" }, { "Either the install path", "refused" },
        { "Setup is about to", "confirm" }, { "Installation complete.", "complete" },
    };
    std::string text = Text();
    for (const auto &step : steps)
        if (text.rfind(step[0], 0) == 0)
            return step[1];
    return text;
}

std::string Wizard::WaitForStepOtherThan(const std::string &a, const std::string &b, DWORD timeoutMs)
{
    static const std::string known = " welcome folder refused confirm complete box ";
    std::string step;
    WaitUntil([&] {
        step = Step();
        return step != a && step != b && known.find(" " + step + " ") != std::string::npos;
    }, timeoutMs);
    return step;
}

std::string Wizard::Press(int button, DWORD timeoutMs)
{
    std::string before = Step();
    PressCommand(sheet_, button);
    return WaitForStepOtherThan(before, before, timeoutMs);
}

std::string Wizard::Answer(int button)
{
    PressCommand(Box(), button);
    return WaitForStepOtherThan("box", "folder", 20000);
}

long Wizard::Close(int button)
{
    PressCommand(sheet_, button);
    return setup_.WaitForExit();
}

std::string Wizard::Text() const { return WindowText(FindControl(page_, IDC_PAGE_TEXT)); }

std::string Wizard::Buttons() const
{
    static const struct { int id; const char *name; } buttons[] = {
        { SHEET_BACK, "Back" }, { SHEET_NEXT, "Next" }, { SHEET_FINISH, "Finish" }, { IDCANCEL, "Cancel" },
    };
    std::string usable;
    for (const auto &button : buttons)
        if (IsWindowVisible(FindControl(sheet_, button.id)) && IsWindowEnabled(FindControl(sheet_, button.id)))
            usable += (usable.empty() ? "" : " ") + std::string(button.name);
    return usable;
}

std::string Wizard::Controls() const
{
    std::string shown;
    auto add = [&](const std::string &part) { shown += (shown.empty() ? "" : " ") + part; };
    if (IsWindowVisible(FindControl(page_, IDC_INSTALL_TO_LABEL)))
        add("label");
    if (IsWindowVisible(FindControl(page_, IDC_INSTALL_DIR_EDIT))) {
        LONG style = GetWindowLongA(FindControl(page_, IDC_INSTALL_DIR_EDIT), GWL_STYLE);
        add(std::string((style & ES_READONLY) ? "box:read-only" : "box:editable") + ((style & WS_TABSTOP) ? ",tab" : ""));
    }
    if (IsWindowVisible(FindControl(page_, IDC_VIEW_README)))
        add("readme");
    if (IsWindowVisible(FindControl(page_, IDC_OPTION_CHECK)))
        add(IsDlgButtonChecked(page_, IDC_OPTION_CHECK) == BST_CHECKED ? "run-game:checked" : "run-game:unchecked");
    return shown;
}

std::string Wizard::Folder() const { return WindowText(FindControl(page_, IDC_INSTALL_DIR_EDIT)); }

void Wizard::Type(const std::string &folder)
{
    SendMessageA(FindControl(page_, IDC_INSTALL_DIR_EDIT), WM_SETTEXT, 0, (LPARAM)folder.c_str());
}

HWND Wizard::CopyBox() const
{
    for (HWND w : VisibleTopWindows(setup_.Id()))
        if (WindowText(w) == "Copy Progress")
            return w;
    return nullptr;
}

HWND Wizard::Box() const
{
    for (HWND w : VisibleTopWindows(setup_.Id()))
        if (IsMessageBox(w))
            return w;
    return nullptr;
}
