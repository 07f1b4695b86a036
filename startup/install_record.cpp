#include "startup/install_record.h"
#include "startup/text_buffer.h"
#include "copy/copy_job.h"
#include "resources/resource.h"

#include <string.h>

char InstallDir[PATH_TEXT_SIZE] = "c:\\sw4";
int MenuSuppressed;
char GameArgs[GAME_ARGS_SIZE];

static const char UninstallKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
static const char RecordKeyName[] = "SW4 (DOS)";
static char RecordKeyClass[] = "Vuzoduv";
static const char DisplayNameText[] = "Starwake 4";
static const char UninstallProgramName[] = "\\SW4.EXE";
static const char UninstallSwitch[] = " -uninstall";

/* The chain that WriteInstallRecordChain creates, outermost first. */
static const char *const RecordKeyChain[] = {
    "Software", "Microsoft", "Windows", "CurrentVersion", "Uninstall", RecordKeyName
};
enum { RECORD_CHAIN_LENGTH = sizeof RecordKeyChain / sizeof RecordKeyChain[0] };

/* disposition may be NULL; the call itself always gets a place for it. */
static LONG CreateRecordKey(HKEY parent, const char *name, HKEY *key, DWORD *disposition)
{
    DWORD made;
    LONG status = RegCreateKeyExA(parent, name, 0, RecordKeyClass, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, NULL, key, &made);
    if (disposition != NULL)
        *disposition = made;
    return status;
}

/* Opens the Uninstall key and creates or opens the record beneath it; on 1
   the caller closes both, the record first. */
static int OpenRecordForWriting(HKEY *uninstall, HKEY *record, DWORD *disposition)
{
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath, 0, KEY_ALL_ACCESS, uninstall) != ERROR_SUCCESS)
        return 0;
    if (CreateRecordKey(*uninstall, RecordKeyName, record, disposition) != ERROR_SUCCESS) {
        RegCloseKey(*uninstall);
        return 0;
    }
    return 1;
}

int IsInstallRecordWritable(void)
{
    HKEY uninstall;
    HKEY record;
    DWORD disposition;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath, 0, KEY_READ, &uninstall);

    /* No Uninstall key at all: the writer that builds the chain may still
       make one, and its write after the copy decides. */
    if (status == ERROR_FILE_NOT_FOUND)
        return 1;
    if (status == ERROR_SUCCESS)
        RegCloseKey(uninstall);
    /* Opened for writing as the writers open it: the rights to write values
       come with the key, and a key made only for the look goes again. */
    if (!OpenRecordForWriting(&uninstall, &record, &disposition))
        return 0;
    RegCloseKey(record);
    if (disposition == REG_CREATED_NEW_KEY)
        RegDeleteKeyA(uninstall, RecordKeyName);
    RegCloseKey(uninstall);
    return 1;
}

/* The UninstallString for folder; 0 when it would not fit whole. The system
   runs it as a command line, so its program is quoted where it must be. */
static int ComposeUninstallString(char *command, const char *folder)
{
    char program[RECORD_TEXT_SIZE];

    return TextCopy(program, sizeof program, folder)
        && TextAppend(program, sizeof program, UninstallProgramName)
        && ComposeCommandLine(command, RECORD_TEXT_SIZE, program, UninstallSwitch);
}

int IsRecordableInstallDir(const char *folder)
{
    char command[RECORD_TEXT_SIZE];
    return ComposeUninstallString(command, folder);
}

static int SetText(HKEY record, const char *name, const char *text)
{
    return RegSetValueExA(record, name, 0, REG_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1) == ERROR_SUCCESS;
}

/* Out of line: each inlined copy costs more than the call. */
static __attribute__((noinline)) int SetNumber(HKEY record, const char *name, DWORD number)
{
    return RegSetValueExA(record, name, 0, REG_DWORD, (const BYTE *)&number, sizeof number) == ERROR_SUCCESS;
}

/* The installed files' size in KB, rounded up, as the list of installed
   programs shows it; a file that is not there counts nothing. */
static DWORD InstalledKilobytes(void)
{
    char path[PATH_TEXT_SIZE + 16];
    DWORD kilobytes = 0;
    DWORD bytes = 0;   /* the rest below 1 KB of each file */
    DWORD size;
    HANDLE file;
    int i;

    for (i = 0; i < COPY_FILE_COUNT; i++) {
        if (!CopyJobInstalledPath(i, path, sizeof path))
            continue;
        file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        size = GetFileSize(file, NULL);
        CloseHandle(file);
        if (size != INVALID_FILE_SIZE) {
            kilobytes += size >> 10;
            bytes += size & 1023;
        }
    }
    return kilobytes + ((bytes + 1023) >> 10);
}

/* What the list of installed programs shows beside the name. Windows
   offers Modify and Repair unless told otherwise; setup can do neither. */
static int WriteListingValues(HKEY record)
{
    char program[RECORD_TEXT_SIZE];
    char text[RECORD_TEXT_SIZE];

    return TextCopy(program, sizeof program, InstallDir)
        && TextAppendString(program, sizeof program, IDS_GAME_EXE_DEST)
        && ComposeCommandLine(text, sizeof text, program, ",0")
        && SetText(record, "DisplayIcon", text)
        && SetText(record, "DisplayVersion", VERSION_TEXT)
        && SetText(record, "Publisher", VERSION_PUBLISHER)
        && SetText(record, "InstallLocation", InstallDir)
        /* Today as yyyymmdd; U.S. English counts the years as the list does. */
        && GetDateFormatA(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT), 0, NULL,
                          "yyyyMMdd", text, sizeof text)
        && SetText(record, "InstallDate", text)
        && SetNumber(record, "EstimatedSize", InstalledKilobytes())
        && SetNumber(record, "NoModify", 1)
        && SetNumber(record, "NoRepair", 1);
}

