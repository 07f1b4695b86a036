// Takes the place of the game's MS-DOS program (sw4.exe) on the sample CD.
// Started by hand it only says what it is. Started as the installation
// record's UninstallString ("SW4.EXE -uninstall") it removes what setup
// installed in its own folder, the record and the desktop shortcut, after
// asking, so that install, launch, uninstall and install again can be tried.
//
// A running program cannot delete its own file, so the removal is done by a
// copy of this program in the temporary folder, started with the folder and
// a handle of this process and waiting for it to end:
//   sw4.exe -uninstall                        asks, starts the copy, ends
//   <copy> -remove-installation HANDLE FOLDER  waits, removes, reports
#include "startup/text_buffer.h"

#include <windows.h>
#include <shlobj.h>
#include <stdlib.h>
#include <string.h>

HINSTANCE AppInstance;   // the bounded text helpers load strings through it

namespace {

const char kCaption[] = "Starwake IV";
const char kUninstallCaption[] = "Starwake IV Uninstall";
const char kGameMutex[] = "Starwake 4 Mutex";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kRecordKey[] = "SW4 (DOS)";
const char kShortcutName[] = "Starwake IV.lnk";
const char kRemoveSwitch[] = "-remove-installation";
// The CD's packed Windows program; setup installs it under another name, so
// a folder holding it is the CD, never an installation.
const char kCdMarker[] = "SW4w.ex_";

// What setup puts into the install folder: the DOS game's files and the
// Windows program and library.
const char *const kInstalledFiles[] = {
    "sw4.exe", "sw4.anm", "snddrv.386", "snddet.386", "common.iff", "lowres.dll",
    "hires480.dll", "xmem.ovl", "sw4lang.iff", "mkboot.exe", "sw4.cds", "swiv.ico",
    "setup.bat", "vbedrv.exe", "readme.txt", "startsw4.exe", "music1.pak",
    "KorLib.dll", "SW4w.exe",
};

// The original may take a moment to end after starting the copy; past this
// its own file is reported as left over instead of waiting for ever.
const DWORD kOriginalExitTimeoutMs = 60000;
const int kOwnFileRetries = 20;
const DWORD kOwnFileRetryMs = 250;

// Every installed path and the sentences around them fit these whole.
enum { PATH_SIZE = MAX_PATH, LEFTOVERS_SIZE = 6144, MESSAGE_SIZE = 8192 };

// A drive root keeps its backslash (D:\): "D:" alone names the current
// folder of drive D.
bool IsDriveRoot(const char *folder)
{
    return folder[0] != '\0' && folder[1] == ':' && folder[2] == '\\' && folder[3] == '\0';
}

// Cuts path after its folder: at the last backslash, or behind it for a root.
bool CutAtFolder(char *path)
{
    char *slash = strrchr(path, '\\');
    if (slash == NULL)
        return false;
    if (slash == path + 2 && path[1] == ':')
        slash++;
    *slash = '\0';
    return true;
}

// The folder of this program's own file; false when it does not fit.
bool OwnPath(char *path, char *folder)
{
    DWORD length = GetModuleFileNameA(NULL, path, PATH_SIZE);
    if (length == 0 || length >= PATH_SIZE || !TextCopy(folder, PATH_SIZE, path))
        return false;
    return CutAtFolder(folder);
}

bool JoinPath(char *dest, const char *folder, const char *name)
{
    return TextCopy(dest, PATH_SIZE, folder) && (IsDriveRoot(folder) || TextAppend(dest, PATH_SIZE, "\\"))
        && TextAppend(dest, PATH_SIZE, name);
}

bool FileExists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool SwitchIs(const char *arguments, const char *name)
{
    size_t length = strlen(name);
    return _strnicmp(arguments, name, length) == 0 && (arguments[length] == '\0' || arguments[length] == ' ');
}

bool GameIsRunning()
{
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kGameMutex);
    if (mutex == NULL)
        return false;
    CloseHandle(mutex);
    return true;
}

// The same folder written either way (case, or long and short names).
bool SameFolder(const char *a, const char *b)
{
    char shortA[PATH_SIZE], shortB[PATH_SIZE];
    if (lstrcmpiA(a, b) == 0)
        return true;
    DWORD lengthA = GetShortPathNameA(a, shortA, sizeof shortA);
    DWORD lengthB = GetShortPathNameA(b, shortB, sizeof shortB);
    return lengthA > 0 && lengthA < sizeof shortA && lengthB > 0 && lengthB < sizeof shortB
        && lstrcmpiA(shortA, shortB) == 0;
}

// ---- Removal (the copy in the temporary folder) --------------------------

