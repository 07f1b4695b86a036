// Commands of the Unix host, for what Win32 cannot do under Wine: cut short a
// file that another handle holds without sharing, or give a drive a small
// filesystem of its own. Wine starts a Unix program given to CreateProcess.
#ifndef HOST_SHELL_H
#define HOST_SHELL_H

#include <string>

// The host's path of a file or folder of ours.
std::string UnixPath(const std::string &dosPath);
// Runs `sh -c command` on the host and waits for its end; true when it
// exited with 0. The command must not contain double quotes.
bool RunHostCommand(const std::string &command);

// A drive letter pointed at a tmpfs of the given size while it lives. Needs
// root and SW4_TEST_SCRATCH, the folder scripts/test.sh gives for mounts.
class SmallDrive {
public:
    explicit SmallDrive(int kilobytes);
    ~SmallDrive();
    SmallDrive(const SmallDrive &) = delete;
    SmallDrive &operator=(const SmallDrive &) = delete;

    bool Ready() const { return !root_.empty(); }
    const std::string &Root() const { return root_; }   // "Q:\"

private:
    std::string mountPoint_, link_, root_;
};

#endif
