// Helpers shared by the test programs: paths, scratch folders and files,
// the installation record, and driving another process's windows the way
// a user would.
#ifndef TEST_SUPPORT_H
#define TEST_SUPPORT_H

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// ---- Waiting -------------------------------------------------------------
// Polls the condition until it holds or the time is up; pumps this thread's
// messages meanwhile so that windows of our own process stay alive.
bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs = 10000);

// ---- Paths and files -----------------------------------------------------
std::string EnvText(const char *name);              // "" when unset
std::string DosPath(const std::string &unixPath);   // /a/b -> Z:\a\b
std::string SetupExePath();                         // the real setup.exe
std::string LowMemorySetupExePath();                // setup.exe with a settable memory size
std::string StandinGamePath();                      // the stand-in Windows game
std::string HoldMutexPath();                        // tools/hold_mutex.exe
std::string SampleCdPath();                         // the sample CD folder of the build
std::string ScratchFolder(const std::string &tag);  // new, empty, under %TEMP%
void RemoveTree(const std::string &path);
bool FileExists(const std::string &path);
bool FolderExists(const std::string &path);
void WriteFileOfSize(const std::string &path, DWORD size, unsigned seed = 1);
std::string ReadWholeFile(const std::string &path);
FILETIME MakeFileTime(int year, int month, int day);
FILETIME FileTimePlus(FILETIME time, LONGLONG units);
void SetLastWriteTime(const std::string &path, FILETIME time);
FILETIME LastWriteTime(const std::string &path);
std::string CurrentFolder();

// ---- A CD of the test's own -------------------------------------------------
extern const char *const CdGameFiles[17];   // named alike on the CD and installed
// Fills folder like the CD's root, but small: the 17 game files (music1.pak
// of musicSize bytes), KorLib.DL_, the stand-in game as SW4w.ex_ and the
// DIRECTX folder with its INF; every file dated `time`.
void MakeSmallCd(const std::string &folder, FILETIME time, DWORD musicSize = 70000);

// ---- Installation record ---------------------------------------------------
extern const char *const RecordKeyPath;  // under HKEY_LOCAL_MACHINE
void DeleteInstallRecord();
bool RecordExists();
void WriteRecordString(const char *value, DWORD type, const std::string &text);
void WriteRecordBytes(const char *value, DWORD type, const void *bytes, DWORD size);
// Records an installation in folder (UninstallString folder\SW4.EXE -uninstall).
void RecordInstallation(const std::string &folder, BYTE autorun = 0);
std::string ReadRecordString(const char *value, DWORD *type = nullptr);
std::vector<BYTE> ReadRecordBytes(const char *value, DWORD *type = nullptr);

// ---- Processes and windows -------------------------------------------------
// One run of a program, as a user or the CD's autorun would start it.
class ProgramRun {
public:
    ProgramRun() = default;
    ~ProgramRun();   // ends the process if it is still running
    ProgramRun(const ProgramRun &) = delete;
    ProgramRun &operator=(const ProgramRun &) = delete;

    bool Start(const std::string &exe, const std::string &arguments, const std::string &folder,
               const std::string &environment = "");
    // The exit code, or -1 when it did not end in time.
    long WaitForExit(DWORD timeoutMs = 15000);
    bool HasExited() const;
    DWORD Id() const { return process_.dwProcessId; }

private:
    PROCESS_INFORMATION process_ = {};
};

std::vector<HWND> VisibleTopWindows(DWORD processId);
// The first visible top-level window of the process with this caption.
HWND WaitForWindow(DWORD processId, const std::string &caption, DWORD timeoutMs = 15000);
// Any process's top-level window whose caption contains the given part.
HWND WaitForWindowContaining(const std::string &captionPart, DWORD timeoutMs = 15000);
// Any process's top-level window with this caption.
HWND WaitForAnyWindow(const std::string &caption, DWORD timeoutMs = 15000);
bool WaitForWindowGone(HWND window, DWORD timeoutMs = 10000);
// A message box of the process whose text contains the given part.
HWND WaitForMessageBox(DWORD processId, const std::string &textPart, DWORD timeoutMs = 15000);
std::string MessageBoxText(HWND box);
// Answers a box of our own process from another thread, once it shows.
void AnswerOwnMessageBoxLater(int button, std::string *textSeen = nullptr);
void JoinMessageBoxAnswerer();

HWND FindControl(HWND top, int id);   // searched through every level of children
std::string WindowText(HWND window);
std::string ControlText(HWND top, int id);
bool ControlVisible(HWND top, int id);
bool ControlEnabled(HWND top, int id);
void PressCommand(HWND window, int id);   // as a click on that button

// ---- The stand-in game ------------------------------------------------------
extern const char *const GameWindowCaption;
// Command line and current folder shown by the running stand-in game.
struct GameSighting {
    HWND window = nullptr;
    std::string commandLine;
    std::string folder;
};
GameSighting WaitForGame(DWORD timeoutMs = 15000);
bool GameWindowShown();
void CloseGame();   // closes every stand-in game window and waits for it to go

#endif
