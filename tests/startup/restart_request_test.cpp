// The reboot question. The test builds' restart request only notes the call.
#include "startup/startup.h"
#include "test_support.h"

#include <gtest/gtest.h>

// Kept by tests/support/fake_system_restart.cpp.
extern int RestartRequests;
extern int ShutdownPrivilegeEnabledAtRequest;

namespace {

// Sets the shutdown privilege's attributes in this process's token; 0 when assigned.
DWORD SetShutdownPrivilege(DWORD attributes)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return GetLastError();
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = attributes;
    LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    SetLastError(0xdeadbeef);
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    DWORD error = GetLastError();
    CloseHandle(token);
    return error;
}

TEST(RestartRequest, YesAsksForTheRestartWithTheShutdownPrivilegeEnabledWhereItCanBe)
{
    // Held disabled, as every process starts on NT; removed, as for a user who
    // may not shut down. Removal cannot be undone, so it comes last.
    const struct { const char *row; int answer; DWORD attributes; int requests, enabled; } rows[] = {
        { "No", IDNO, 0, 0, -1 },
        { "Yes, privilege held, disabled", IDYES, 0, 1, 1 },
        { "Yes, privilege removed", IDYES, SE_PRIVILEGE_REMOVED, 1, 0 },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.row);
        ASSERT_EQ((DWORD)ERROR_SUCCESS, SetShutdownPrivilege(row.attributes));
        RestartRequests = 0;
        ShutdownPrivilegeEnabledAtRequest = -1;
        int result = -1;
        std::string asked = AnswerOwnBox(row.answer, [&] { result = PromptReboot(); });
        EXPECT_EQ(0u, asked.find("Changes made to your system require a reboot")) << asked;
        EXPECT_EQ(0, result);
        EXPECT_EQ(row.requests, RestartRequests) << "asked for whatever the privilege calls gave";
        EXPECT_EQ(row.enabled, ShutdownPrivilegeEnabledAtRequest);
    }
}

}  // namespace
