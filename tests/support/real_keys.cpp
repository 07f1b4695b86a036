#include "real_keys.h"
#include "test_support.h"

#include <filesystem>

// Wine starts a Unix program from CreateProcess, but the handle it gives
// back cannot be waited on; the command leaves xdotool's status in a file
// instead, whole once it has its name.
static bool RunXdotool(const std::string &arguments)
{
    static int counter;
    std::string status = (std::filesystem::temp_directory_path()
                          / ("sw4keys-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter)))
                             .string();
    DeleteFileA(status.c_str());
    std::string unixStatus = UnixPath(status);
    if (unixStatus.empty())
        return false;
    std::string commandLine = "/bin/sh -c \"/usr/bin/xdotool " + arguments + "; echo $? >'" + unixStatus
                              + ".part' && mv '" + unixStatus + ".part' '" + unixStatus + "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA("Z:\\bin\\sh", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        fprintf(stderr, "xdotool could not be started: %lu\n", GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    bool ended = WaitUntil([&] { return FileExists(status); }, 20000);
    std::string code = ReadBytes(status);
    DeleteFileA(status.c_str());
    if (code != "0\n")
        fprintf(stderr, "xdotool %s: %s\n", arguments.c_str(), ended ? code.c_str() : "did not end");
    return code == "0\n";
}

bool PressKeys(const std::string &keys)
{
    return RunXdotool("key " + keys);
}

bool TypeText(const std::string &text)
{
    if (text.find_first_of("'\"") != std::string::npos)
        return false;
    return RunXdotool("type --delay 20 -- '" + text + "'");
}