// True when the record belongs to this folder or names no program at all;
// a record of an installation elsewhere is left alone.
bool RecordBelongsTo(HKEY record, const char *folder)
{
    char command[PATH_SIZE + 32];
    DWORD size = sizeof command - 1;
    DWORD type = 0;
    LONG status = RegQueryValueExA(record, "UninstallString", NULL, &type, (BYTE *)command, &size);
    if (status == ERROR_FILE_NOT_FOUND || (status == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ))
        return true;
    if (status != ERROR_SUCCESS)
        return false;   // longer than any path of ours
    command[size] = '\0';
    char *program = command;
    char *cut;
    if (command[0] == '"') {              // "folder\SW4.EXE" -uninstall
        program = command + 1;
        cut = strchr(program, '"');
        if (cut == NULL)
            return true;                  // never closed: names no program
        *cut = '\0';
    } else if ((cut = strrchr(command, ' ')) != NULL) {
        *cut = '\0';                      // " -uninstall"
    }
    cut = strrchr(program, '\\');         // "\SW4.EXE"
    if (cut == NULL)
        return false;
    *cut = '\0';
    return SameFolder(program, folder);
}

void AddLeftover(char *leftovers, size_t leftoversSize, const char *what)
{
    TextAppend(leftovers, leftoversSize, "    ");
    TextAppend(leftovers, leftoversSize, what);
    TextAppend(leftovers, leftoversSize, "\n");
}

// Deletes a file that may be gone already; false when it stays.
bool DeleteIfThere(const char *path)
{
    if (!FileExists(path))
        return true;
    // Files copied from a CD may carry its read-only attribute.
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path) || !FileExists(path);
}

// Setup puts the shortcut on the desktop of all users, or the user's, as the
// shell names them, or into the Windows folder's Desktop when the shell
// names neither; it is taken from each of them.
void RemoveShortcuts(char *leftovers, size_t leftoversSize)
{
    const int desktops[] = { CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY };
    char shortcut[PATH_SIZE];
    for (int desktop : desktops)
        if (SHGetSpecialFolderPathA(NULL, shortcut, desktop, FALSE) && TextAppend(shortcut, sizeof shortcut, "\\")
            && TextAppend(shortcut, sizeof shortcut, kShortcutName) && !DeleteIfThere(shortcut))
            AddLeftover(leftovers, leftoversSize, shortcut);
    UINT length = GetWindowsDirectoryA(shortcut, sizeof shortcut);
    if (length > 0 && length < sizeof shortcut && TextAppend(shortcut, sizeof shortcut, "\\Desktop\\")
        && TextAppend(shortcut, sizeof shortcut, kShortcutName) && !DeleteIfThere(shortcut))
        AddLeftover(leftovers, leftoversSize, shortcut);
}

// Removes the record and the desktop shortcut when the record is this
// folder's; false when they belong to another installation. What cannot be
// removed is added to leftovers.
bool RemoveRecordAndShortcut(const char *folder, char *leftovers, size_t leftoversSize)
{
    HKEY uninstall;
    HKEY record;
    bool ours = true;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ALL_ACCESS, &uninstall) == ERROR_SUCCESS) {
        if (RegOpenKeyExA(uninstall, kRecordKey, 0, KEY_READ, &record) == ERROR_SUCCESS) {
            ours = RecordBelongsTo(record, folder);
            RegCloseKey(record);
            if (ours && RegDeleteKeyA(uninstall, kRecordKey) != ERROR_SUCCESS)
                AddLeftover(leftovers, leftoversSize, "its entry in the list of installed programs");
        }
        RegCloseKey(uninstall);
    }
    if (!ours)
        return false;

    RemoveShortcuts(leftovers, leftoversSize);
    return true;
}

// Deletes the installed files; the paths of those that stay are added to
// leftovers.
void RemoveInstalledFiles(const char *folder, char *leftovers, size_t leftoversSize)
{
    for (const char *name : kInstalledFiles) {
        char path[PATH_SIZE];
        if (!JoinPath(path, folder, name))
            continue;
        bool deleted = DeleteIfThere(path);
        // The system may let go of the original's file a moment after its
        // process has ended.
        for (int retry = 0; !deleted && retry < kOwnFileRetries && lstrcmpiA(name, "sw4.exe") == 0; retry++) {
            Sleep(kOwnFileRetryMs);
            deleted = DeleteIfThere(path);
        }
        if (!deleted)
            AddLeftover(leftovers, leftoversSize, path);
    }
}

int FinishRemoval(HANDLE original, const char *folder)
{
    char leftovers[LEFTOVERS_SIZE] = "";
    char text[MESSAGE_SIZE];
    UINT icon = MB_ICONINFORMATION;

    WaitForSingleObject(original, kOriginalExitTimeoutMs);
    CloseHandle(original);

    RemoveInstalledFiles(folder, leftovers, sizeof leftovers);
    bool recordRemoved = RemoveRecordAndShortcut(folder, leftovers, sizeof leftovers);
    // Fails while the folder holds anything setup did not put there; a drive
    // root stays whatever it holds.
    bool folderRemoved = IsDriveRoot(folder) || RemoveDirectoryA(folder) != 0;

    if (leftovers[0] != '\0') {
        icon = MB_ICONWARNING;
        TextCopy(text, sizeof text, "Starwake IV was removed, except for these, which are in use or protected:\n\n");
        TextAppend(text, sizeof text, leftovers);
        TextAppend(text, sizeof text, "\nClose the programs that use them, then remove them by hand.");
    } else {
        TextCopy(text, sizeof text, "Starwake IV was removed from your computer.");
        if (!folderRemoved && FileExists(folder)) {
            TextAppend(text, sizeof text, "\n\nThe folder ");
            TextAppend(text, sizeof text, folder);
            TextAppend(text, sizeof text, " was kept: it holds files that Setup did not install.");
        }
    }
    if (!recordRemoved)
        TextAppend(text, sizeof text, "\n\nThe Starwake IV installation in another folder stays listed.");
    MessageBoxA(NULL, text, kUninstallCaption, MB_OK | icon);

    // This copy cannot delete itself either; the system does it at the next
    // start where that is allowed, and the temporary folder is cleaned anyway.
    char self[PATH_SIZE];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof self);
    if (length > 0 && length < sizeof self)
        MoveFileExA(self, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    return leftovers[0] == '\0' ? 0 : 1;
}

