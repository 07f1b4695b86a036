#include "test_support.h"
#include "test_paths.h"

#include <atomic>
#include <stdio.h>
#include <string.h>
#include <thread>

bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}

// ---- Paths and files -----------------------------------------------------

std::string EnvText(const char *name)
{
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value)
        return "";
    return value;
}

std::string DosPath(const std::string &unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string SetupExePath() { return DosPath(SETUP_EXE_PATH); }
std::string LowMemorySetupExePath() { return DosPath(LOWMEM_SETUP_EXE_PATH); }
std::string StandinGamePath() { return DosPath(STANDIN_GAME_PATH); }
std::string HoldMutexPath() { return DosPath(HOLD_MUTEX_PATH); }
std::string SampleCdPath() { return DosPath(SAMPLE_CD_PATH); }

std::string ScratchFolder(const std::string &tag)
{
    static int counter;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char name[MAX_PATH + 64];
    snprintf(name, sizeof name, "%ssw4test-%s-%lu-%d", temp, tag.c_str(),
             GetCurrentProcessId(), ++counter);
    RemoveTree(name);
    CreateDirectoryA(name, nullptr);
    return name;
}

void RemoveTree(const std::string &path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

bool FileExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteFileOfSize(const std::string &path, DWORD size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char &c : bytes) {
        state = state * 1103515245u + 12345u;
        c = (char)(state >> 16);
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    if (size > 0)
        WriteFile(file, bytes.data(), size, &written, nullptr);
    CloseHandle(file);
}

std::string ReadWholeFile(const std::string &path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[65536];
    DWORD got;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

FILETIME MakeFileTime(int year, int month, int day)
{
    SYSTEMTIME system = {};
    system.wYear = (WORD)year;
    system.wMonth = (WORD)month;
    system.wDay = (WORD)day;
    system.wHour = 12;
    FILETIME time;
    SystemTimeToFileTime(&system, &time);
    return time;
}

FILETIME FileTimePlus(FILETIME time, LONGLONG units)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    value.QuadPart += units;
    time.dwLowDateTime = value.LowPart;
    time.dwHighDateTime = value.HighPart;
    return time;
}

void SetLastWriteTime(const std::string &path, FILETIME time)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

FILETIME LastWriteTime(const std::string &path)
{
    FILETIME time = {};
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return time;
    GetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    return time;
}

std::string CurrentFolder()
{
    char folder[MAX_PATH];
    GetCurrentDirectoryA(sizeof folder, folder);
    return folder;
}

// ---- A CD of the test's own -------------------------------------------------

const char *const CdGameFiles[17] = {
    "sw4.exe", "sw4.anm", "snddrv.386", "snddet.386", "common.iff", "lowres.dll",
    "hires480.dll", "xmem.ovl", "sw4lang.iff", "mkboot.exe", "sw4.cds", "swiv.ico",
    "setup.bat", "vbedrv.exe", "readme.txt", "startsw4.exe", "music1.pak",
};

void MakeSmallCd(const std::string &folder, FILETIME time, DWORD musicSize)
{
    unsigned seed = 1;
    for (const char *name : CdGameFiles) {
        std::string path = folder + "\\" + name;
        WriteFileOfSize(path, strcmp(name, "music1.pak") == 0 ? musicSize : 1000 + 37 * seed, seed);
        SetLastWriteTime(path, time);
        seed++;
    }
    WriteFileOfSize(folder + "\\KorLib.DL_", 5000, seed);
    SetLastWriteTime(folder + "\\KorLib.DL_", time);
    CopyFileA(StandinGamePath().c_str(), (folder + "\\SW4w.ex_").c_str(), FALSE);
    SetLastWriteTime(folder + "\\SW4w.ex_", time);
    CreateDirectoryA((folder + "\\DIRECTX").c_str(), nullptr);
    WriteFileOfSize(folder + "\\DIRECTX\\DSETUP.INF", 100);
}

// ---- Installation record ---------------------------------------------------

const char *const RecordKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SW4 (DOS)";

void DeleteInstallRecord()
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, RecordKeyPath);
}

