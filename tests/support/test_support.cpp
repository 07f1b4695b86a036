#include "test_support.h"
#include "test_paths.h"

#include <shlobj.h>
#include <tlhelp32.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <stdio.h>

namespace fs = std::filesystem;

bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs)
{
    for (DWORD start = GetTickCount(); !condition(); Sleep(20)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}


// The build's Unix paths, as Wine shows them on Z:.
static std::string DosPath(const char *unixPath)
{
    return fs::path(std::string("Z:") + unixPath).make_preferred().string();
}

std::string SetupExePath() { return DosPath(SETUP_EXE_PATH); }
std::string LowMemorySetupExePath() { return DosPath(LOWMEM_SETUP_EXE_PATH); }
std::string StandinGamePath() { return DosPath(STANDIN_GAME_PATH); }
std::string DirectXLibraryPath() { return DosPath(DIRECTX_LIBRARY_PATH); }
std::string PlantedLibraryPath() { return DosPath(PLANTED_LIBRARY_PATH); }
std::string PlantedProgramPath() { return DosPath(PLANTED_PROGRAM_PATH); }
std::string StandinDosGamePath() { return DosPath(STANDIN_DOS_GAME_PATH); }
std::string SampleCdPath() { return DosPath(SAMPLE_CD_PATH); }

std::string ScratchFolder(const std::string &tag)
{
    static int counter;
    std::string path = (fs::temp_directory_path() / ("sw4test-" + tag + "-" + std::to_string(GetCurrentProcessId())
                                                     + "-" + std::to_string(++counter))).string();
    RemoveTree(path);
    fs::create_directories(path);
    return path;
}

std::string UnixPath(const std::string &path)
{
    // Wine's own export; these tests run nowhere else.
    typedef char *(CDECL * ToUnix)(const WCHAR *);
    ToUnix toUnix = (ToUnix)(void *)GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
    char *unixPath = toUnix ? toUnix(fs::path(path).wstring().c_str()) : nullptr;
    std::string result = unixPath ? unixPath : "";
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// Wine starts a Unix program from CreateProcess but its handle cannot be waited on: the command leaves its
// status in a file, whole once named.
int RunHostCommand(const std::string &command, DWORD timeoutMs)
{
    const std::string folder = ScratchFolder("host"), status = folder + "\\status";
    std::string unixStatus = UnixPath(status);
    if (unixStatus.empty())
        return -1;
    std::string commandLine = "/bin/sh -c \"" + command + "; echo $? >'" + unixStatus + ".part' && mv '" + unixStatus
                              + ".part' '" + unixStatus + "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA("Z:\\bin\\sh", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        fprintf(stderr, "/bin/sh could not be started: %lu\n", GetLastError());
        return -1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    bool ended = WaitUntil([&] { return FileExists(status); }, timeoutMs);
    std::string code = ReadBytes(status);
    RemoveTree(folder);
    return ended ? atoi(code.c_str()) : -1;
}

int CdDrive(const char *action)
{
    return RunHostCommand(std::string(CD_DRIVE_COMMAND " ") + action + " " CD_IMAGE_AND_DRIVE);
}

void RemoveTree(const std::string &path) { std::error_code ignored; fs::remove_all(path, ignored); }
long long SizeOf(const std::string &path)
{
    std::error_code missing;
    auto size = fs::file_size(path, missing);
    return missing ? -1 : (long long)size;
}
bool FileExists(const std::string &path) { std::error_code ignored; return fs::is_regular_file(path, ignored); }
bool FolderExists(const std::string &path) { std::error_code ignored; return fs::is_directory(path, ignored); }

void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void WriteFileOfSize(const std::string &path, size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char &c : bytes)
        c = (char)((state = state * 1103515245u + 12345u) >> 16);
    WriteBytes(path, bytes);
}

std::string ReadBytes(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

const FILETIME CdTime = { 0xDCDC2000, 0x01BCD961 };   // 15 October 1997, noon

FILETIME FileTimePlus(FILETIME time, LONGLONG units)
{
    ULARGE_INTEGER value = { { time.dwLowDateTime, time.dwHighDateTime } };
    value.QuadPart += units;
    return { value.LowPart, value.HighPart };
}

void SetLastWriteTime(const std::string &path, FILETIME time)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

// Without opening the file: a handle of ours, however brief, would make setup's rename fail.
FILETIME LastWriteTime(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

std::map<std::string, std::string> FolderState(const std::string &folder)
{
    std::map<std::string, std::string> state;
    std::error_code ignored;
    for (const auto &entry : fs::directory_iterator(folder, ignored)) {
        if (!entry.is_regular_file(ignored))
            continue;
        std::string path = entry.path().string(), name = entry.path().filename().string();
        unsigned long long digest = 14695981039346656037ull;   // FNV-1a
        std::string bytes = ReadBytes(path);
        for (unsigned char c : bytes)
            digest = (digest ^ c) * 1099511628211ull;
        FILETIME time = LastWriteTime(path);
        for (char &c : name)
            c = (char)tolower((unsigned char)c);
        char text[128];
        snprintf(text, sizeof text, "%zu bytes, digest %016llx, time %08lx%08lx", bytes.size(), digest,
                 time.dwHighDateTime, time.dwLowDateTime);
        state[name] = text;
    }
    return state;
}


const GameFile GameFiles[19] = {
    { "sw4.exe", "sw4.exe" }, { "sw4.anm", "sw4.anm" }, { "snddrv.386", "snddrv.386" },
    { "snddet.386", "snddet.386" }, { "common.iff", "common.iff" }, { "lowres.dll", "lowres.dll" },
    { "hires480.dll", "hires480.dll" }, { "xmem.ovl", "xmem.ovl" }, { "sw4lang.iff", "sw4lang.iff" },
    { "mkboot.exe", "mkboot.exe" }, { "sw4.cds", "sw4.cds" }, { "swiv.ico", "swiv.ico" },
    { "setup.bat", "setup.bat" }, { "vbedrv.exe", "vbedrv.exe" }, { "readme.txt", "readme.txt" },
    { "startsw4.exe", "startsw4.exe" }, { "music1.pak", "music1.pak" },
    { "KorLib.DL_", "KorLib.dll" }, { "SW4w.ex_", "SW4w.exe" },
};

void MakeSmallCd(const std::string &folder, size_t musicSize)
{
    for (unsigned row = 0; row < 18; row++) {
        std::string name = GameFiles[row].cd;
        WriteFileOfSize(folder + "\\" + name, name == "music1.pak" ? musicSize : 1000 + 37 * row, row + 1);
    }
    fs::copy_file(StandinGamePath(), folder + "\\SW4w.ex_", fs::copy_options::overwrite_existing);
    fs::copy_file(DirectXLibraryPath(), folder + "\\dsetup.dll", fs::copy_options::overwrite_existing);
    fs::create_directory(folder + "\\DIRECTX");
    WriteFileOfSize(folder + "\\DIRECTX\\DSETUP.INF", 100);
    for (const GameFile &file : GameFiles)
        SetLastWriteTime(folder + "\\" + file.cd, CdTime);
}

void FillInstallFolder(const std::string &folder)
{
    for (const GameFile &file : GameFiles)
        WriteFileOfSize(folder + "\\" + file.installed, 1000);
    const auto overwrite = fs::copy_options::overwrite_existing;
    fs::copy_file(StandinDosGamePath(), folder + "\\sw4.exe", overwrite);
    fs::copy_file(StandinGamePath(), folder + "\\SW4w.exe", overwrite);
    for (const GameFile &file : GameFiles)
        SetLastWriteTime(folder + "\\" + file.installed, CdTime);
}

std::string DesktopShortcut()
{
    char folder[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE);
    return std::string(folder) + "\\Starwake IV.lnk";
}

static const char UserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// "" takes the value away: the shell's default again.
static void SetUserDesktop(const std::string &folder)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, UserShellFolders, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    if (folder.empty())
        RegDeleteValueA(key, "Desktop");
    else
        RegSetValueExA(key, "Desktop", 0, REG_EXPAND_SZ, (const BYTE *)folder.c_str(), (DWORD)folder.size() + 1);
    RegCloseKey(key);
}

UserDesktop::UserDesktop() : path_(ScratchFolder("desktop"))
{
    HKEY key;
    char saved[MAX_PATH] = "";
    DWORD size = sizeof saved - 1;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, UserShellFolders, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, "Desktop", nullptr, nullptr, (BYTE *)saved, &size);
        RegCloseKey(key);
    }
    saved_ = saved;
    SetUserDesktop(path_);
}

