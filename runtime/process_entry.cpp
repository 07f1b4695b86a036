/* The process entry of setup.exe, in place of the C runtime's: it finds the
   command line after the program's name and the show state, calls WinMain,
   and ends through exit() so that the handlers registered with atexit run. */
#include <windows.h>
#include <stdlib.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState);

/* The text after the program's name, as the C runtime hands it to WinMain:
   a quoted name ends at its closing quote, an unquoted one at the first
   blank or tab; the blanks and tabs that follow are skipped. */
static char *SkipProgramName(char *line)
{
    if (*line == '"') {
        line++;
        while (*line != '\0' && *line != '"')
            line++;
        if (*line == '"')
            line++;
    } else {
        while (*line != '\0' && *line != ' ' && *line != '\t')
            line++;
    }
    while (*line == ' ' || *line == '\t')
        line++;
    return line;
}

/* The loader calls this with whatever stack alignment it has. */
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup(void)
{
    STARTUPINFOA startup;
    int showState = SW_SHOWDEFAULT;

    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    if (startup.dwFlags & STARTF_USESHOWWINDOW)
        showState = startup.wShowWindow;
    exit(WinMain(GetModuleHandleA(NULL), NULL, SkipProgramName(GetCommandLineA()), showState));
}