bool RecordExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RecordKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void WriteRecordBytes(const char *value, DWORD type, const void *bytes, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, RecordKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, value, 0, type, (const BYTE *)bytes, size);
    RegCloseKey(key);
}

void WriteRecordString(const char *value, DWORD type, const std::string &text)
{
    WriteRecordBytes(value, type, text.c_str(), (DWORD)text.size() + 1);
}

void RecordInstallation(const std::string &folder, BYTE autorun)
{
    WriteRecordString("DisplayName", REG_SZ, "Starwake 4");
    WriteRecordString("UninstallString", REG_SZ, folder + "\\SW4.EXE -uninstall");
    WriteRecordBytes("autorun", REG_BINARY, &autorun, 1);
}

std::vector<BYTE> ReadRecordBytes(const char *value, DWORD *type)
{
    std::vector<BYTE> bytes;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RecordKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return bytes;
    DWORD size = 0;
    DWORD kind = 0;
    if (RegQueryValueExA(key, value, nullptr, &kind, nullptr, &size) == ERROR_SUCCESS) {
        bytes.resize(size);
        RegQueryValueExA(key, value, nullptr, &kind, bytes.data(), &size);
        bytes.resize(size);
        if (type)
            *type = kind;
    }
    RegCloseKey(key);
    return bytes;
}

std::string ReadRecordString(const char *value, DWORD *type)
{
    std::vector<BYTE> bytes = ReadRecordBytes(value, type);
    return std::string(bytes.begin(), bytes.end());
}

// ---- Processes and windows -------------------------------------------------

