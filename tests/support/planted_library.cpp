// A DLL planted where setup.exe must never load DLLs from, under the name of one it might: when a process
// loads it, it leaves "<its own path>.loaded" beside itself, holding the path of that process's program.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char marker[MAX_PATH + 8], program[MAX_PATH];
        DWORD length = GetModuleFileNameA(instance, marker, MAX_PATH);
        DWORD programLength = GetModuleFileNameA(nullptr, program, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcatA(marker, ".loaded");
            HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            WriteFile(file, program, programLength, &length, nullptr);
            CloseHandle(file);
        }
    }
    return TRUE;
}
