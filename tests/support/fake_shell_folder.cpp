// Stands in for the shell's folder lookup in the test programs: the real
// shell, or in SW4_TEST_SHELL the older one a test asks for:
//   "no-common-desktop"  names no desktop for all users, as Windows 95's
//   "no-desktop"         names no desktop at all
#include "wizard/desktop_shortcut.h"

HRESULT ShellFolderLocation(int folder, LPITEMIDLIST *list)
{
    char shell[32];
    DWORD length = GetEnvironmentVariableA("SW4_TEST_SHELL", shell, sizeof shell);
    bool asked = length > 0 && length < sizeof shell;
    bool desktop = folder == CSIDL_COMMON_DESKTOPDIRECTORY || folder == CSIDL_DESKTOPDIRECTORY;

    if (asked && lstrcmpA(shell, "no-desktop") == 0 && desktop)
        return E_FAIL;
    if (asked && lstrcmpA(shell, "no-common-desktop") == 0 && folder == CSIDL_COMMON_DESKTOPDIRECTORY)
        return E_FAIL;
    return SHGetSpecialFolderLocation(NULL, folder, list);
}
