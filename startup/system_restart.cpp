#include "startup/startup.h"

int RequestSystemRestart(void)
{
    return ExitWindowsEx(EWX_REBOOT, 0) != 0;
}
