#include "real_keys.h"
#include "test_support.h"

// Wine starts a Unix program from CreateProcess but its handle cannot be waited on: the command leaves
// xdotool's status in a file, whole once named. A process that handles an activation late can take the X
// focus from the window Wine activated, and keys would go astray: so the X focus is put on the window's
// own X window first, as a window manager keeps it.
static bool RunXdotool(HWND window, const std::string &arguments)
{
    HANDLE xWindow = GetPropA(GetAncestor(window, GA_ROOT), "__wine_x11_whole_window");
    if (!xWindow) {
        fprintf(stderr, "window %p has no X window\n", (void *)window);
        return false;
    }
    const std::string folder = ScratchFolder("keys"), status = folder + "\\status";
    std::string unixStatus = UnixPath(status);
    if (unixStatus.empty())
        return false;
    // Two commands: chained behind windowfocus, xdotool would send synthetic events, not the server's input.
    std::string commandLine = "/bin/sh -c \"timeout 10 /usr/bin/xdotool windowfocus --sync "
                              + std::to_string((ULONG_PTR)xWindow) + " && timeout 10 /usr/bin/xdotool " + arguments
                              + "; echo $? >'" + unixStatus + ".part' && mv '" + unixStatus + ".part' '" + unixStatus
                              + "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA("Z:\\bin\\sh", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        fprintf(stderr, "xdotool could not be started: %lu\n", GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    bool ended = WaitUntil([&] { return FileExists(status); }, 20000);
    std::string code = ReadBytes(status);
    RemoveTree(folder);
    if (code != "0\n")
        fprintf(stderr, "xdotool %s: %s\n", arguments.c_str(), ended ? code.c_str() : "did not end");
    return code == "0\n";
}

bool PressKeys(HWND window, const std::string &keys)
{
    return RunXdotool(window, "key " + keys);
}

bool TypeText(HWND window, const std::string &text)
{
    return text.find_first_of("'\"") == std::string::npos && RunXdotool(window, "type --delay 20 -- '" + text + "'");
}
