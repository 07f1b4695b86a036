// Reads and clicks the windows of other programs from the command line, as
// the tests do in-process:
//   window_driver wait CAPTION [SECONDS]   wait until a window shows
//   window_driver list CAPTION             its controls: id, class, state, text
//   window_driver text CAPTION ID          one control's text
//   window_driver press CAPTION ID         a click on that button
//   window_driver close CAPTION            close the window
// Exits 0 on success, 1 when the window or control is not there.
#include "test_support.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static BOOL CALLBACK PrintControl(HWND child, LPARAM)
{
    char className[64];
    GetClassNameA(child, className, sizeof className);
    printf("%5d  %-18s %s%s  \"%s\"\n", GetDlgCtrlID(child), className,
           IsWindowVisible(child) ? "visible" : "hidden ",
           IsWindowEnabled(child) ? "" : " disabled", WindowText(child).c_str());
    return TRUE;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: window_driver wait|list|text|press|close CAPTION [ID|SECONDS]\n");
        return 2;
    }
    const char *verb = argv[1];
    DWORD seconds = (strcmp(verb, "wait") == 0 && argc > 3) ? (DWORD)atoi(argv[3]) : 10;
    HWND window = WaitForAnyWindow(argv[2], seconds * 1000);
    if (!window) {
        fprintf(stderr, "no window \"%s\"\n", argv[2]);
        return 1;
    }
    if (strcmp(verb, "wait") == 0)
        return 0;
    if (strcmp(verb, "list") == 0) {
        EnumChildWindows(window, PrintControl, 0);
        return 0;
    }
    if (strcmp(verb, "close") == 0) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        return WaitForWindowGone(window) ? 0 : 1;
    }
    if (argc < 4)
        return 2;
    int id = atoi(argv[3]);
    if (!FindControl(window, id)) {
        fprintf(stderr, "no control %d\n", id);
        return 1;
    }
    if (strcmp(verb, "text") == 0)
        printf("%s\n", ControlText(window, id).c_str());
    else if (strcmp(verb, "press") == 0)
        PressCommand(window, id);
    else
        return 2;
    return 0;
}
