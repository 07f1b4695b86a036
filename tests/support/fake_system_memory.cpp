// Stands in for the real memory probe in test builds: reports the total
// physical memory given in SW4_TEST_TOTAL_PHYS, or the machine's own.
#include "startup/startup.h"

#include <stdlib.h>

void QuerySystemMemory(MEMORYSTATUS *status)
{
    char value[32];
    GlobalMemoryStatus(status);
    DWORD length = GetEnvironmentVariableA("SW4_TEST_TOTAL_PHYS", value, sizeof value);
    if (length > 0 && length < sizeof value)
        status->dwTotalPhys = (SIZE_T)strtoul(value, NULL, 10);
}
