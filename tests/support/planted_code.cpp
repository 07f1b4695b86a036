// Planted where setup.exe must never load or start anything from, under the names of what it might: built as a
// DLL it leaves "<its path>.loaded" when a process loads it, built as a program "<its path>.ran" when started;
// either holds the path of the process's program.
#include <windows.h>

static void LeaveMarker(HMODULE module, const char *suffix)
{
    char marker[MAX_PATH + 8], program[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, marker, MAX_PATH);
    DWORD programLength = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    HANDLE file = CreateFileA(lstrcatA(marker, suffix), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    WriteFile(file, program, programLength, &length, nullptr);
    CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        LeaveMarker(instance, ".loaded");
    return TRUE;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    LeaveMarker(nullptr, ".ran");
    return 0;
}
