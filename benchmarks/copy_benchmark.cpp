// Copies a CD folder into an empty install folder through the real copy box
// and prints what it achieved against the pacing ceiling of one 32,768-byte
// chunk per 10 ms.
//
//     copy_benchmark <CD folder> [<install folder>]
//
// The install folder (default %TEMP%\sw4-copy-benchmark) is made empty first
// and removed afterwards. Exit code 0 when the copy box returned 1.
#include "copy/copy_job.h"
#include "startup/install_record.h"
#include "startup/startup.h"
#include "startup/system_libraries.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

#include <commctrl.h>
#include <psapi.h>
#include <stdio.h>

static const double CeilingBytesPerSecond = COPY_CHUNK_SIZE / 0.010;

// When the copy box hid itself at the end of the job. Wine on a virtual
// display without a window manager then waits up to 2 s for one to confirm
// the unmapping; that wait is the display's, not the copy's.
static LARGE_INTEGER BoxHidden;

static LRESULT CALLBACK WatchCopyBox(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *call = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && call->message == WM_WINDOWPOSCHANGING && call->hwnd == CopyDialog
        && (((const WINDOWPOS *)call->lParam)->flags & SWP_HIDEWINDOW) && BoxHidden.QuadPart == 0)
        QueryPerformanceCounter(&BoxHidden);
    return CallNextHookEx(NULL, code, wParam, lParam);
}

// The CD name and the installed name of every file the job considers.
struct JobFile {
    char source[MAX_PATH];
    char dest[MAX_PATH];
};

static int ListJobFiles(JobFile *files, int capacity)
{
    static const UINT windowsFiles[][2] = {
        { IDS_GAME_LIB_SOURCE, IDS_GAME_LIB_DEST },
        { IDS_GAME_EXE_SOURCE, IDS_GAME_EXE_DEST },
    };
    int count = 0;
    for (int row = 0; GameFileList[row] != NULL && count < capacity; row++, count++) {
        TextCopy(files[count].source, MAX_PATH, GameFileList[row]);
        TextCopy(files[count].dest, MAX_PATH, InstallDir);
        TextAppend(files[count].dest, MAX_PATH, "\\");
        TextAppend(files[count].dest, MAX_PATH, GameFileList[row]);
    }
    for (int i = 0; i < 2 && count < capacity; i++, count++) {
        TextLoadString(files[count].source, MAX_PATH, windowsFiles[i][0]);
        TextCopy(files[count].dest, MAX_PATH, InstallDir);
        TextAppendString(files[count].dest, MAX_PATH, windowsFiles[i][1]);
    }
    return count;
}

static LONGLONG FileSize(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return ((LONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: copy_benchmark <CD folder> [<install folder>]\n");
        return 2;
    }
    AppInstance = GetModuleHandleA(NULL);
    if (!LoadSystemLibraries())
        return 2;
    InitCommonControls();

    char installDir[MAX_PATH];
    if (argc >= 3) {
        TextCopy(installDir, sizeof installDir, argv[2]);
    } else {
        GetTempPathA(sizeof installDir, installDir);
        TextAppend(installDir, sizeof installDir, "sw4-copy-benchmark");
    }
    if (!SetCurrentDirectoryA(argv[1])) {
        fprintf(stderr, "cannot enter the CD folder %s\n", argv[1]);
        return 2;
    }
    if (!TextCopy(InstallDir, sizeof InstallDir, installDir)) {
        fprintf(stderr, "install folder too long\n");
        return 2;
    }

    JobFile files[32];
    int fileCount = ListJobFiles(files, 32);
    // Every tick moves one chunk or finishes a file: the fewest ticks the job can take.
    LONGLONG sourceBytes = 0;
    LONGLONG leastTicks = 0;
    for (int i = 0; i < fileCount; i++) {
        DeleteFileA(files[i].dest);
        LONGLONG size = FileSize(files[i].source);
        if (size < 0) {
            fprintf(stderr, "missing on the CD: %s\n", files[i].source);
            return 2;
        }
        sourceBytes += size;
        leastTicks += (size + COPY_CHUNK_SIZE - 1) / COPY_CHUNK_SIZE + 1;
    }
    CreateDirectoryA(installDir, NULL);

    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchCopyBox, NULL, GetCurrentThreadId());
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    int result = RunCopyDialog(NULL, NULL);
    QueryPerformanceCounter(&end);
    UnhookWindowsHookEx(hook);
    if (BoxHidden.QuadPart == 0)
        BoxHidden = end;

    // From the call until the box hid at the end of the job.
    double seconds = (double)(BoxHidden.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
    double boxSeconds = (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
    LONG copied = CopyJob.copiedTotal;
    double bytesPerSecond = copied / seconds;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);

    printf("copy box result:     %d\n", result);
    printf("files:               %d, %lld bytes on the CD\n", fileCount, sourceBytes);
    printf("bytes copied:        %ld\n", (long)copied);
    printf("seconds:             %.3f  (until the box hid; %.3f until it was gone)\n", seconds, boxSeconds);
    printf("bytes per second:    %.0f\n", bytesPerSecond);
    printf("ratio to ceiling:    %.4f  (ceiling %.0f bytes per second)\n",
           bytesPerSecond / CeilingBytesPerSecond, CeilingBytesPerSecond);
    printf("ticks at the least:  %lld, so at exactly 10 ms a tick the ratio is at most %.4f\n",
           leastTicks, (double)sourceBytes / ((double)leastTicks * COPY_CHUNK_SIZE));
    printf("mean time per tick:  %.3f ms (if the job took the least ticks)\n",
           seconds * 1000.0 / (double)leastTicks);
    printf("peak working set:    %lu bytes\n", (unsigned long)memory.PeakWorkingSetSize);
    fflush(stdout);

    for (int i = 0; i < fileCount; i++)
        DeleteFileA(files[i].dest);
    if (argc < 3)
        RemoveDirectoryA(installDir);
    return result == 1 ? 0 : 1;
}
