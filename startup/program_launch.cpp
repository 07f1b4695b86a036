#include "startup/install_record.h"
#include "startup/system_libraries.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

#include <string.h>

/* Window title handed to every process started here (the record's DisplayName). */
static char StartTitle[] = "Starwake 4";

/* A started command line: a program path that may hold blanks, quoted, and
   the arguments behind it. */
enum { COMMAND_LINE_SIZE = RECORD_TEXT_SIZE + 2 + GAME_ARGS_SIZE };

/* program may be NULL: the command line's first word is then the program,
   and the system looks for it as CreateProcessA does. */
static int StartProcess(const char *program, char *commandLine, const char *folder)
{
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;

    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.lpTitle = StartTitle;
    /* Setup's error mode is its own: the game, the uninstaller and Notepad
       get the system's boxes as if started from the desktop. */
    if (!CreateProcessA(program, commandLine, NULL, NULL, FALSE, NORMAL_PRIORITY_CLASS | CREATE_DEFAULT_ERROR_MODE,
                        NULL, folder, &startup, &process))
        return 0;
    /* Nobody waits for the new process. */
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

int ComposeCommandLine(char *command, size_t commandSize, const char *program, const char *arguments)
{
    int quoted = strchr(program, ' ') != NULL;
    command[0] = '\0';
    return (!quoted || TextAppend(command, commandSize, "\""))
        && TextAppend(command, commandSize, program)
        && (!quoted || TextAppend(command, commandSize, "\""))
        && TextAppend(command, commandSize, arguments);
}

int LaunchGame(void)
{
    char program[RECORD_TEXT_SIZE];
    char folder[RECORD_TEXT_SIZE];
    char command[COMMAND_LINE_SIZE];

    if (!ReadInstallRecord(program))
        return 0;
    if (!DeriveGamePaths(program, sizeof program, folder, sizeof folder))
        return 0;
    if (!ComposeCommandLine(command, sizeof command, program, GameArgs))
        return 0;
    /* Named whole: an unquoted c:\program files\... would first be tried
       as c:\program.exe. */
    return StartProcess(program, command, folder);
}

/* The length of the program's path at the start of an UninstallString
   that earlier versions recorded unquoted, or 0 to run the string as
   stored. CreateProcessA, given an unquoted path with blanks, tries the
   shortest piece before a blank first, so a planted c:\program.exe would run
   instead of c:\program files\...\SW4.EXE. The program is rather the longest
   piece that names a file; failing that, the text before the last blank,
   which then fails to start instead of being guessed at. A string without a
   blank says it plainly. */
static size_t UninstallProgramLength(const char *stored)
{
    char candidate[RECORD_TEXT_SIZE];
    size_t length = strlen(stored);
    size_t lastBlank = 0;

    if (strchr(stored, ' ') == NULL)
        return 0;
    for (; length > 0; length--) {
        if (stored[length] != ' ' && stored[length] != '\0')
            continue;
        memcpy(candidate, stored, length);
        candidate[length] = '\0';
        if (IsExistingFile(candidate))
            return length;
        if (lastBlank == 0 && stored[length] == ' ')
            lastBlank = length;
    }
    return lastBlank;
}

/* The command line that starts the recorded uninstaller, its program quoted
   wherever its path holds a blank, and the program alone into program
   (RECORD_TEXT_SIZE characters); 0 for a quote never closed, which is no
   record. */
static int UninstallCommandLine(const char *stored, char *program, char *command)
{
    size_t programLength;

    if (stored[0] == '"') {
        /* As setup records a path with a blank: the program is what the
           quotes hold. */
        const char *end = strchr(stored + 1, '"');
        if (end == NULL)
            return 0;
        programLength = (size_t)(end - stored - 1);
        memcpy(program, stored + 1, programLength);
        program[programLength] = '\0';
        return TextCopy(command, COMMAND_LINE_SIZE, stored);
    }
    programLength = UninstallProgramLength(stored);
    if (programLength == 0)
        return TextCopy(program, RECORD_TEXT_SIZE, stored) && TextCopy(command, COMMAND_LINE_SIZE, stored);
    memcpy(program, stored, programLength);
    program[programLength] = '\0';
    return ComposeCommandLine(command, COMMAND_LINE_SIZE, program, stored + programLength);
}

/* Whether this Windows is 64-bit, where no MS-DOS program runs. */
static int IsSixtyFourBitWindows(void)
{
    typedef BOOL(WINAPI * IsWow64ProcessProc)(HANDLE, PBOOL);
    IsWow64ProcessProc isWow64Process;
    BOOL wow64 = FALSE;

    if (sizeof(void *) == 8)
        return 1;
    /* Not in Windows 95, 98 or NT 4: looked up, not imported. */
    isWow64Process = (IsWow64ProcessProc)(void *)KernelCall("IsWow64Process");
    return isWow64Process != NULL && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

static void ShowUninstallerNotStarted(HWND owner, const char *program, DWORD error)
{
    char text[256 + RECORD_TEXT_SIZE + 256];

    TextLoadString(text, sizeof text, IDS_UNINSTALL_NOT_STARTED);
    TextAppend(text, sizeof text, program);
    TextAppend(text, sizeof text, "\n\n");
    TextAppendSystemError(text, sizeof text, error, program);
    if ((error == ERROR_BAD_EXE_FORMAT || error == ERROR_EXE_MACHINE_TYPE_MISMATCH)
        && IsSixtyFourBitWindows())
        TextAppendString(text, sizeof text, IDS_NO_DOS_PROGRAMS);
    MessageBoxA(owner, text, NULL, MB_OK | MB_ICONWARNING);
}

int LaunchUninstaller(HWND owner)
{
    char caption[64];
    char buffer[RECORD_TEXT_SIZE];   /* the question first, then the record */
    char program[RECORD_TEXT_SIZE];
    char command[COMMAND_LINE_SIZE];

    TextLoadString(caption, sizeof caption, IDS_CONFIRM_CAPTION);
    TextLoadString(buffer, sizeof buffer, IDS_UNINSTALL_QUESTION);
    if (MessageBoxA(owner, buffer, caption, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return 0;
    if (!ReadInstallRecord(buffer))
        return 0;
    if (!UninstallCommandLine(buffer, program, command))
        return 0;
    /* As Windows starts an MS-DOS program: no application name, the
       program the command line's first word. */
    if (StartProcess(NULL, command, NULL))
        return 1;
    ShowUninstallerNotStarted(owner, program, GetLastError());
    return 0;
}

/* Notepad named whole, from the Windows folder, where every Windows has it:
   found by search, a notepad.exe beside setup or in the current folder
   would come first. */
int ShowReadme(void)
{
    char program[MAX_PATH];
    char command[] = "notepad readme.txt";   /* CreateProcessA may write into it */
    UINT length = GetWindowsDirectoryA(program, sizeof program);

    return length > 0 && length < sizeof program && TextAppendPath(program, sizeof program, "notepad.exe")
        && StartProcess(program, command, NULL);
}
