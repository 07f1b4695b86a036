#include "real_keys.h"
#include "test_support.h"

// A process that handles an activation late can take the X focus from the window Wine activated, and keys
// would go astray: so the X focus is put on the window's own X window first, as a window manager keeps it.
static bool RunXdotool(HWND window, const std::string &arguments)
{
    HANDLE xWindow = GetPropA(GetAncestor(window, GA_ROOT), "__wine_x11_whole_window");
    if (!xWindow) {
        fprintf(stderr, "window %p has no X window\n", (void *)window);
        return false;
    }
    // Two commands: chained behind windowfocus, xdotool would send synthetic events, not the server's input.
    int code = RunHostCommand("timeout 10 /usr/bin/xdotool windowfocus --sync " + std::to_string((ULONG_PTR)xWindow)
                              + " && timeout 10 /usr/bin/xdotool " + arguments, 20000);
    if (code != 0)
        fprintf(stderr, "xdotool %s: %s\n", arguments.c_str(), code < 0 ? "did not end" : std::to_string(code).c_str());
    return code == 0;
}

bool PressKeys(HWND window, const std::string &keys)
{
    return RunXdotool(window, "key " + keys);
}

bool TypeText(HWND window, const std::string &text)
{
    return text.find_first_of("'\"") == std::string::npos && RunXdotool(window, "type --delay 20 -- '" + text + "'");
}