UserDesktop::~UserDesktop()
{
    SetUserDesktop(saved_);
    RemoveTree(path_);
}

static std::string DesktopPath()
{
    char windows[MAX_PATH];
    return std::string(windows, GetWindowsDirectoryA(windows, sizeof windows)) + "\\Desktop";
}

DesktopFolder::DesktopFolder(bool present) : path_(DesktopPath()), existed_(FolderExists(path_))
{
    RemoveTree(path_);
    if (present)
        fs::create_directory(path_);
}

DesktopFolder::~DesktopFolder()
{
    RemoveTree(path_);
    if (existed_)
        fs::create_directory(path_);
}


const char *const RecordKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SW4 (DOS)";

void DeleteInstallRecord() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, RecordKeyPath); }

bool RecordExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RecordKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void WriteRecordValue(const char *value, DWORD type, const void *bytes, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, RecordKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, value, 0, type, (const BYTE *)bytes, size);
    RegCloseKey(key);
}

void RecordInstallation(const std::string &folder, BYTE autorun, bool unquoted)
{
    std::string program = folder + "\\SW4.EXE";
    if (!unquoted && folder.find(' ') != std::string::npos)
        program = "\"" + program + "\"";
    std::string command = program + " -uninstall";
    WriteRecordValue("DisplayName", REG_SZ, "Starwake 4", 11);
    WriteRecordValue("UninstallString", REG_SZ, command.c_str(), (DWORD)command.size() + 1);
    WriteRecordValue("autorun", REG_BINARY, &autorun, 1);
}

