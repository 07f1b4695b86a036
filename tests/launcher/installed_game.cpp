#include "installed_game.h"
#include "test_support.h"

#include <tlhelp32.h>
#include <functional>
#include <vector>

const char *const InstalledFiles[19] = {
    "sw4.exe", "sw4.anm", "snddrv.386", "snddet.386", "common.iff", "lowres.dll",
    "hires480.dll", "xmem.ovl", "sw4lang.iff", "mkboot.exe", "sw4.cds", "swiv.ico",
    "setup.bat", "vbedrv.exe", "readme.txt", "startsw4.exe", "music1.pak",
    "KorLib.dll", "SW4w.exe",
};

std::string StandinDosGamePath() { return DosPath(STANDIN_DOS_GAME_PATH); }

void FillInstallFolder(const std::string &folder)
{
    for (const char *name : InstalledFiles)
        WriteFileOfSize(folder + "\\" + name, 1000);
    CopyFileA(StandinDosGamePath().c_str(), (folder + "\\sw4.exe").c_str(), FALSE);
    CopyFileA(StandinGamePath().c_str(), (folder + "\\SW4w.exe").c_str(), FALSE);
}

void WriteTextFile(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr);
    CloseHandle(file);
}

static bool madeDesktopFolder;

std::string DesktopShortcutPath()
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string desktop = std::string(windows) + "\\Desktop";
    if (!FolderExists(desktop) && CreateDirectoryA(desktop.c_str(), nullptr))
        madeDesktopFolder = true;
    return desktop + "\\Starwake IV.lnk";
}

void RemoveDesktopFolderIfMade()
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    if (madeDesktopFolder)
        RemoveDirectoryA((std::string(windows) + "\\Desktop").c_str());
    madeDesktopFolder = false;
}

static void ForEachProcess(const std::function<bool(const char *)> &match,
                           const std::function<void(DWORD)> &act)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (match(entry.szExeFile))
            act(entry.th32ProcessID);
    CloseHandle(snapshot);
}

static bool IsUninstallerCopy(const char *exeName)
{
    size_t length = strlen(exeName);
    return _strnicmp(exeName, "sw4", 3) == 0 && length > 4 && lstrcmpiA(exeName + length - 4, ".tmp") == 0;
}

bool ProcessRunning(const char *exeName)
{
    bool found = false;
    ForEachProcess([&](const char *name) { return lstrcmpiA(name, exeName) == 0; },
                   [&](DWORD) { found = true; });
    return found;
}

static void EndMatching(const std::function<bool(const char *)> &match)
{
    ForEachProcess(match, [](DWORD id) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (process) {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    });
}

void EndProcesses(const char *exeName)
{
    EndMatching([&](const char *name) { return lstrcmpiA(name, exeName) == 0; });
}

void RemoveUninstallerCopies()
{
    EndMatching(IsUninstallerCopy);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(temp) + "sw4*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string path = std::string(temp) + found.cFileName;
        WaitUntil([&] { return DeleteFileA(path.c_str()) || !FileExists(path); }, 5000);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}
