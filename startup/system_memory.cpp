#include "startup/startup.h"

void QuerySystemMemory(MEMORYSTATUS *status)
{
    GlobalMemoryStatus(status);
}