// "HANDLE FOLDER" after the switch; the folder is the rest of the line.
int RunRemoval(const char *arguments)
{
    char *rest = NULL;
    unsigned long handle = strtoul(arguments, &rest, 10);
    if (handle == 0 || rest == NULL || *rest != ' ' || rest[1] == '\0')
        return 2;
    return FinishRemoval((HANDLE)(ULONG_PTR)handle, rest + 1);
}

// ---- The question (the program in the install folder) ---------------------

// Starts the copy of this program in the temporary folder; false when it
// cannot, and then nothing has been removed.
bool HandOverRemoval(const char *self, const char *folder)
{
    char temp[PATH_SIZE];
    char copy[PATH_SIZE];
    char command[3 * PATH_SIZE];
    char handleText[16];
    HANDLE original = NULL;
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    bool started = false;

    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp || GetTempFileNameA(temp, "sw4", 0, copy) == 0)
        return false;
    // The copy's own process handle on this one is what it waits on; an
    // inherited handle cannot name another process later, unlike an id.
    if (CopyFileA(self, copy, FALSE)
        && DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &original,
                           SYNCHRONIZE, TRUE, 0)) {
        _ultoa((unsigned long)(ULONG_PTR)original, handleText, 10);
        if (TextCopy(command, sizeof command, "\"") && TextAppend(command, sizeof command, copy)
            && TextAppend(command, sizeof command, "\" ") && TextAppend(command, sizeof command, kRemoveSwitch)
            && TextAppend(command, sizeof command, " ") && TextAppend(command, sizeof command, handleText)
            && TextAppend(command, sizeof command, " ") && TextAppend(command, sizeof command, folder)) {
            ZeroMemory(&startup, sizeof startup);
            startup.cb = sizeof startup;
            // Started in the temporary folder: a process whose current
            // directory is the install folder would keep it from being removed.
            started = CreateProcessA(copy, command, NULL, NULL, TRUE, NORMAL_PRIORITY_CLASS, NULL, temp,
                                     &startup, &process) != 0;
        }
    }
    if (original != NULL)
        CloseHandle(original);
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        DeleteFileA(copy);
    }
    return started;
}

int RunUninstall()
{
    char self[PATH_SIZE];
    char folder[PATH_SIZE];
    char marker[PATH_SIZE];
    char text[MESSAGE_SIZE];

    if (!OwnPath(self, folder)) {
        MessageBoxA(NULL, "The uninstaller cannot tell which folder it is in. Nothing was removed.",
                    kUninstallCaption, MB_OK | MB_ICONERROR);
        return 1;
    }
    if (JoinPath(marker, folder, kCdMarker) && FileExists(marker)) {
        MessageBoxA(NULL, "This is the Starwake IV CD. To remove the game, run the uninstaller in the "
                    "folder the game was installed to.", kUninstallCaption, MB_OK | MB_ICONINFORMATION);
        return 1;
    }
    if (GameIsRunning()) {
        MessageBoxA(NULL, "Starwake IV is running. Close the game, then uninstall it again.",
                    kUninstallCaption, MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }

    TextCopy(text, sizeof text, "Remove Starwake IV from ");
    TextAppend(text, sizeof text, folder);
    TextAppend(text, sizeof text, "?\n\nThis removes the game's files, its desktop shortcut and its entry "
                                  "in the list of installed programs.");
    if (MessageBoxA(NULL, text, kUninstallCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return 1;

    if (!HandOverRemoval(self, folder)) {
        MessageBoxA(NULL, "The uninstaller could not run from the temporary folder. Nothing was removed.",
                    kUninstallCaption, MB_OK | MB_ICONERROR);
        return 1;
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    AppInstance = instance;
    while (*arguments == ' ')
        arguments++;

    if (SwitchIs(arguments, "-uninstall") || SwitchIs(arguments, "/uninstall"))
        return RunUninstall();
    if (SwitchIs(arguments, kRemoveSwitch))
        return RunRemoval(arguments + sizeof kRemoveSwitch - 1);

    MessageBoxA(NULL, "This is the MS-DOS version of Starwake IV; it cannot run under Windows.\n\n"
                "To play under Windows, start SW4w.exe. To play the MS-DOS version, restart the "
                "computer in MS-DOS mode and type STARTSW4 in the game's folder.",
                kCaption, MB_OK | MB_ICONINFORMATION);
    return 1;
}
