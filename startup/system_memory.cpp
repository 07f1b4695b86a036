#include "startup/startup.h"

ULONGLONG QueryTotalPhysicalMemory(void)
{
    return TotalPhysicalMemory(GetModuleHandleA("kernel32.dll"));
}