static int WriteRecordValues(HKEY record, const char *command)
{
    BYTE autorun = 0;   /* a new installation shows the menu at autorun */

    if (RegSetValueExA(record, "DisplayName", 0, REG_SZ, (const BYTE *)DisplayNameText,
                       sizeof DisplayNameText) != ERROR_SUCCESS)
        return 0;
    if (!SetText(record, "UninstallString", command))
        return 0;
    if (RegSetValueExA(record, "autorun", 0, REG_BINARY, &autorun, 1) != ERROR_SUCCESS)
        return 0;
    return WriteListingValues(record);
}

int WriteInstallRecord(void)
{
    char command[RECORD_TEXT_SIZE];
    HKEY uninstall;
    HKEY record;
    int written;

    if (!ComposeUninstallString(command, InstallDir))
        return 0;
    if (!OpenRecordForWriting(&uninstall, &record, NULL))
        return 0;
    written = WriteRecordValues(record, command);
    RegCloseKey(record);
    RegCloseKey(uninstall);
    return written;
}

int WriteInstallRecordChain(void)
{
    char command[RECORD_TEXT_SIZE];
    HKEY keys[RECORD_CHAIN_LENGTH];
    HKEY parent = HKEY_LOCAL_MACHINE;
    int opened = 0;
    int written = 0;

    if (!ComposeUninstallString(command, InstallDir))
        return 0;
    while (opened < RECORD_CHAIN_LENGTH) {
        if (CreateRecordKey(parent, RecordKeyChain[opened], &keys[opened], NULL) != ERROR_SUCCESS)
            break;
        parent = keys[opened++];
    }
    if (opened == RECORD_CHAIN_LENGTH)
        written = WriteRecordValues(keys[opened - 1], command);
    while (opened > 0)
        RegCloseKey(keys[--opened]);
    return written;
}

int SaveAutorunSetting(void)
{
    HKEY uninstall;
    HKEY record;
    BYTE autorun = (BYTE)(MenuSuppressed & 0xFF);
    LONG status;

    if (!OpenRecordForWriting(&uninstall, &record, NULL))
        return 0;
    status = RegSetValueExA(record, "autorun", 0, REG_BINARY, &autorun, 1);
    RegCloseKey(record);
    RegCloseKey(uninstall);
    return status == ERROR_SUCCESS;
}

/* A REG_SZ value need not carry its terminator; one that fills the whole
   buffer without it is too long to use. */
static int TerminateQueriedText(char *buffer, DWORD size)
{
    if (size > 0 && buffer[size - 1] == '\0')
        return 1;
    if (size >= RECORD_TEXT_SIZE)
        return 0;
    buffer[size] = '\0';
    return 1;
}

int ReadInstallRecord(char *buffer)
{
    HKEY uninstall;
    HKEY record;
    DWORD type = 0;
    DWORD size = RECORD_TEXT_SIZE;
    DWORD autorun = 0;
    int found;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath, 0, KEY_READ, &uninstall) != ERROR_SUCCESS)
        return 0;
    if (RegOpenKeyExA(uninstall, RecordKeyName, 0, KEY_READ, &record) != ERROR_SUCCESS) {
        RegCloseKey(uninstall);
        return 0;
    }

    found = RegQueryValueExA(record, "UninstallString", NULL, &type, (BYTE *)buffer, &size) == ERROR_SUCCESS
         && type == REG_SZ
         && TerminateQueriedText(buffer, size);
    if (found) {
        /* Any type will do; a one-byte value lands in the low byte. */
        size = sizeof autorun;
        if (RegQueryValueExA(record, "autorun", NULL, NULL, (BYTE *)&autorun, &size) == ERROR_SUCCESS)
            MenuSuppressed = (int)autorun;
        else
            MenuSuppressed = 0;
    }
    RegCloseKey(record);
    RegCloseKey(uninstall);
    return found;
}

int DeriveGamePaths(char *command, size_t commandSize, char *folder, size_t folderSize)
{
    char *cut;

    if (command[0] == '"') {
        /* The program is what the quotes hold; never closed, it is no record. */
        cut = strchr(command + 1, '"');
        if (cut == NULL)
            return 0;
        *cut = '\0';
        if (!TextCopy(folder, folderSize, command + 1) || !TextCopy(command, commandSize, folder))
            return 0;
    } else {
        cut = strrchr(command, ' ');
        if (cut == NULL)
            return 0;
        *cut = '\0';                      /* drops " -uninstall" */
    }

    cut = strrchr(command, '.');
    if (cut == NULL)
        return 0;
    *cut = '\0';                          /* SW4.EXE becomes SW4w.exe */
    if (!TextAppend(command, commandSize, "w.exe"))
        return 0;

    if (!TextCopy(folder, folderSize, command))
        return 0;
    cut = LastPathSeparator(folder);
    if (cut == NULL)
        return 0;
    *cut = '\0';

    return TextCopy(InstallDir, sizeof InstallDir, folder);
}

int IsInstallCurrent(void)
{
    /* The UninstallString and game path in the first half, the folder in the second. */
    char paths[2 * RECORD_TEXT_SIZE];
    char *command = paths;
    char *folder = paths + RECORD_TEXT_SIZE;

    if (!ReadInstallRecord(command))
        return 0;
    if (!DeriveGamePaths(command, RECORD_TEXT_SIZE, folder, RECORD_TEXT_SIZE))
        return 0;
    /* The CD's copy is found by bare name: the current directory is still SourceDir. */
    return !NeedsCopy(NULL, "sw4w.ex_", command);
}
