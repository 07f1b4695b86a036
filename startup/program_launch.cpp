#include "startup/install_record.h"
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
    if (!CreateProcessA(program, commandLine, NULL, NULL, FALSE, NORMAL_PRIORITY_CLASS,
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

int LaunchUninstaller(HWND owner)
{
    char caption[64];
    char buffer[RECORD_TEXT_SIZE];   /* the question first, then the record */
    char program[RECORD_TEXT_SIZE];
    char command[COMMAND_LINE_SIZE];
    size_t programLength;

    TextLoadString(caption, sizeof caption, IDS_CONFIRM_CAPTION);
    TextLoadString(buffer, sizeof buffer, IDS_UNINSTALL_QUESTION);
    if (MessageBoxA(owner, buffer, caption, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return 0;
    if (!ReadInstallRecord(buffer))
        return 0;
    if (buffer[0] == '"') {
        /* As setup records a path with a blank: the program is what the
           quotes hold, and a quote never closed is no record. */
        const char *end = strchr(buffer + 1, '"');
        if (end == NULL)
            return 0;
        programLength = (size_t)(end - buffer - 1);
        memcpy(program, buffer + 1, programLength);
        program[programLength] = '\0';
        return StartProcess(program, buffer, NULL);
    }
    programLength = UninstallProgramLength(buffer);
    if (programLength == 0)
        return StartProcess(NULL, buffer, NULL);
    memcpy(program, buffer, programLength);
    program[programLength] = '\0';
    if (!ComposeCommandLine(command, sizeof command, program, buffer + programLength))
        return 0;
    return StartProcess(program, command, NULL);
}

int ShowReadme(void)
{
    char command[] = "notepad readme.txt";   /* CreateProcessA may write into it */
    return StartProcess(NULL, command, NULL);
}
