// Stands in for the DirectX setup library on the sample CD and in the tests.
//
// DirectXSetup looks for the DIRECTX folder under the root path and the INF
// file in it, as the vendor's library does, and answers -8 (no folder) or -7
// (no INF) when they are missing, 0 when both are there.
//
// Every call is recorded under HKEY_CURRENT_USER\Software\DirectX Setup Stand-in:
//   "Calls" (REG_DWORD, counted up), "RootPath" (REG_SZ), "Flags" (REG_DWORD),
//   "WindowCaption" (REG_SZ, the caption of the window handed in),
//   "DirectXFolder" (REG_SZ, where it looks for the DIRECTX folder).
//
// A test makes it answer any code by setting the environment variable
// DXSETUP_STANDIN_RESULT to that number (e.g. -6 or 1) in setup's environment.
// With DXSETUP_STANDIN_WINDOW=1 it first shows a window of its own, captioned
// "DirectX Setup (stand-in)" and owned by the window handed in, and pumps the
// thread's messages until that window is closed, as the vendor's library
// does while it shows its progress.
#include "wizard/directx_setup.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

const char RecordKey[] = "Software\\DirectX Setup Stand-in";

// The root is a folder (Z:\cd) or a drive's root (D:\ with its backslash
// already there); a name under it gets one backslash either way. False when
// the path does not fit.
bool PathUnder(const char *rootPath, const char *name, char (&path)[MAX_PATH])
{
    size_t rootLength = strlen(rootPath);
    const char *separator = rootLength > 0 && rootPath[rootLength - 1] == '\\' ? "" : "\\";
    int length = snprintf(path, sizeof path, "%s%s%s", rootPath, separator, name);
    return length >= 0 && length < (int)sizeof path;
}

void Record(HWND window, const char *rootPath, DWORD flags)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, RecordKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL)
        != ERROR_SUCCESS)
        return;
    DWORD calls = 0;
    DWORD size = sizeof calls;
    RegQueryValueExA(key, "Calls", NULL, NULL, (BYTE *)&calls, &size);
    calls++;
    RegSetValueExA(key, "Calls", 0, REG_DWORD, (const BYTE *)&calls, sizeof calls);
    const char *root = rootPath ? rootPath : "";
    RegSetValueExA(key, "RootPath", 0, REG_SZ, (const BYTE *)root, (DWORD)strlen(root) + 1);
    RegSetValueExA(key, "Flags", 0, REG_DWORD, (const BYTE *)&flags, sizeof flags);
    char caption[256] = "";
    if (window)
        GetWindowTextA(window, caption, sizeof caption);
    RegSetValueExA(key, "WindowCaption", 0, REG_SZ, (const BYTE *)caption, (DWORD)strlen(caption) + 1);
    char folder[MAX_PATH] = "";
    if (rootPath)
        PathUnder(rootPath, "DIRECTX", folder);
    RegSetValueExA(key, "DirectXFolder", 0, REG_SZ, (const BYTE *)folder, (DWORD)strlen(folder) + 1);
    // The mode of the process that loaded us; read by setting it, as Windows 95 has no getter.
    DWORD errorMode = SetErrorMode(0);
    SetErrorMode(errorMode);
    RegSetValueExA(key, "ErrorMode", 0, REG_DWORD, (const BYTE *)&errorMode, sizeof errorMode);
    RegCloseKey(key);
}

bool ForcedResult(int *result)
{
    char text[32];
    DWORD length = GetEnvironmentVariableA("DXSETUP_STANDIN_RESULT", text, sizeof text);
    if (length == 0 || length >= sizeof text)
        return false;
    *result = (int)strtol(text, NULL, 10);
    return true;
}

const char WindowClass[] = "DirectXSetupStandin";
const char WindowCaption[] = "DirectX Setup (stand-in)";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);   // ends the loop below, not the caller's
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool WindowWanted()
{
    char text[8];
    DWORD length = GetEnvironmentVariableA("DXSETUP_STANDIN_WINDOW", text, sizeof text);
    return length == 1 && text[0] == '1';
}

// Every message of the thread is dispatched meanwhile, the owner's too.
void ShowWindowUntilClosed(HWND owner)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA("dsetup.dll");
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WindowClass;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA(WindowClass, WindowCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                                CW_USEDEFAULT, CW_USEDEFAULT, 320, 120, owner, NULL, windowClass.hInstance, NULL);
    if (window == NULL)
        return;
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool Exists(const char *rootPath, const char *name, bool folder)
{
    char path[MAX_PATH];
    if (!PathUnder(rootPath, name, path))
        return false;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES
        && ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

}  // namespace

extern "C" int WINAPI DirectXSetup(HWND window, LPSTR rootPath, DWORD flags)
{
    Record(window, rootPath, flags);
    if (WindowWanted())
        ShowWindowUntilClosed(window);
    int result;
    if (ForcedResult(&result))
        return result;
    if (rootPath == NULL || !Exists(rootPath, "DIRECTX", true))
        return DSETUPERR_CANTFINDDIR;
    if (!Exists(rootPath, "DIRECTX\\DSETUP.INF", false))
        return DSETUPERR_CANTFINDINF;
    return DSETUPERR_SUCCESS;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
