// Starts setup.exe by hand in a CD folder, with nothing installed, and prints how long each start takes until
// the wizard is on screen: the time a user waits after the double-click.
//
//     startup_benchmark <setup.exe> <CD folder> [runs]
//
// Each run ends setup at once and waits for its process to end. Prints the minimum, median and maximum in
// milliseconds. Exit code 0 when every run showed the wizard.
#include <windows.h>
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

struct Search {
    DWORD processId;
    bool found;
};

// The wizard's sheet: a visible top-level window of the process with the sheet's Next button (0x3024).
static BOOL CALLBACK FindSheet(HWND window, LPARAM lParam)
{
    Search *search = (Search *)lParam;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && GetDlgItem(window, 0x3024) != NULL) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: startup_benchmark <setup.exe> <CD folder> [runs]\n");
        return 2;
    }
    int runs = argc >= 4 ? atoi(argv[3]) : 10;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;

    for (int run = 0; run < runs; run++) {
        char commandLine[MAX_PATH + 2];
        snprintf(commandLine, sizeof commandLine, "\"%s\"", argv[1]);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        LARGE_INTEGER begin, end;
        QueryPerformanceCounter(&begin);
        if (!CreateProcessA(argv[1], commandLine, NULL, NULL, FALSE, 0, NULL, argv[2], &startup, &process)) {
            fprintf(stderr, "cannot start %s: error %lu\n", argv[1], GetLastError());
            return 2;
        }
        Search search = { process.dwProcessId, false };
        DWORD deadline = GetTickCount() + 30000;
        while (!search.found && (LONG)(GetTickCount() - deadline) < 0) {
            EnumWindows(FindSheet, (LPARAM)&search);
            if (!search.found)
                Sleep(1);
        }
        QueryPerformanceCounter(&end);
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (!search.found) {
            fprintf(stderr, "run %d: no wizard within 30 s\n", run + 1);
            return 1;
        }
        times.push_back(1000.0 * (end.QuadPart - begin.QuadPart) / frequency.QuadPart);
    }
    std::sort(times.begin(), times.end());
    printf("%s: %d starts until the wizard shows, ms: min %.1f, median %.1f, max %.1f\n", argv[1], runs,
           times.front(), times[times.size() / 2], times.back());
    return 0;
}
