// Helpers shared by the test programs: files, the game, the record, and other processes' windows.
#ifndef TEST_SUPPORT_H
#define TEST_SUPPORT_H

#include <windows.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Polls until the condition holds or the time is up, pumping this thread's messages meanwhile.
bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs = 10000);

// ---- Paths and files -----------------------------------------------------
std::string SetupExePath();           // the real setup.exe
std::string LowMemorySetupExePath();  // setup.exe that sees SW4_TEST_TOTAL_PHYS bytes of memory
std::string StandinGamePath();        // the stand-in Windows game
std::string StandinDosGamePath();     // the stand-in MS-DOS game and uninstaller
std::string DirectXLibraryPath();     // the stand-in DirectX setup library, dsetup.dll
std::string PlantedLibraryPath();     // a DLL that leaves "<its path>.loaded" when loaded
std::string PlantedProgramPath();     // a program that leaves "<its path>.ran" when started
std::string SampleCdPath();           // the sample CD folder of the build
std::string ScratchFolder(const std::string &tag);   // new and empty, under %TEMP%
std::string UnixPath(const std::string &path);       // the host's name for one of ours
// Runs command in the host's /bin/sh, as root like the tests; its exit status, -1 when it did not end in time.
int RunHostCommand(const std::string &command, DWORD timeoutMs = 60000);
// The disc of the CD-ROM drive D: taken out ("eject") or put back ("insert") on the host: 0 done, 3 when
// the drive is a folder because FUSE cannot mount here.
int CdDrive(const char *action);
void RemoveTree(const std::string &path);
bool FileExists(const std::string &path);
bool FolderExists(const std::string &path);
long long SizeOf(const std::string &path);   // -1 when there is no such file
void WriteBytes(const std::string &path, const std::string &bytes);
void WriteFileOfSize(const std::string &path, size_t size, unsigned seed = 1);
std::string ReadBytes(const std::string &path);
// Last-write times, exact to the unit as the product compares them.
extern const FILETIME CdTime;   // the sample CD's
const LONGLONG Second = 10000000;
// The least that makes an installed file older than the CD's, past what FAT rounds.
const LONGLONG Stale = -3 * Second;
FILETIME FileTimePlus(FILETIME time, LONGLONG units);
void SetLastWriteTime(const std::string &path, FILETIME time);
FILETIME LastWriteTime(const std::string &path);
// Every file of folder by lower-case name, as "<size> bytes, digest <d>, time <t>".
std::map<std::string, std::string> FolderState(const std::string &folder);

// ---- The game's files ----------------------------------------------------
// The 17 files named alike on the CD and installed, then the two renamed ones, in the order of the copy.
struct GameFile {
    const char *cd, *installed;
};
extern const GameFile GameFiles[19];
// Fills folder like the CD's root, but small (music1.pak of musicSize bytes), every file dated CdTime, and the
// DirectX setup library.
void MakeSmallCd(const std::string &folder, size_t musicSize = 70000);
// Fills folder as setup leaves it, with the stand-ins as its two programs.
void FillInstallFolder(const std::string &folder);

// Where setup puts the shortcut: on the desktop of all users as the shell names it.
std::string DesktopShortcut();
// The user's own desktop, moved to a scratch folder while this lives: Wine links it to the host's home.
class UserDesktop {
public:
    UserDesktop();
    ~UserDesktop();
    std::string Shortcut() const { return path_ + "\\Starwake IV.lnk"; }

private:
    std::string path_, saved_;
};
// The Windows directory's Desktop folder, made or removed while this lives.
class DesktopFolder {
public:
    explicit DesktopFolder(bool present);
    ~DesktopFolder();
    std::string Shortcut() const { return path_ + "\\Starwake IV.lnk"; }

private:
    std::string path_;
    bool existed_;
};

// ---- Installation record -------------------------------------------------
extern const char *const RecordKeyPath;   // under HKEY_LOCAL_MACHINE
void DeleteInstallRecord();
bool RecordExists();
void WriteRecordValue(const char *value, DWORD type, const void *bytes, DWORD size);
// Records an installation in folder as setup does; unquoted: a folder with a blank as earlier versions did.
void RecordInstallation(const std::string &folder, BYTE autorun = 0, bool unquoted = false);
// A value's bytes as stored (a text with its end), "" when there is none.
std::string ReadRecordValue(const char *value, DWORD *type = nullptr);
// Expects what the list of installed programs shows beside the name.
void ExpectListing(const std::string &folder, const std::string &icon, DWORD kilobytes);

// ---- Processes -----------------------------------------------------------
// One run of a program, as a user or the CD's autorun starts it.
class ProgramRun {
public:
    ProgramRun() = default;
    ~ProgramRun();   // ends the process if it still runs
    ProgramRun(const ProgramRun &) = delete;
    ProgramRun &operator=(const ProgramRun &) = delete;

    // The path leads the command line, quoted when it holds a blank; environment: one NAME=VALUE, or "".
    bool Start(const std::string &exe, const std::string &arguments, const std::string &folder,
               const std::string &environment = "");
    long WaitForExit(DWORD timeoutMs = 20000);   // the exit code; -1 when it did not end
    void Kill();                                 // as the task list ends it, at once
    bool HasExited() const;
    DWORD Id() const { return process_.dwProcessId; }

private:
    PROCESS_INFORMATION process_ = {};
};

// A named mutex held while this lives, as another setup or the running game holds it.
struct HeldMutex {
    explicit HeldMutex(const char *name) : handle(CreateMutexA(nullptr, FALSE, name)) {}
    ~HeldMutex() { CloseHandle(handle); }
    HANDLE handle;
};
bool MutexExists(const char *name);

bool ProcessRunning(const char *exeName);   // any process of that file name
void EndProcesses(const char *exeName);     // ends them and waits until they have

// ---- Windows -------------------------------------------------------------
std::vector<HWND> VisibleTopWindows(DWORD processId);   // 0: of any process
HWND WaitForWindow(DWORD processId, const std::string &caption, DWORD timeoutMs = 20000);
bool WaitForWindowGone(HWND window, DWORD timeoutMs = 10000);
bool IsMessageBox(HWND window);
// A message box (of any process for 0) whose text contains the given part.
HWND WaitForMessageBox(DWORD processId, const std::string &textPart, DWORD timeoutMs = 20000);
std::string MessageBoxText(HWND box);
HWND FindControl(HWND top, int id);   // at any depth
std::string WindowText(HWND window);  // also of another process's control; "" for none
void PressCommand(HWND window, int id);   // as a click on that button
HWND FocusOf(HWND window);            // the focus in the window's thread
HWND ActiveOf(HWND window);           // the active window of the window's thread
// Makes another process's window the foreground one, as a click would, once its thread is active.
bool BringToForeground(HWND window);
// Runs modal, which shows a message box, while another thread answers it with button; the box's text.
std::string AnswerOwnBox(int button, const std::function<void()> &modal);
// Notepad windows showing readme.txt, and the text one of them shows.
std::vector<HWND> ReadmeViewers();
std::string ViewerText(HWND viewer);

// ---- The stand-in game -----------------------------------------------------
// How the running stand-in game was started.
struct GameSighting {
    HWND window = nullptr;
    std::string commandLine, folder;
};
GameSighting WaitForGame(DWORD timeoutMs = 20000);
void CloseGame();   // closes every stand-in game and waits until its mutex has gone

#endif