std::string ReadRecordValue(const char *value, DWORD *type)
{
    std::string bytes;
    HKEY key;
    DWORD size = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RecordKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return bytes;
    if (RegQueryValueExA(key, value, nullptr, type, nullptr, &size) == ERROR_SUCCESS) {
        bytes.resize(size);
        RegQueryValueExA(key, value, nullptr, type, (BYTE *)&bytes[0], &size);
    }
    RegCloseKey(key);
    return bytes;
}

static std::string Dword(DWORD value)
{
    return std::string((const char *)&value, sizeof value);
}

void ExpectListing(const std::string &folder, const std::string &icon, DWORD kilobytes)
{
    SYSTEMTIME today;
    char date[16];
    GetLocalTime(&today);
    snprintf(date, sizeof date, "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    const struct { const char *name; DWORD type; std::string data; } values[] = {
        { "DisplayIcon", REG_SZ, icon + '\0' },
        { "DisplayVersion", REG_SZ, std::string("2.0.0.7", 8) },
        { "Publisher", REG_SZ, std::string("Starwake Games", 15) },
        { "InstallLocation", REG_SZ, folder + '\0' },
        { "InstallDate", REG_SZ, std::string(date) + '\0' },
        { "EstimatedSize", REG_DWORD, Dword(kilobytes) },
        { "NoModify", REG_DWORD, Dword(1) },
        { "NoRepair", REG_DWORD, Dword(1) },
    };
    for (const auto &value : values) {
        DWORD type = 0;
        EXPECT_EQ(value.data, ReadRecordValue(value.name, &type)) << value.name;
        EXPECT_EQ(value.type, type) << value.name;
    }
}


ProgramRun::~ProgramRun()
{
    if (!process_.hProcess)
        return;
    TerminateProcess(process_.hProcess, 99);   // nothing, once it has ended
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
}

bool ProgramRun::Start(const std::string &exe, const std::string &arguments, const std::string &folder,
                       const std::string &environment)
{
    // Quoted only where it must be, so that both forms reach the program's entry.
    std::string program = exe.find(' ') == std::string::npos ? exe : "\"" + exe + "\"";
    std::string commandLine = program + (arguments.empty() ? "" : " " + arguments);
    std::string name = environment.substr(0, environment.find('='));
    if (!environment.empty())
        SetEnvironmentVariableA(name.c_str(), environment.substr(name.size() + 1).c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    BOOL started = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  folder.empty() ? nullptr : folder.c_str(), &startup, &process_);
    if (!environment.empty())
        SetEnvironmentVariableA(name.c_str(), nullptr);
    if (!started)
        fprintf(stderr, "CreateProcess(%s) failed: %lu\n", exe.c_str(), GetLastError());
    return started != FALSE;
}

long ProgramRun::WaitForExit(DWORD timeoutMs)
{
    DWORD code = 0;
    if (!process_.hProcess || WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    GetExitCodeProcess(process_.hProcess, &code);
    return (long)code;
}

void ProgramRun::Kill()
{
    TerminateProcess(process_.hProcess, 99);
    WaitForSingleObject(process_.hProcess, 5000);
}

bool ProgramRun::HasExited() const
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
}

bool MutexExists(const char *name)
{
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
    CloseHandle(mutex);
    return mutex != nullptr;
}

static void ForEachProcess(const char *exeName, const std::function<void(DWORD)> &act)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, exeName) == 0)
            act(entry.th32ProcessID);
    CloseHandle(snapshot);
}

bool ProcessRunning(const char *exeName)
{
    bool found = false;
    ForEachProcess(exeName, [&](DWORD) { found = true; });
    return found;
}

void EndProcesses(const char *exeName)
{
    ForEachProcess(exeName, [](DWORD id) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    });
}


static BOOL CALLBACK CollectTopWindow(HWND window, LPARAM lParam)
{
    auto *search = (std::pair<DWORD, std::vector<HWND>> *)lParam;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search->first == 0 || owner == search->first) && IsWindowVisible(window))
        search->second.push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleTopWindows(DWORD processId)
{
    std::pair<DWORD, std::vector<HWND>> search(processId, {});
    EnumWindows(CollectTopWindow, (LPARAM)&search);
    return search.second;
}

