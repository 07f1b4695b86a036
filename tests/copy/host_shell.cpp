#include "host_shell.h"
#include "test_support.h"

#include <stdio.h>
#include <stdlib.h>
#include <vector>

std::string UnixPath(const std::string &dosPath)
{
    // Wine's own export; these tests run nowhere else.
    typedef char *(CDECL *ToUnix)(const WCHAR *);
    ToUnix toUnix = (ToUnix)(void *)GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
    WCHAR wide[MAX_PATH];
    if (!toUnix || !MultiByteToWideChar(CP_ACP, 0, dosPath.c_str(), -1, wide, MAX_PATH))
        return "";
    char *unix = toUnix(wide);
    std::string path = unix ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

bool RunHostCommand(const std::string &command)
{
    // Wine gives no handle for a Unix process: its end shows as a file that
    // holds the exit status, moved into place whole.
    static int counter;
    char name[64];
    snprintf(name, sizeof name, "sw4-host-%lu-%d", GetCurrentProcessId(), ++counter);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string done = std::string(temp) + name;
    std::string doneUnix = UnixPath(done);
    if (doneUnix.empty())
        return false;

    std::string line = "/bin/sh -c \"" + command + "; echo $? >'" + doneUnix + ".part' && mv '"
                       + doneUnix + ".part' '" + doneUnix + "'\"";
    std::vector<char> writable(line.begin(), line.end());
    writable.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA("Z:\\bin\\sh", writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        fprintf(stderr, "cannot start the host shell: %lu\n", GetLastError());
        return false;
    }
    if (process.hProcess)
        CloseHandle(process.hProcess);
    if (process.hThread)
        CloseHandle(process.hThread);

    bool ended = WaitUntil([&] { return FileExists(done); }, 20000);
    std::string status = ReadWholeFile(done);
    DeleteFileA(done.c_str());
    if (!ended || atoi(status.c_str()) != 0)
        fprintf(stderr, "host command failed (%s): %s\n", ended ? status.c_str() : "no end", command.c_str());
    return ended && atoi(status.c_str()) == 0;
}

SmallDrive::SmallDrive(int kilobytes)
{
    std::string scratch = EnvText("SW4_TEST_SCRATCH");
    std::string prefix = EnvText("WINEPREFIX");
    DWORD taken = GetLogicalDrives();
    char letter = 'q';
    while (letter <= 'y' && (taken & (1u << (letter - 'a'))))
        letter++;
    if (scratch.empty() || prefix.empty() || letter > 'y')
        return;

    mountPoint_ = scratch + "/drive-" + std::to_string(GetCurrentProcessId());
    link_ = prefix + "/dosdevices/" + letter + ":";
    if (!RunHostCommand("mkdir -p '" + mountPoint_ + "' && mount -t tmpfs -o size="
                        + std::to_string(kilobytes) + "k tmpfs '" + mountPoint_ + "' && ln -sfn '"
                        + mountPoint_ + "' '" + link_ + "'"))
        return;
    root_ = std::string(1, (char)(letter - 'a' + 'A')) + ":\\";
}

SmallDrive::~SmallDrive()
{
    if (!mountPoint_.empty())
        RunHostCommand("rm -f '" + link_ + "'; umount '" + mountPoint_ + "' 2>/dev/null; rmdir '"
                       + mountPoint_ + "'");
}
