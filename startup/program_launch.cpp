#include "startup/install_record.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

/* Window title handed to every process started here (the record's DisplayName). */
static char StartTitle[] = "Starwake 4";

static int StartProcess(char *commandLine, const char *folder)
{
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;

    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.lpTitle = StartTitle;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, NORMAL_PRIORITY_CLASS,
                        NULL, folder, &startup, &process))
        return 0;
    /* Nobody waits for the new process. */
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

int LaunchGame(void)
{
    char command[RECORD_TEXT_SIZE];
    char folder[RECORD_TEXT_SIZE];

    if (!ReadInstallRecord(command))
        return 0;
    if (!DeriveGamePaths(command, sizeof command, folder, sizeof folder))
        return 0;
    if (!TextAppend(command, sizeof command, GameArgs))
        return 0;
    return StartProcess(command, folder);
}

int LaunchUninstaller(HWND owner)
{
    char caption[64];
    char buffer[RECORD_TEXT_SIZE];   /* the question first, then the command */

    TextLoadString(caption, sizeof caption, IDS_CONFIRM_CAPTION);
    TextLoadString(buffer, sizeof buffer, IDS_UNINSTALL_QUESTION);
    if (MessageBoxA(owner, buffer, caption, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return 0;
    if (!ReadInstallRecord(buffer))
        return 0;
    return StartProcess(buffer, NULL);
}

int ShowReadme(void)
{
    char command[] = "notepad readme.txt";   /* CreateProcessA may write into it */
    return StartProcess(command, NULL);
}