static HWND WaitForTopWindow(DWORD processId, const std::function<bool(HWND)> &match, DWORD timeoutMs)
{
    HWND result = nullptr;
    WaitUntil([&] {
        for (HWND window : VisibleTopWindows(processId))
            if (match(window))
                return (result = window) != nullptr;
        return false;
    }, timeoutMs);
    return result;
}

HWND WaitForWindow(DWORD processId, const std::string &caption, DWORD timeoutMs)
{
    return WaitForTopWindow(processId, [&](HWND w) { return WindowText(w) == caption; }, timeoutMs);
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

static bool IsOfClass(HWND window, const char *name)
{
    char found[64] = "";
    GetClassNameA(window, found, sizeof found);
    return lstrcmpiA(found, name) == 0;
}

// A dialog of statics and buttons only, with text: not the sheet, the copy box or the launcher.
bool IsMessageBox(HWND window)
{
    if (!IsOfClass(window, "#32770"))
        return false;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (!IsOfClass(child, "Static") && !IsOfClass(child, "Button"))
            return false;
    return !MessageBoxText(window).empty();
}

std::string MessageBoxText(HWND box)
{
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsOfClass(child, "Static"))
            text += WindowText(child);
    return text;
}

HWND WaitForMessageBox(DWORD processId, const std::string &textPart, DWORD timeoutMs)
{
    return WaitForTopWindow(processId, [&](HWND w) {
        return IsMessageBox(w) && MessageBoxText(w).find(textPart) != std::string::npos;
    }, timeoutMs);
}

static BOOL CALLBACK MatchControl(HWND child, LPARAM lParam)
{
    auto *search = (std::pair<int, HWND> *)lParam;
    if (GetDlgCtrlID(child) != search->first)
        return TRUE;
    search->second = child;
    return FALSE;
}

HWND FindControl(HWND top, int id)
{
    std::pair<int, HWND> search(id, nullptr);
    EnumChildWindows(top, MatchControl, (LPARAM)&search);   // walks every level
    return search.second;
}

std::string WindowText(HWND window)
{
    char text[2048];
    // WM_GETTEXT reads another process's control too, unlike GetWindowText.
    LRESULT length = window ? SendMessageA(window, WM_GETTEXT, sizeof text, (LPARAM)text) : 0;
    return std::string(text, length > 0 ? (size_t)length : 0);
}

void PressCommand(HWND window, int id) { PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

static GUITHREADINFO ThreadInfo(HWND window)
{
    GUITHREADINFO info = { sizeof info };
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}

HWND FocusOf(HWND window) { return ThreadInfo(window).hwndFocus; }
HWND ActiveOf(HWND window) { return ThreadInfo(window).hwndActive; }

bool BringToForeground(HWND window)
{
    // Without a window manager a late X focus event can hand the foreground back to the desktop, until
    // the window's thread has taken the activation (the round trip below): until then it is made again.
    return WaitUntil([&] {
        if (GetForegroundWindow() != window)
            SetForegroundWindow(window);
        DWORD_PTR result;
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
        return GetForegroundWindow() == window;
    });
}

std::string AnswerOwnBox(int button, const std::function<void()> &modal)
{
    std::string seen;
    std::thread answerer([&] {
        HWND box = WaitForMessageBox(GetCurrentProcessId(), "", 20000);
        seen = MessageBoxText(box);
        PressCommand(box, button);
    });
    modal();
    answerer.join();
    return seen;
}

std::vector<HWND> ReadmeViewers()
{
    std::vector<HWND> viewers;
    for (HWND window : VisibleTopWindows(0))
        if (WindowText(window).find("readme") != std::string::npos)
            viewers.push_back(window);
    return viewers;
}

std::string ViewerText(HWND viewer)
{
    for (HWND child = GetWindow(viewer, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsOfClass(child, "Edit"))
            return WindowText(child);
    return "";
}


GameSighting WaitForGame(DWORD timeoutMs)
{
    GameSighting sighting;
    if (!(sighting.window = WaitForWindow(0, "Starwake IV (stand-in game)", timeoutMs)))
        return sighting;
    std::string text = WindowText(FindControl(sighting.window, 100));
    auto lineAfter = [&](const std::string &label) {
        size_t start = text.find(label);
        if (start == std::string::npos)
            return std::string();
        start += label.size();
        return text.substr(start, text.find("\r\n", start) - start);
    };
    sighting.commandLine = lineAfter("Command line: ");
    sighting.folder = lineAfter("Current directory: ");
    return sighting;
}

void CloseGame()
{
    // As a user closes it, so that the activation moves on as it would.
    for (HWND window : VisibleTopWindows(0))
        if (WindowText(window) == "Starwake IV (stand-in game)")
            PostMessageA(window, WM_CLOSE, 0, 0);
    WaitUntil([] { return !ProcessRunning("SW4w.exe"); }, 5000);
    EndProcesses("SW4w.exe");
}
