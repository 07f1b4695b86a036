// A program planted under the name of one setup.exe starts: when started, it leaves "<its own path>.ran"
// beside itself and ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char marker[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(nullptr, marker, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcatA(marker, ".ran");
        CloseHandle(CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return 0;
}