ProgramRun::~ProgramRun()
{
    if (process_.hProcess) {
        if (!HasExited()) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

bool ProgramRun::Start(const std::string &exe, const std::string &arguments,
                       const std::string &folder, const std::string &environment)
{
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');

    // A NAME=VALUE pair that only this child inherits.
    std::string name, previous;
    bool hadPrevious = false;
    if (!environment.empty()) {
        size_t equals = environment.find('=');
        name = environment.substr(0, equals);
        previous = EnvText(name.c_str());
        hadPrevious = !previous.empty();
        SetEnvironmentVariableA(name.c_str(), environment.substr(equals + 1).c_str());
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    BOOL started = CreateProcessA(exe.c_str(), writable.data(), nullptr, nullptr, FALSE, 0,
                                  nullptr, folder.empty() ? nullptr : folder.c_str(),
                                  &startup, &process_);
    if (!name.empty())
        SetEnvironmentVariableA(name.c_str(), hadPrevious ? previous.c_str() : nullptr);
    if (!started) {
        fprintf(stderr, "CreateProcess(%s) failed: %lu\n", exe.c_str(), GetLastError());
        process_ = {};
    }
    return started != FALSE;
}

long ProgramRun::WaitForExit(DWORD timeoutMs)
{
    if (!process_.hProcess)
        return -1;
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return (long)code;
}

bool ProgramRun::HasExited() const
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

static BOOL CALLBACK CollectTopWindow(HWND window, LPARAM lParam)
{
    WindowSearch *search = (WindowSearch *)lParam;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search->processId == 0 || owner == search->processId) && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleTopWindows(DWORD processId)
{
    WindowSearch search = { processId, {} };
    EnumWindows(CollectTopWindow, (LPARAM)&search);
    return search.found;
}

static HWND FindTopWindow(DWORD processId, const std::function<bool(HWND)> &match, DWORD timeoutMs)
{
    HWND result = nullptr;
    WaitUntil([&] {
        for (HWND window : VisibleTopWindows(processId))
            if (match(window)) {
                result = window;
                return true;
            }
        return false;
    }, timeoutMs);
    return result;
}

HWND WaitForWindow(DWORD processId, const std::string &caption, DWORD timeoutMs)
{
    return FindTopWindow(processId, [&](HWND w) { return WindowText(w) == caption; }, timeoutMs);
}

HWND WaitForWindowContaining(const std::string &captionPart, DWORD timeoutMs)
{
    return FindTopWindow(0, [&](HWND w) { return WindowText(w).find(captionPart) != std::string::npos; },
                         timeoutMs);
}

HWND WaitForAnyWindow(const std::string &caption, DWORD timeoutMs)
{
    return WaitForWindow(0, caption, timeoutMs);
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

static BOOL CALLBACK AppendStaticText(HWND child, LPARAM lParam)
{
    char className[32];
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0) {
        std::string *text = (std::string *)lParam;
        *text += WindowText(child);
    }
    return TRUE;
}

std::string MessageBoxText(HWND box)
{
    std::string text;
    EnumChildWindows(box, AppendStaticText, (LPARAM)&text);
    return text;
}

static bool IsDialogWindow(HWND window)
{
    char className[32];
    GetClassNameA(window, className, sizeof className);
    return strcmp(className, "#32770") == 0;
}

HWND WaitForMessageBox(DWORD processId, const std::string &textPart, DWORD timeoutMs)
{
    return FindTopWindow(processId, [&](HWND w) {
        return IsDialogWindow(w) && MessageBoxText(w).find(textPart) != std::string::npos;
    }, timeoutMs);
}

static std::thread Answerer;

void AnswerOwnMessageBoxLater(int button, std::string *textSeen)
{
    JoinMessageBoxAnswerer();
    Answerer = std::thread([button, textSeen] {
        HWND box = FindTopWindow(GetCurrentProcessId(), [](HWND w) {
            return IsDialogWindow(w) && !MessageBoxText(w).empty();
        }, 10000);
        if (!box)
            return;
        if (textSeen)
            *textSeen = MessageBoxText(box);
        PostMessageA(box, WM_COMMAND, button, 0);
    });
}

void JoinMessageBoxAnswerer()
{
    if (Answerer.joinable())
        Answerer.join();
}

struct ControlSearch {
    int id;
    HWND found;
};

static BOOL CALLBACK MatchControl(HWND child, LPARAM lParam)
{
    ControlSearch *search = (ControlSearch *)lParam;
    if (GetDlgCtrlID(child) == search->id) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

HWND FindControl(HWND top, int id)
{
    ControlSearch search = { id, nullptr };
    EnumChildWindows(top, MatchControl, (LPARAM)&search);   // walks every level
    return search.found;
}

std::string WindowText(HWND window)
{
    char text[2048];
    // WM_GETTEXT reads another process's control too, unlike GetWindowText.
    LRESULT length = SendMessageA(window, WM_GETTEXT, sizeof text, (LPARAM)text);
    return std::string(text, length > 0 ? (size_t)length : 0);
}

std::string ControlText(HWND top, int id)
{
    HWND control = FindControl(top, id);
    return control ? WindowText(control) : "<no control " + std::to_string(id) + ">";
}

bool ControlVisible(HWND top, int id)
{
    HWND control = FindControl(top, id);
    return control && IsWindowVisible(control);
}

bool ControlEnabled(HWND top, int id)
{
    HWND control = FindControl(top, id);
    return control && IsWindowEnabled(control);
}

void PressCommand(HWND window, int id)
{
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

// ---- The stand-in game ------------------------------------------------------

const char *const GameWindowCaption = "Starwake IV (stand-in game)";

static std::string LineAfter(const std::string &text, const std::string &label)
{
    size_t start = text.find(label);
    if (start == std::string::npos)
        return "";
    start += label.size();
    size_t end = text.find("\r\n", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

GameSighting WaitForGame(DWORD timeoutMs)
{
    GameSighting sighting;
    sighting.window = WaitForAnyWindow(GameWindowCaption, timeoutMs);
    if (sighting.window) {
        std::string text = ControlText(sighting.window, 100);
        sighting.commandLine = LineAfter(text, "Command line: ");
        sighting.folder = LineAfter(text, "Current directory: ");
    }
    return sighting;
}

bool GameWindowShown()
{
    return FindWindowA(nullptr, GameWindowCaption) != nullptr;
}

void CloseGame()
{
    HWND window;
    while ((window = FindWindowA(nullptr, GameWindowCaption)) != nullptr) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (!WaitForWindowGone(window))
            break;
    }
    // The game's mutex goes with its process, a moment after the window.
    WaitUntil([] {
        HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Starwake 4 Mutex");
        if (!mutex)
            return true;
        CloseHandle(mutex);
        return false;
    }, 10000);
}
