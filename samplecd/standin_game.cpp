// Takes the place of the game's Windows program on the sample CD, so setup
// and the launcher can be tried end to end. It shows how it was started and
// holds the mutex by which the real game tells others it is running.
#include <windows.h>
#include <stdio.h>

namespace {

const char kMutexName[] = "Starwake 4 Mutex";
const char kClassName[] = "StarwakeStandinGame";
const char kCaption[] = "Starwake IV (stand-in game)";
const int kInfoId = 100;
const int kMargin = 12;

// A command line can be 32767 characters long; with the directory it still fits.
char g_info[32768 + MAX_PATH + 64];

// Fills g_info with what the window shows; false if the text would not fit.
bool FormatInfo()
{
    char dir[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof dir, dir);
    if (n == 0 || n >= sizeof dir)
        lstrcpynA(dir, "(unknown)", sizeof dir);
    int len = snprintf(g_info, sizeof g_info, "Command line: %s\r\nCurrent directory: %s",
                       GetCommandLineA(), dir);
    return len >= 0 && static_cast<size_t>(len) < sizeof g_info;
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: {
        if (!FormatInfo())
            lstrcpynA(g_info, "Command line: (too long to show)", sizeof g_info);
        // SS_NOPREFIX: an '&' in a path must show as itself.
        HWND info = CreateWindowA("STATIC", g_info, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                  0, 0, 0, 0, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kInfoId)),
                                  reinterpret_cast<CREATESTRUCTA*>(lp)->hInstance, NULL);
        if (!info)
            return -1;
        SendMessageA(info, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return 0;
    }
    case WM_SIZE: {
        int w = LOWORD(lp) - 2 * kMargin, h = HIWORD(lp) - 2 * kMargin;
        MoveWindow(GetDlgItem(hwnd, kInfoId), kMargin, kMargin, w > 0 ? w : 0, h > 0 ? h : 0, TRUE);
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

} // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int show)
{
    // Held until exit: its existence is what tells others the game is running.
    HANDLE mutex = CreateMutexA(NULL, FALSE, kMutexName);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    int code = 1;
    if (RegisterClassA(&wc)) {
        HWND hwnd = CreateWindowA(kClassName, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  600, 180, NULL, NULL, inst, NULL);
        if (hwnd) {
            ShowWindow(hwnd, show);
            UpdateWindow(hwnd);
            MSG msg;
            while (GetMessageA(&msg, NULL, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            code = 0;
        }
    }
    if (mutex)
        CloseHandle(mutex);
    return code;
}
