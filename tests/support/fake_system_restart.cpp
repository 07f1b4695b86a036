// Stands in for the real restart request in every test build: a real one
// would end the Wine session and the test run with it. It only notes the
// request, and whether the process held the shutdown privilege enabled then.
#include "startup/startup.h"

int RestartRequests;
int ShutdownPrivilegeEnabledAtRequest;

static int ShutdownPrivilegeEnabled(void)
{
    HANDLE token;
    BYTE buffer[4096];
    DWORD size = 0;
    LUID shutdown;
    int enabled = 0;

    if (!LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &shutdown)
        || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return 0;
    if (GetTokenInformation(token, TokenPrivileges, buffer, sizeof buffer, &size)) {
        const TOKEN_PRIVILEGES *held = (const TOKEN_PRIVILEGES *)buffer;
        for (DWORD i = 0; i < held->PrivilegeCount; i++)
            if (held->Privileges[i].Luid.LowPart == shutdown.LowPart
                && held->Privileges[i].Luid.HighPart == shutdown.HighPart)
                enabled = (held->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    CloseHandle(token);
    return enabled;
}

int RequestSystemRestart(void)
{
    RestartRequests++;
    ShutdownPrivilegeEnabledAtRequest = ShutdownPrivilegeEnabled();
    return 1;
}
