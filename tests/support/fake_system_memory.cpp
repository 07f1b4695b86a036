// Stands in for the real memory probe in test builds: reports the total
// physical memory given in SW4_TEST_TOTAL_PHYS (decimal, any size), or the
// machine's own. It runs inside setup.exe, which has no C runtime to parse with.
#include "startup/startup.h"

ULONGLONG QueryTotalPhysicalMemory(void)
{
    char value[32];
    DWORD length = GetEnvironmentVariableA("SW4_TEST_TOTAL_PHYS", value, sizeof value);
    ULONGLONG total = 0;

    if (length == 0 || length >= sizeof value)
        return TotalPhysicalMemory(GetModuleHandleA("kernel32.dll"));
    for (DWORD i = 0; i < length && value[i] >= '0' && value[i] <= '9'; i++)
        total = total * 10 + (ULONGLONG)(value[i] - '0');
    return total;
}
